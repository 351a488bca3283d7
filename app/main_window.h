// The main window as the shell sees it: building it, and the handlers the
// event loop dispatches to. The shell owns the loop; the window owns what
// each event means.
#pragma once

#include <string>

#include "toolkit/toolkit.h"

namespace pixmold {

// Window 0 with its menus, shortcuts, settings column and FX panel, laid out
// for the current mode, the settings summary written, then shown.
void build_main_window();

// A widget event of window 0 or of its panels (x, y: pointer in the canvas).
void handle_widget_event(int widget, SubKind subkind, int x, int y);
// A menu item or keyboard shortcut.
void handle_menu_command(int command);
// Files or one folder dropped on the main window ("\n"-joined paths).
void handle_drop_on_window(const std::string& files);
// Files a later start of the program handed over ("\n"-joined; none when it
// only asked for the window, which the toolkit has brought forward already).
void handle_files_handed_over(const std::string& files);
// Files dropped on a drop-accepting widget (the FX preview).
void handle_drop_on_widget(int widget, const std::string& files);

}  // namespace pixmold
