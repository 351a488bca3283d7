// The single event loop of the user-interface thread.
#pragma once

namespace pixmold {

// Waits for one event at a time and runs its handler to completion, until
// shell.quit_requested is set. Closing the main window saves every setting
// first.
void run_event_loop();

// What closing the main window (and the Exit command) does: save all
// settings, then end the loop.
void request_quit();

}  // namespace pixmold
