// The main window's menu bar and keyboard shortcuts. The two open entries
// name the current sizes, so the size fields rename them.
#pragma once

namespace pixmold {

void build_menus();
// The shortcut keys follow the interface language.
void add_shortcuts();

// Flips the option of a preferences check item and saves it; false when
// `command` is not one.
bool toggle_option_entry(int command);

void rename_open_free_entry();
void rename_open_relative_entry();

}  // namespace pixmold
