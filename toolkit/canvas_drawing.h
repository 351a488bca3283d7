// Drawing on a canvas widget through the drawing layer (image/draw.h).
#pragma once

#include <optional>

#include "image/draw.h"

namespace pixmold {

// A target for the canvas's own picture; end_drawing shows what was drawn.
// None when the number is not a canvas.
std::optional<DrawingTarget> canvas_drawing_target(int canvas);

}  // namespace pixmold
