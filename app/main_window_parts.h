// The main window's settings column: building its widgets and menus, the
// handlers of its widgets, and the menu command table. Every handler that
// changes a setting saves it at once and rewrites the settings summary.
#pragma once

#include <functional>
#include <string>

#include "runtime/toolkit.h"

namespace pixmold {

// Creates window 0 with menus, shortcuts and every widget of the column.
bool build_settings_window();

void apply_mode_layout();
void settings_summary();
void set_free_size(int width, int height);
void draw_quality_slider();
void show_info_text(const std::string& text);

// Widget events of the settings column; false when the widget is not one
// of the column's.
bool handle_column_event(int widget, SubKind sub, int x, int y);
// Menu commands and shortcuts; false for a command that is not in the table.
bool run_menu_command(int command);

// Set once a language command switched the language.
bool language_switch_requested();
// What happens after a language switch saved the settings; by default the
// program ends at once, without the fade and the snapshot removal. Tests
// replace it.
void set_language_switch_ending(std::function<void()> ending);

}  // namespace pixmold
