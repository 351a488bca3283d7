#include "toolkit/canvas_drawing.h"

#include "toolkit/toolkit.h"

namespace pixmold {

std::optional<DrawingTarget> canvas_drawing_target(int canvas) {
    return canvas_target(canvas_pixels(canvas), [canvas] { canvas_changed(canvas); });
}

}  // namespace pixmold
