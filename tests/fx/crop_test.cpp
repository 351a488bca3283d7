// The crop frame in the preview: drawing, release, placement, Apply.
#include <cmath>

#include "panel_fixture.h"

namespace pixmold {
namespace {

using namespace test;

constexpr Rgb FRAME{255, 69, 0};

// White at alpha 127 over a 24-bit pixel, as the veil lays it.
Rgb veiled(Rgb c) {
    auto v = [](int d) { return (d * 128 + 255 * 127) / 255; };
    return {v(c.r), v(c.g), v(c.b)};
}

class Crop : public FxPanel {
protected:
    // A 400 x 300 gradient, shown unscaled, with crop mode on.
    void start_cropping(int width = 400, int height = 300) {
        start();
        load(picture("gradient.png", width, height));
        click(W_CROP_BUTTON);
        ASSERT_TRUE(editor().crop_mode());
    }
};

TEST_F(Crop, DragUpAndLeftDrawsTheFrameAndIsNormalisedOnRelease) {
    start_cropping();
    EXPECT_EQ(pointer_shape(W_CROP_BUTTON), PointerShape::Hand);
    simulate_pointer(W_PREVIEW_CANVAS, SubKind::PointerEnter, 150, 120);
    pump();
    EXPECT_EQ(pointer_shape(W_PREVIEW_CANVAS), PointerShape::Cross);
    simulate_pointer(W_PREVIEW_CANVAS, SubKind::LeftButtonDown, 150, 120);
    simulate_pointer(W_PREVIEW_CANVAS, SubKind::PointerMove, 100, 80);
    pump();
    EXPECT_TRUE(editor().frame().dragging);
    EXPECT_TRUE(editor().frame().drawn);
    // Every move repaints the preview and the outline from the start to the pointer.
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 100, 100), FRAME);
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 120, 80), FRAME);
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 120, 100), gradient(120, 100));
    simulate_pointer(W_PREVIEW_CANVAS, SubKind::PointerMove, 50, 40);
    pump();
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 100, 80), gradient(100, 80));  // the old outline is gone
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 50, 60), FRAME);
    simulate_pointer(W_PREVIEW_CANVAS, SubKind::LeftButtonUp, 50, 40);
    pump();
    EXPECT_FALSE(editor().frame().dragging);
    EXPECT_EQ(editor().frame().start_x, 50);
    EXPECT_EQ(editor().frame().start_y, 40);
    EXPECT_EQ(editor().frame().end_x, 150);
    EXPECT_EQ(editor().frame().end_y, 120);
    EXPECT_EQ(status(), "Taille réel du cadre : 100 x 80 px");
    EXPECT_TRUE(editor().pending());
    EXPECT_TRUE(editor().frame_chosen());
    EXPECT_EQ(tool_name(editor().result_tool()), "crop");
    EXPECT_EQ(editor().step(), Step::Pending);
    EXPECT_EQ(pointer_shape(W_COMMAND_BAR), PointerShape::Hand);

    // The real-size crop, with the picture's own pixels.
    const PixelView crop = editor().result().view();
    ASSERT_EQ(crop.width, 100);
    ASSERT_EQ(crop.height, 80);
    for (int y = 0; y < 80; y += 9)
        for (int x = 0; x < 100; x += 7) ASSERT_EQ(pixel(crop, x, y), gradient(50 + x, 40 + y)) << x << "," << y;
    // A veil over the preview, the frame's part clear, the crop shown opposite the
    // frame (its centre is up and left, so bottom right).
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 10, 10), veiled(gradient(10, 10)));
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 60, 50), gradient(60, 50));
    EXPECT_EQ(editor().frame().view_x, 463 - 100);
    EXPECT_EQ(editor().frame().view_y, 433 - 80);
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 363, 353), gradient(50, 40));
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 462, 432), gradient(149, 119));

    command(Command::Apply);
    EXPECT_EQ(editor().picture_width(), 100);
    EXPECT_EQ(editor().picture_height(), 80);
    EXPECT_EQ(pixel(editor().picture().view(), 0, 0), gradient(50, 40));
    EXPECT_FALSE(editor().crop_mode());
    EXPECT_FALSE(editor().pending());
    EXPECT_EQ(editor().step(), Step::Applied);
    EXPECT_TRUE(widget_visible(W_SEPIA_BUTTON));
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 0, 0), gradient(50, 40));
}

TEST_F(Crop, TheCropGoesToTheCornerOppositeTheFrame) {
    start_cropping();
    struct Case {
        int x0, y0, x1, y1;
        std::int64_t view_x, view_y;
    };
    // Frame centres right and below, right and above, left and below the canvas middle (231, 216).
    for (const Case& c : {Case{300, 250, 340, 270, 0, 0}, Case{300, 20, 340, 40, 0, 433 - 20},
                          Case{20, 250, 60, 270, 463 - 40, 0}}) {
        drag({{c.x0, c.y0}, {c.x1, c.y1}});
        EXPECT_EQ(editor().frame().view_x, c.view_x) << c.x0;
        EXPECT_EQ(editor().frame().view_y, c.view_y) << c.x0;
        EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, int(c.view_x), int(c.view_y)), gradient(c.x0, c.y0));
    }
}

TEST_F(Crop, AClickWithoutMovingMakesNothingPending) {
    start_cropping();
    drag({{120, 90}});
    EXPECT_FALSE(editor().frame().drawn);
    EXPECT_FALSE(editor().pending());
    EXPECT_FALSE(editor().crop_preview() != nullptr);
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 120, 90), gradient(120, 90));
}

TEST_F(Crop, RightButtonThrowsTheFrameAway) {
    start_cropping();
    drag({{20, 20}, {120, 90}});
    ASSERT_TRUE(editor().pending());
    simulate_pointer(W_PREVIEW_CANVAS, SubKind::RightButtonDown, 60, 60);
    pump();
    EXPECT_FALSE(editor().frame().drawn);
    EXPECT_FALSE(editor().pending());
    EXPECT_EQ(editor().step(), Step::CropOff);
    EXPECT_TRUE(editor().crop_mode());
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 10, 10), gradient(10, 10));  // no veil
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 20, 50), gradient(20, 50));  // no outline
    // Without a frame on screen the right button does nothing.
    simulate_pointer(W_PREVIEW_CANVAS, SubKind::RightButtonDown, 60, 60);
    pump();
    EXPECT_EQ(editor().step(), Step::CropOff);
}

TEST_F(Crop, AFrameAsBigAsThePreviewHasNoPreviewButStillCrops) {
    start_cropping(2000, 1000);
    const float r = editor().fit().ratio;
    drag({{10, 10}, {200, 150}});
    const int width = int(std::nearbyint(190.0 * r)), height = int(std::nearbyint(140.0 * r));
    ASSERT_GE(width, 463);
    EXPECT_EQ(status(), "Cadre sélectionné (pas d'aperçu)");
    EXPECT_TRUE(editor().pending());
    // The canvas keeps the last drawn frame: no veil.
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 10, 100), FRAME);
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 300, 100), pixel(editor().preview()->view(), 300, 100));
    command(Command::Apply);
    EXPECT_EQ(editor().picture_width(), width);
    EXPECT_EQ(editor().picture_height(), height);
    const int x1 = int(std::nearbyint(10.0 * r)), y1 = int(std::nearbyint(10.0 * r));
    EXPECT_EQ(pixel(editor().picture().view(), 0, 0), gradient(x1, y1));
    EXPECT_EQ(pixel(editor().picture().view(), width - 1, height - 1), gradient(x1 + width - 1, y1 + height - 1));
}

TEST_F(Crop, AFrameTooSmallForOneSourcePixelIsDropped) {
    start_cropping();
    drag({{100, 100}, {100, 140}});  // no width
    EXPECT_FALSE(editor().frame().drawn);
    EXPECT_FALSE(editor().pending());
    EXPECT_EQ(editor().step(), Step::CropOff);
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 100, 120), gradient(100, 120));
}

// Through the window, as a user drags: the release lands outside the canvas
// and still comes to it, and the frame stays within the picture.
TEST_F(Crop, AFrameReleasedOutsideTheCanvasStaysWithinThePicture) {
    start_cropping();
    QWindow* window = window_handle();
    ASSERT_NE(window, nullptr);
    QTest::mouseMove(window, in_window(300, 200));
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, in_window(300, 200));
    QTest::mouseMove(window, in_window(450, 420));
    QTest::mouseMove(window, in_window(520, 470));  // beyond the canvas's right and bottom edges
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, in_window(520, 470));
    pump();
    ASSERT_TRUE(editor().pending());
    EXPECT_EQ(editor().result().width(), 100);  // the picture ends at 400 x 300
    EXPECT_EQ(editor().result().height(), 100);
    EXPECT_EQ(pixel(editor().result().view(), 99, 99), gradient(399, 299));

    // Past the top left corner: the frame starts at the picture's corner,
    // with nothing from outside it.
    QTest::mouseMove(window, in_window(120, 90));
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, in_window(120, 90));
    QTest::mouseMove(window, in_window(-30, -20));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, in_window(-30, -20));
    pump();
    EXPECT_EQ(editor().result().width(), 120);
    EXPECT_EQ(editor().result().height(), 90);
    EXPECT_EQ(pixel(editor().result().view(), 0, 0), gradient(0, 0));
    EXPECT_EQ(pixel(editor().result().view(), 119, 89), gradient(119, 89));
}

TEST_F(Crop, CancelBringsTheUncroppedPictureBack) {
    start_cropping();
    const auto before = bytes_of(editor().picture().view());
    drag({{20, 20}, {120, 90}});
    command(Command::Cancel);
    EXPECT_EQ(bytes_of(editor().picture().view()), before);
    EXPECT_EQ(bytes_of(editor().result().view()), before);
    EXPECT_TRUE(editor().crop_mode());
    EXPECT_FALSE(editor().pending());
    EXPECT_EQ(editor().step(), Step::Cancelled);
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 10, 10), gradient(10, 10));
}

TEST_F(Crop, CropModeRefusesWhileAnEffectWaits) {
    start();
    load(picture("a.png", 80, 60));
    click(W_SEPIA_BUTTON);
    ASSERT_TRUE(editor().pending());
    simulate_pointer(W_CROP_BUTTON, SubKind::PointerEnter, 5, 5);
    pump();
    EXPECT_EQ(fx_info_text(), "Validez d'abord l'effet");
    click(W_CROP_BUTTON);
    EXPECT_FALSE(editor().crop_mode());
    EXPECT_EQ(fx_info_text(), "Please validate first");
    EXPECT_EQ(pointer_shape(W_CROP_BUTTON), PointerShape::Forbidden);
    simulate_pointer(W_CROP_BUTTON, SubKind::PointerLeave, 5, 5);
    pump();
    EXPECT_EQ(status(), "http://pixmold.example/");
    EXPECT_EQ(fx_info_text(), "Choissiez un effet");
}

TEST_F(Crop, EffectButtonsHideInCropModeAndTheCropIconLightsUp) {
    start();
    load(picture("a.png", 80, 60));
    click(W_CROP_BUTTON);
    for (int w : {W_BW_BUTTON, W_BW_OPTIMISED_BUTTON, W_SEPIA_BUTTON, W_BORDER_BUTTON, W_WEBCAM_BUTTON})
        EXPECT_FALSE(widget_visible(w)) << w;
    EXPECT_EQ(canvas_pixel(W_CROP_BUTTON, 1, 1), (Rgb{0, 255, 0}));
    simulate_pointer(W_CROP_BUTTON, SubKind::PointerLeave, 5, 5);
    pump();
    EXPECT_EQ(fx_info_text(), "Recadrage  activé");
    click(W_CROP_BUTTON);
    for (int w : {W_BW_BUTTON, W_BW_OPTIMISED_BUTTON, W_SEPIA_BUTTON, W_BORDER_BUTTON, W_WEBCAM_BUTTON})
        EXPECT_TRUE(widget_visible(w)) << w;
    EXPECT_EQ(canvas_pixel(W_CROP_BUTTON, 1, 1), (Rgb{0, 0, 0}));
}

}  // namespace
}  // namespace pixmold
