#include "apsim.h"
