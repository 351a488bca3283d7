// SIGTERM and SIGINT ask the main window to close, so logging out or
// stopping the program from a terminal saves the settings like a click on
// the close box does.
#pragma once

namespace pixmold {

void install_close_signals();
void remove_close_signals();

}  // namespace pixmold
