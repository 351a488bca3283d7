// The main window's menu command table: what each menu item and keyboard
// shortcut does (the online commands have their own, app/online.h).
#pragma once

namespace pixmold {

// False for a command that is not in the table.
bool run_menu_command(int command);

}  // namespace pixmold
