#pragma once

// Stops buffer swaps of the current window from waiting for the display's
// vertical retrace, where the driver offers a way to; the idle loop then
// draws as fast as the machine allows. Without one nothing changes.
void disableSwapWait();
