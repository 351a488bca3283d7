// The editor's event handlers, one per widget kind (x, y: the pointer in
// the widget).
#pragma once

#include <string>

#include "runtime/toolkit.h"

namespace pixmold {

void command_bar_event(SubKind sub, int x, int y);
void preview_event(SubKind sub, int x, int y);
void crop_button_event(SubKind sub);
// `button`: W_BW_BUTTON .. W_BORDER_BUTTON.
void effect_button_event(int button, SubKind sub);
void webcam_button_event(SubKind sub);
void preview_drop(const std::string& files);

}  // namespace pixmold
