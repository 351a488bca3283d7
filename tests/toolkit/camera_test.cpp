// The camera's live view and frames, with a fake source and with the
// system's own camera.
#include "toolkit/camera.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCameraDevice>
#include <QMediaDevices>
#include <QVideoFrame>
#include <QVideoFrameFormat>
#include <QWidget>

#include <cstring>

#include "fake_camera.h"
#include "toolkit/system_camera.h"

using namespace pixmold;

namespace {

std::vector<QWidget*> views() {
    std::vector<QWidget*> found;
    for (QWidget* top : QApplication::topLevelWidgets())
        for (QWidget* view : top->findChildren<QWidget*>("pixmold_camera_view")) found.push_back(view);
    return found;
}

class Camera : public ::testing::Test {
protected:
    std::shared_ptr<test::FakeCamera> source = std::make_shared<test::FakeCamera>();

    static void SetUpTestSuite() {
        ASSERT_TRUE(init_toolkit());
        init_image_engine();
    }
    void SetUp() override {
        ASSERT_TRUE(open_window(0, 0, 0, 400, 300, "Camera", WINDOW_SYSTEM_MENU));
        set_frame_source(source);
    }
    void TearDown() override {
        camera_stop();
        set_frame_source(nullptr);
        close_window(0);
        free_image(7);
    }
};

TEST_F(Camera, FramesArriveInTheEngineLayout) {
    // 3 x 2: odd width, so the picture's rows are padded.
    source->frame = CameraFrame{3, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}};
    ASSERT_EQ(camera_start(in_window(0), 10, 20, 120, 90), CameraStart::Started);
    EXPECT_TRUE(camera_live());
    ASSERT_EQ(views().size(), 1u);
    EXPECT_EQ(views()[0]->geometry(), QRect(10, 20, 120, 90));
    ASSERT_TRUE(camera_take_frame(7));
    const PixelView v = image_pixels(7);
    ASSERT_EQ(v.width, 3);
    ASSERT_EQ(v.height, 2);
    ASSERT_EQ(v.depth, 24);
    const std::uint8_t top[9] = {3, 2, 1, 6, 5, 4, 9, 8, 7};  // blue, green, red
    const std::uint8_t bottom[9] = {12, 11, 10, 15, 14, 13, 18, 17, 16};
    EXPECT_TRUE(std::equal(top, top + 9, v.row_from_top(0)));
    EXPECT_TRUE(std::equal(bottom, bottom + 9, v.row_from_top(1)));

    camera_stop();
    EXPECT_FALSE(camera_live());
    EXPECT_TRUE(views().empty());
    EXPECT_EQ(source->stops, 1);
    EXPECT_FALSE(camera_take_frame(8));  // nothing live, nothing taken
    camera_stop();                      // twice is no error
    EXPECT_EQ(source->stops, 1);
}

TEST_F(Camera, FramesThatDoNotSayWhatTheyHoldAreRefused) {
    create_image(7, 5, 5, 24, 0x123456);
    ASSERT_EQ(camera_start(in_window(0), 0, 0, 50, 50), CameraStart::Started);
    for (const CameraFrame& bad : {CameraFrame{2, 2, std::vector<std::uint8_t>(11)},
                                   CameraFrame{0, 2, {}}, CameraFrame{-2, -2, std::vector<std::uint8_t>(12)},
                                   CameraFrame{MAX_IMAGE_SIDE + 1, 1, std::vector<std::uint8_t>(3 * (MAX_IMAGE_SIDE + 1))}}) {
        source->frame = bad;
        EXPECT_FALSE(camera_take_frame(7)) << bad.width << " x " << bad.height;
    }
    source->frame.reset();
    EXPECT_FALSE(camera_take_frame(7));
    EXPECT_EQ(image_width(7), 5);  // untouched
}

TEST_F(Camera, AFailedStartLeavesNothingOpen) {
    for (CameraStart failure : {CameraStart::NoDevice, CameraStart::Failed}) {
        source->answer = failure;
        EXPECT_EQ(camera_start(in_window(0), 0, 0, 50, 50), failure);
        EXPECT_FALSE(camera_live());
        EXPECT_TRUE(views().empty());
    }
    EXPECT_EQ(source->stops, 0);  // stop follows only a start that worked
    // No window to show it in: the device is not even opened.
    source->answer = CameraStart::Started;
    EXPECT_EQ(camera_start(in_window(42), 0, 0, 50, 50), CameraStart::Failed);
    EXPECT_EQ(source->starts, 2);
    EXPECT_FALSE(camera_live());
}

TEST_F(Camera, StartingAgainStopsTheFirstView) {
    ASSERT_EQ(camera_start(in_window(0), 0, 0, 50, 50), CameraStart::Started);
    ASSERT_EQ(camera_start(in_window(0), 5, 5, 60, 60), CameraStart::Started);
    EXPECT_EQ(source->stops, 1);
    ASSERT_EQ(views().size(), 1u);
    EXPECT_EQ(views()[0]->geometry(), QRect(5, 5, 60, 60));
}

// The system camera on a machine without one: it says so at once, and
// nothing shows (Qt would otherwise run a test pattern as if it were a camera).
TEST_F(Camera, SystemCameraWithoutADeviceSaysSo) {
    if (!QMediaDevices::videoInputs().isEmpty()) GTEST_SKIP() << "this machine has a camera";
    set_frame_source(nullptr);
    EXPECT_EQ(camera_start(in_window(0), 0, 0, 50, 50), CameraStart::NoDevice);
    EXPECT_FALSE(camera_live());
    EXPECT_TRUE(views().empty());
    EXPECT_FALSE(camera_take_frame(7));
}

// The system camera's frames as the backend delivers them: packed RGB, and
// the YUV 4:2:2 that webcams commonly send.
QVideoFrame video_frame(QVideoFrameFormat::PixelFormat format, int width, int height,
                        const std::vector<std::uint8_t>& rows) {
    QVideoFrame frame(QVideoFrameFormat(QSize(width, height), format));
    if (!frame.map(QVideoFrame::WriteOnly)) return {};
    const std::size_t row = rows.size() / std::size_t(height);
    for (int y = 0; y < height; ++y)
        std::memcpy(frame.bits(0) + y * frame.bytesPerLine(0), rows.data() + row * std::size_t(y), row);
    frame.unmap();
    return frame;
}

TEST_F(Camera, SystemCameraFramesTurnIntoRedGreenBlueRows) {
    // BGRA: red, green / blue, white.
    const QVideoFrame bgra = video_frame(QVideoFrameFormat::Format_BGRA8888, 2, 2,
                                         {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 255, 255, 255, 255});
    const std::optional<CameraFrame> a = detail::camera_frame_from(bgra);
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(a->width, 2);
    EXPECT_EQ(a->height, 2);
    EXPECT_EQ(a->rgb, (std::vector<std::uint8_t>{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));

    // YUYV: two red pixels, two blue ones (studio range, within rounding).
    const QVideoFrame yuyv =
        video_frame(QVideoFrameFormat::Format_YUYV, 4, 1, {81, 90, 81, 240, 41, 240, 41, 110});
    const std::optional<CameraFrame> b = detail::camera_frame_from(yuyv);
    ASSERT_TRUE(b.has_value());
    ASSERT_EQ(b->rgb.size(), 12u);
    const int expected[12] = {255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255};
    for (int i = 0; i < 12; ++i) EXPECT_NEAR(b->rgb[std::size_t(i)], expected[i], 12) << i;

    EXPECT_FALSE(detail::camera_frame_from(QVideoFrame()).has_value());
}

}  // namespace
