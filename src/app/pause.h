#pragma once

// "Process pending events once, then sleep ms milliseconds": the blocking pause of the
// data-arrived handler and the logout. Handlers running inside
// it must leave the caller's objects alive.
void Pause(int ms);
