// Synthetic user input for headless checks: each call hands the widget the
// same Qt event a real user action produces, so the event travels the real
// path (widget, toolkit queue, wait_event, the program's handler).
#pragma once

#include <string>

#include "toolkit/toolkit.h"

namespace pixmold {

// Canvas pointer input at (x, y) within the widget: PointerEnter,
// PointerLeave, PointerMove, LeftButtonDown, LeftButtonUp, RightButtonDown.
bool simulate_pointer(int widget, SubKind what, int x, int y);
// A full left click on a push button.
bool simulate_click(int widget);
// A plain key press (virtual key code as for add_shortcut) sent to the
// window's focused widget, or to the window when nothing has focus.
bool simulate_key(int window, int key);
// Replaces a field's text the way typing does (the field's input rules apply).
bool simulate_typing(int field, const std::string& text);
// Chooses a row of a drop-down list as the user does.
bool simulate_list_choice(int list, int position);

}  // namespace pixmold
