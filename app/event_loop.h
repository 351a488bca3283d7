// The single event loop of the user-interface thread.
#pragma once

namespace pixmold {

// Waits for one event at a time and runs its handler to completion, until
// shell.quit_requested is set. Closing the main window saves every setting
// first.
void run_event_loop();

// One turn of that loop: waits up to `timeout_ms` (-1: for ever) for one
// event and runs its handler; false when none came. Files waiting for a
// batch to end are started first when they may, and while some wait the
// turn waits at most 100 ms.
bool run_loop_turn(int timeout_ms = -1);

// What closing the main window (and the Exit command) does: save all
// settings, then end the loop.
void request_quit();

}  // namespace pixmold
