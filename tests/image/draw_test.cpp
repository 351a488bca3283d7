// The drawing layer: pixel arithmetic, rectangles, blits, targets.
#include <gtest/gtest.h>

#include <cstring>

#include "image/draw.h"
#include "image/image.h"

namespace pixmold {
namespace {

class Draw : public ::testing::Test {
protected:
    void SetUp() override {
        init_image_engine();
        init_drawing();
    }
    void TearDown() override {
        end_drawing();
        free_all_images();
    }
    // A black picture of w x h made current.
    void start(int w, int h, int depth = 24, Colour fill = 0) {
        ASSERT_NE(create_image(1, w, h, depth, fill), 0u);
        ASSERT_EQ(begin_drawing(image_target(1)), 1);
    }
};

// 0x00BBGGRR of a pixel, reading memory directly.
Colour pixel(ImageId n, int x, int y) {
    const PixelView v = image_pixels(n);
    const std::uint8_t* p = v.row_from_top(y) + x * (v.depth / 8);
    return make_rgb(p[2], p[1], p[0]);
}
int alpha_byte(ImageId n, int x, int y) { return image_pixels(n).row_from_top(y)[x * 4 + 3]; }

TEST(Colours, ComposeAndSplit) {
    EXPECT_EQ(make_rgb(214, 223, 254), 0xFEDFD6);
    EXPECT_EQ(std::uint32_t(make_rgba(1, 2, 3, 255)), 0xFF030201u);
    const Colour c = make_rgba(10, 20, 30, 40);
    EXPECT_EQ(red(c), 10);
    EXPECT_EQ(green(c), 20);
    EXPECT_EQ(blue(c), 30);
    EXPECT_EQ(alpha(c), 40);
    EXPECT_EQ(alpha(make_rgb(1, 2, 3)), 0);
}

TEST_F(Draw, NegativeSizesMoveTheBoxLeftAndUp) {
    start(20, 20);
    fill_box(10, 10, -5, -5, make_rgb(255, 255, 255));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 5 && x <= 9 && y >= 5 && y <= 9;
            ASSERT_EQ(pixel(1, x, y), inside ? 0xFFFFFF : 0) << x << "," << y;
        }
}

TEST_F(Draw, OutlineDrawsTheFrameOnlyAndClips) {
    start(12, 10);
    set_drawing_mode(DRAW_OUTLINE);
    fill_box(2, 3, 6, 4, make_rgb(255, 0, 0));  // columns 2..7, rows 3..6
    fill_box(9, -2, 10, 5, make_rgb(0, 255, 0));  // frame cut by the top and right edges
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 9; ++x) {
            const bool frame = (x >= 2 && x <= 7 && (y == 3 || y == 6)) || ((x == 2 || x == 7) && y >= 3 && y <= 6);
            ASSERT_EQ(pixel(1, x, y), frame ? 0x0000FF : 0) << x << "," << y;
        }
    // Second frame: left column 9 for rows 0..2, bottom row 2; top row -2 is outside.
    EXPECT_EQ(pixel(1, 9, 0), 0x00FF00);
    EXPECT_EQ(pixel(1, 11, 2), 0x00FF00);
    EXPECT_EQ(pixel(1, 11, 1), 0);
    EXPECT_EQ(pixel(1, 10, 3), 0);
}

TEST_F(Draw, OutlineOfWidthOrHeightOneIsASingleLineWrittenOnce) {
    start(8, 8);
    // Alpha-blended outline: a pixel written twice would come out brighter.
    set_drawing_mode(DRAW_OUTLINE + DRAW_ALPHA_BLEND);
    fill_box(2, 1, 1, 5, make_rgba(255, 255, 255, 127));
    fill_box(4, 7, 3, 1, make_rgba(255, 255, 255, 127));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool column = x == 2 && y >= 1 && y <= 5;
            const bool row = y == 7 && x >= 4 && x <= 6;
            ASSERT_EQ(pixel(1, x, y), (column || row) ? 0x7F7F7F : 0) << x << "," << y;
        }
}

TEST_F(Draw, WhiteAtAlpha127VeilsBlackTo127) {
    start(6, 4);
    set_drawing_mode(DRAW_ALPHA_BLEND);
    fill_box(0, 0, 6, 4, make_rgba(255, 255, 255, 127));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) ASSERT_EQ(pixel(1, x, y), 0x7F7F7F);
}

TEST_F(Draw, SetPixelInSolidModeIgnoresAlpha) {
    start(4, 4, 24);
    set_pixel(1, 2, make_rgba(1, 2, 3, 0));
    EXPECT_EQ(get_pixel(1, 2), make_rgb(1, 2, 3));
    end_drawing();

    ASSERT_NE(create_image(2, 4, 4, 32, 0), 0u);
    image_pixels(2).row_from_top(2)[1 * 4 + 3] = 77;
    ASSERT_EQ(begin_drawing(image_target(2)), 1);
    set_pixel(1, 2, make_rgba(1, 2, 3, 200));
    EXPECT_EQ(get_pixel(1, 2), make_rgb(1, 2, 3));  // no alpha outside alpha-blend mode
    EXPECT_EQ(alpha_byte(2, 1, 2), 77);
    set_drawing_mode(DRAW_ALPHA_BLEND);
    EXPECT_EQ(get_pixel(1, 2), make_rgba(1, 2, 3, 77));
}

TEST_F(Draw, AlphaBlendOn32BitWeighsBothAlphas) {
    ASSERT_NE(create_image(3, 3, 1, 32, make_rgb(100, 100, 100)), 0u);
    const PixelView v = image_pixels(3);
    v.pixels[3] = 128;  // pixel 0: alpha 128
    v.pixels[7] = 0;    // pixel 1: fully transparent
    ASSERT_EQ(begin_drawing(image_target(3)), 1);
    set_drawing_mode(DRAW_ALPHA_BLEND);
    const Colour c = make_rgba(200, 50, 0, 64);
    set_pixel(0, 0, c);
    set_pixel(1, 0, c);
    set_pixel(2, 0, make_rgba(9, 9, 9, 0));  // alpha 0 leaves the pixel
    // (S*64*255 + 191*D*128) / (191*128 + 64*255); alpha (191*128 + 64*255) / 255.
    const int total = 191 * 128 + 64 * 255;
    EXPECT_EQ(red(pixel(3, 0, 0)), (200 * 64 * 255 + 191 * 100 * 128) / total);
    EXPECT_EQ(green(pixel(3, 0, 0)), (50 * 64 * 255 + 191 * 100 * 128) / total);
    EXPECT_EQ(blue(pixel(3, 0, 0)), (191 * 100 * 128) / total);
    EXPECT_EQ(alpha_byte(3, 0, 0), total / 255);
    EXPECT_EQ(pixel(3, 1, 0), make_rgb(200, 50, 0));
    EXPECT_EQ(alpha_byte(3, 1, 0), 64);
    EXPECT_EQ(pixel(3, 2, 0), make_rgb(100, 100, 100));
    EXPECT_EQ(alpha_byte(3, 2, 0), 255);
}

TEST_F(Draw, TopLeftPixelIsTheStartOfTheLastMemoryRow) {
    start(5, 3);
    set_pixel(0, 0, make_rgb(10, 20, 30));
    const PixelView v = image_pixels(1);
    const std::uint8_t* last = v.pixels + 2 * v.stride;
    EXPECT_EQ(last[0], 30);
    EXPECT_EQ(last[1], 20);
    EXPECT_EQ(last[2], 10);
    EXPECT_EQ(v.pixels[0], 0);
}

TEST_F(Draw, PixelsOutsideTheTargetAreNeitherReadNorWritten) {
    start(3, 3, 24, 0x050505);
    set_pixel(-1, 0, make_rgb(255, 0, 0));
    set_pixel(3, 0, make_rgb(255, 0, 0));
    set_pixel(0, 3, make_rgb(255, 0, 0));
    EXPECT_EQ(get_pixel(5, 5), 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(pixel(1, x, y), 0x050505);
}

TEST_F(Draw, PartlyOutsidePictureDrawsOnlyTheOverlap) {
    ASSERT_NE(create_image(4, 4, 4, 24), 0u);
    ASSERT_EQ(begin_drawing(image_target(4)), 1);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) set_pixel(x, y, make_rgb(x * 10 + 1, y * 10 + 1, 7));
    end_drawing();
    start(5, 5, 32, make_rgb(0, 0, 0));
    image_pixels(1).row_from_top(0)[3] = 9;  // the target keeps its alpha
    draw_image(image_handle(4), -2, -1);     // source columns 2..3, rows 1..3
    draw_image(image_handle(4), 3, 3);       // source columns 0..1, rows 0..1
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            Colour want = 0;
            if (x < 2 && y < 3) want = make_rgb((x + 2) * 10 + 1, (y + 1) * 10 + 1, 7);
            if (x >= 3 && y >= 3) want = make_rgb((x - 3) * 10 + 1, (y - 3) * 10 + 1, 7);
            ASSERT_EQ(pixel(1, x, y), want) << x << "," << y;
        }
    EXPECT_EQ(alpha_byte(1, 0, 0), 9);
    draw_image(0, 0, 0);  // null handle: nothing
    EXPECT_EQ(pixel(1, 4, 0), 0);
}

TEST_F(Draw, ScaledDrawStretchesFirst) {
    ASSERT_NE(create_image(5, 2, 2, 24, make_rgb(40, 80, 120)), 0u);
    start(10, 10);
    draw_image(image_handle(5), 1, 1, 6, 3);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 1 && x < 7 && y >= 1 && y < 4;
            ASSERT_EQ(pixel(1, x, y), inside ? make_rgb(40, 80, 120) : 0) << x << "," << y;
        }
}

TEST_F(Draw, BlendedDrawUsesAlphaTimesOpacity) {
    ASSERT_NE(create_image(6, 2, 1, 32, make_rgb(200, 100, 0)), 0u);
    image_pixels(6).pixels[3] = 128;  // left pixel half transparent; right opaque
    ASSERT_NE(create_image(7, 1, 1, 24, make_rgb(255, 255, 255)), 0u);
    start(4, 1, 24, make_rgb(0, 0, 100));
    draw_image_blended(image_handle(6), 0, 0);       // a = alpha
    draw_image_blended(image_handle(6), 2, 0, 128);  // a = 128 * alpha / 255
    draw_image_blended(image_handle(7), 3, 0, 255);  // 24-bit at 255: copied
    EXPECT_EQ(pixel(1, 0, 0), make_rgb(200 * 128 / 255, 100 * 128 / 255, 100 * 127 / 255));
    EXPECT_EQ(pixel(1, 1, 0), make_rgb(200, 100, 0));
    const int a = 128 * 128 / 255;
    EXPECT_EQ(pixel(1, 2, 0), make_rgb(200 * a / 255, 100 * a / 255, 100 * (255 - a) / 255));
    EXPECT_EQ(pixel(1, 3, 0), make_rgb(255, 255, 255));
}

TEST_F(Draw, RoundedBoxCutsItsCornersAndClampsRadii) {
    start(20, 12);
    fill_rounded_box(2, 1, 16, 10, 6, 4, make_rgb(255, 255, 255));
    EXPECT_EQ(pixel(1, 2, 1), 0);       // corner cut
    EXPECT_EQ(pixel(1, 17, 10), 0);     // opposite corner cut
    EXPECT_EQ(pixel(1, 10, 1), 0xFFFFFF);  // middle of the top edge
    EXPECT_EQ(pixel(1, 2, 6), 0xFFFFFF);   // middle of the left edge
    EXPECT_EQ(pixel(1, 1, 6), 0);
    EXPECT_EQ(pixel(1, 18, 6), 0);
    end_drawing();
    // Radii beyond half the size behave as half the size: a full ellipse.
    start(20, 12);
    fill_rounded_box(18, 11, -16, -10, 100, 100, make_rgb(255, 255, 255));
    Colour ellipse[20][12];
    for (int x = 0; x < 20; ++x)
        for (int y = 0; y < 12; ++y) ellipse[x][y] = pixel(1, x, y);
    end_drawing();
    start(20, 12);
    fill_rounded_box(2, 1, 16, 10, 8, 5, make_rgb(255, 255, 255));
    for (int x = 0; x < 20; ++x)
        for (int y = 0; y < 12; ++y) ASSERT_EQ(pixel(1, x, y), ellipse[x][y]) << x << "," << y;
    EXPECT_EQ(pixel(1, 3, 2), 0);
    EXPECT_EQ(pixel(1, 10, 6), 0xFFFFFF);
}

TEST_F(Draw, RoundedOutlineLeavesTheInsideAlone) {
    start(20, 12);
    set_drawing_mode(DRAW_OUTLINE);
    fill_rounded_box(2, 1, 16, 10, 4, 3, make_rgb(255, 255, 255));
    EXPECT_EQ(pixel(1, 10, 6), 0);
    EXPECT_EQ(pixel(1, 10, 1), 0xFFFFFF);
    EXPECT_EQ(pixel(1, 10, 10), 0xFFFFFF);
    EXPECT_EQ(pixel(1, 2, 6), 0xFFFFFF);
    EXPECT_EQ(pixel(1, 17, 6), 0xFFFFFF);
    // Every row of the frame is connected: each row has a set pixel on both sides.
    for (int y = 1; y <= 10; ++y) {
        int left = -1, right = -1;
        for (int x = 0; x < 20; ++x)
            if (pixel(1, x, y)) {
                if (left < 0) left = x;
                right = x;
            }
        EXPECT_GE(left, 2);
        EXPECT_LE(right, 17);
        EXPECT_LT(left, right);
    }
}

TEST_F(Draw, TargetsAndTheirLifecycle) {
    EXPECT_FALSE(image_target(42).has_value());
    EXPECT_EQ(begin_drawing(std::nullopt), 0);
    EXPECT_FALSE(drawing_active());
    ASSERT_NE(create_image(8, 4, 4), 0u);
    const auto target = image_target(8);
    ASSERT_TRUE(target.has_value());
    free_image(8);
    EXPECT_EQ(begin_drawing(target), 0);  // the picture went away meanwhile
    EXPECT_FALSE(drawing_active());
    fill_box(0, 0, 4, 4, 0);  // no target: nothing happens, nothing crashes

    // A canvas: 24-bit only, repainted once by end_drawing.
    std::vector<std::uint8_t> memory(3 * 12, 0);
    PixelView canvas{memory.data(), 3, 3, 24, 12, false};
    int repaints = 0;
    PixelView wrong = canvas;
    wrong.depth = 32;
    EXPECT_FALSE(canvas_target(wrong, [&] { ++repaints; }).has_value());
    ASSERT_EQ(begin_drawing(canvas_target(canvas, [&] { ++repaints; })), 1);
    fill_box(0, 0, 1, 1, make_rgb(1, 2, 3));
    EXPECT_EQ(repaints, 0);
    end_drawing();
    EXPECT_EQ(repaints, 1);
    end_drawing();
    EXPECT_EQ(repaints, 1);
    EXPECT_EQ(memory[24], 3);  // top-left pixel: last memory row, blue first
    EXPECT_EQ(memory[26], 1);
}

}  // namespace
}  // namespace pixmold
