// The system's camera as a frame source: the first video input Qt
// Multimedia knows. Not for callers outside toolkit/.
#pragma once

#include <memory>

#include "toolkit/camera.h"

class QVideoFrame;

namespace pixmold::detail {

std::shared_ptr<FrameSource> make_system_camera();

// A frame as the camera's backend hands it over (any pixel format Qt can
// turn into a picture); none when it holds no picture.
std::optional<CameraFrame> camera_frame_from(const QVideoFrame& frame);

}  // namespace pixmold::detail
