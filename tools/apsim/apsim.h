#pragma once
// Placeholder: the simulator comes with its issue.
