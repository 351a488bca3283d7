// The webcam snapshot: the webcam button opens a live view over the
// preview, and the next press takes its frame as the picture to edit.
#pragma once

#include "fx/editor.h"

namespace pixmold {

// The live view's place in the main window.
inline constexpr int WEBCAM_VIEW_X = 281;
inline constexpr int WEBCAM_VIEW_Y = 61;
// Its size: the camera's 640 x 480 fitted into the preview area.
PreviewFit webcam_view_size();

// Opens the live view; false, and nothing open, when there is no camera or
// it would not start.
bool webcam_start();
// Takes the live frame as the new FxSource and closes the live view. The
// picture being edited stays as it was when no frame comes.
void webcam_snapshot();
// Closes the live view, if one is open.
void webcam_stop();

}  // namespace pixmold
