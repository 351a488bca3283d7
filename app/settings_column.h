// The main window's settings column: window 0 with its widgets, laid out for
// the sizing mode, and what each of its widgets does. Every handler that
// changes a setting saves it at once and rewrites the settings summary.
#pragma once

#include "toolkit/toolkit.h"

namespace pixmold {

// Creates window 0 with menus, shortcuts and every widget of the column,
// hidden. A stored prefix that could write outside the pictures' folders
// gives way to the default (the status line says why).
bool build_settings_window();

// Shows the size rows of the current mode and enlarges its button.
void apply_mode_layout();
// Writes the settings summary into the InfoPanel.
void settings_summary();

// Widget events of the settings column; false when the widget is not one
// of the column's.
bool handle_column_event(int widget, SubKind sub, int x, int y);

}  // namespace pixmold
