// The webcam snapshot: the webcam button opens a live view over the
// preview, and the next press takes its frame as the picture to edit.
#pragma once

#include "fx/preview.h"
#include "image/image.h"

namespace pixmold {

// The live view's place in the main window.
inline constexpr int WEBCAM_VIEW_X = 281;
inline constexpr int WEBCAM_VIEW_Y = 61;
// Its size: the camera's 640 x 480 fitted into the preview area.
PreviewFit webcam_view_size();
// The camera hands its frame over as a stored picture, under this number
// for as long as it takes to copy it out: the one number the editor uses.
inline constexpr ImageId WEBCAM_FRAME = 60;

// Opens the live view; false, and nothing open, when there is no camera or
// it would not start.
bool webcam_start();
// Closes the live view, if one is open.
void webcam_stop();

}  // namespace pixmold
