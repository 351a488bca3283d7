// The online menu of the main window: the network library over the
// program's life, and the update and visit entries.
#pragma once

namespace pixmold {

// Start-up: starts the network library and points the update check at the
// web site (PIXMOLD_SITE when set), the StatusLine and the click. A failed
// start is no error: the update entry then says there is no connection.
void start_online();
// Shutdown: aborts a running check, waits for its thread, releases the
// network library.
void stop_online();

// The update entry and key (M or U) and the visit entry and key (V); false
// for any other command.
bool run_online_command(int command);

}  // namespace pixmold
