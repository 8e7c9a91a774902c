#pragma once

// "Process pending events once, then sleep ms milliseconds": the blocking pause of the
// data-arrived handler, the logout and the credit animation. Handlers running inside
// it must leave the caller's objects alive.
void Pause(int ms);
