// A camera for tests: it starts or fails as told and, while started,
// delivers the frame it was given.
#pragma once

#include <optional>

#include "toolkit/camera.h"

namespace pixmold::test {

class FakeCamera : public FrameSource {
public:
    CameraStart answer = CameraStart::Started;
    std::optional<CameraFrame> frame;
    int starts = 0;
    int stops = 0;
    bool running = false;

    CameraStart start() override {
        ++starts;
        running = answer == CameraStart::Started;
        return answer;
    }
    std::optional<CameraFrame> latest_frame() override { return running ? frame : std::nullopt; }
    void stop() override {
        ++stops;
        running = false;
    }
};

}  // namespace pixmold::test
