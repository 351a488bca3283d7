// Drawing helpers shared by the editor's handlers.
#pragma once

#include <string>

#include "image/image.h"

namespace pixmold {

// Starts drawing on one of the panel's canvases; false when it is missing.
bool begin_fx_canvas(int canvas);
// The preview canvas: background, then FxPreview at the top-left corner.
void fx_paint_preview();
// Writes the main window's StatusLine.
void fx_status(const std::string& text);
void fx_click(int milliseconds);
// The crop button with its normal or active icon.
void fx_paint_crop_button(bool active);
// The icons of effect button 0..3 (black and white, optimised, sepia, border).
ImageId fx_effect_icon(int index, bool highlighted);

}  // namespace pixmold
