// The webcam: a live view inside a window, and the frame it shows taken as
// a picture. One camera at a time, on the user-interface thread.
//
// Frames come from a FrameSource: the system's first video input unless
// another source was installed (tests install sources that deliver known
// frames, have no device, or fail to start).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "image/image.h"
#include "toolkit/toolkit.h"

namespace pixmold {

enum class CameraStart { Started, NoDevice, Failed };

// One frame: rows from the top, red, green, blue bytes, no row padding.
struct CameraFrame {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Opens the device and starts delivering frames.
    virtual CameraStart start() = 0;
    // The newest frame; none before the first one arrived or after a failure.
    virtual std::optional<CameraFrame> latest_frame() = 0;
    // Releases the device. Called once after every successful start.
    virtual void stop() = 0;
};

// The source the next camera_start uses; nullptr: the system camera again.
void set_frame_source(std::shared_ptr<FrameSource> source);

// Starts the source and shows its frames, scaled, in a view of
// width x height at (x, y) in `parent`, above the parent's other children.
// Nothing is shown and nothing stays open unless the result is Started.
// A camera already live is stopped first.
CameraStart camera_start(Parent parent, int x, int y, int width, int height);
bool camera_live();
// The newest frame as picture `number` (24 bits, at the frame's own size);
// false, and `number` untouched, when there is none.
bool camera_take_frame(ImageId number);
// Stops the source and removes the view; nothing when not live.
void camera_stop();

}  // namespace pixmold
