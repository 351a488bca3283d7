// Text on drawing targets, rasterised by Qt's font engine.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstdlib>
#include <memory>

#include "image/draw.h"
#include "image/image.h"
#include "image/text.h"

namespace pixmold {
namespace {

class Text : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "image_text_tests";
        static char* argv[] = {name, nullptr};
        if (!QGuiApplication::instance()) app_ = std::make_unique<QGuiApplication>(argc, argv);
    }
    static void TearDownTestSuite() { app_.reset(); }
    void SetUp() override {
        init_image_engine();
        ASSERT_NE(create_image(1, 160, 80, 24, make_rgb(255, 255, 255)), 0u);
        ASSERT_EQ(begin_drawing(image_target(1)), 1);
        FontSpec font;
        font.face = "DejaVu Sans";
        font.pixel_size = 40;
        set_font(font);
    }
    void TearDown() override {
        end_drawing();
        free_all_images();
    }
    static Colour pixel(int x, int y) {
        const std::uint8_t* p = image_pixels(1).row_from_top(y) + 3 * x;
        return make_rgb(p[2], p[1], p[0]);
    }
    static inline std::unique_ptr<QGuiApplication> app_;
};

TEST_F(Text, CoverageStaysInsideTheMeasuredCell) {
    set_drawing_mode(DRAW_TRANSPARENT_TEXT);
    const int w = text_width("Ag"), h = text_height("Ag");
    ASSERT_GT(w, 10);
    ASSERT_GT(h, 20);
    EXPECT_EQ(draw_text(30, 12, "Ag", make_rgb(0, 0, 0)), 30 + w);
    int inside = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 160; ++x) {
            const bool in_cell = x >= 30 && x < 30 + w && y >= 12 && y < 12 + h;
            if (pixel(x, y) == 0xFFFFFF) continue;
            ASSERT_TRUE(in_cell) << "ink at " << x << "," << y;
            ++inside;
        }
    // Two letters at 40 px cover a fair share of the cell, anti-aliased.
    EXPECT_GT(inside, w * h / 8);
    // The descender of "g" reaches below the middle of the cell.
    bool low_ink = false;
    for (int y = 12 + h * 3 / 4; y < 12 + h; ++y)
        for (int x = 30; x < 30 + w; ++x) low_ink = low_ink || pixel(x, y) != 0xFFFFFF;
    EXPECT_TRUE(low_ink);
}

TEST_F(Text, SolidModeFillsTheCellWithTheBackColour) {
    const int w = text_width("Ag"), h = text_height("Ag");
    draw_text(5, 5, "Ag", make_rgb(255, 0, 0), make_rgb(0, 0, 255));
    int blue = 0, reddish = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 160; ++x) {
            const bool in_cell = x >= 5 && x < 5 + w && y >= 5 && y < 5 + h;
            const Colour c = pixel(x, y);
            if (!in_cell) {
                ASSERT_EQ(c, 0xFFFFFF) << x << "," << y;
                continue;
            }
            ASSERT_EQ(green(c), 0) << x << "," << y;  // no white left in the cell
            blue += c == make_rgb(0, 0, 255);
            reddish += red(c) > 128;
        }
    EXPECT_GT(blue, 0);
    EXPECT_GT(reddish, 0);
    // The short form's back colour fills nothing: the cell's corner stays white.
    fill_box(0, 0, 160, 80, make_rgb(255, 255, 255));
    draw_text(5, 5, "Ag", make_rgb(0, 0, 0));
    EXPECT_EQ(pixel(5, 5), 0xFFFFFF);
    EXPECT_EQ(pixel(5 + w - 1, 5), 0xFFFFFF);
}

TEST_F(Text, EmptyTextDrawsNothingAndSizesFollowTheFont) {
    EXPECT_EQ(draw_text(7, 7, "", make_rgb(0, 0, 0), make_rgb(0, 0, 0)), 7);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 160; ++x) ASSERT_EQ(pixel(x, y), 0xFFFFFF);
    const int wide = text_width("Ag Ag");
    EXPECT_GT(wide, text_width("Ag"));
    FontSpec small;
    small.face = "DejaVu Sans";
    small.pixel_size = 12;
    set_font(small);
    EXPECT_LT(text_width("Ag Ag"), wide);
    EXPECT_LT(text_height("Ag"), 30);
    // Text clipped by the target's edges still returns the full advance.
    EXPECT_EQ(draw_text(150, 75, "Ag", make_rgb(0, 0, 0)), 150 + text_width("Ag"));
}

}  // namespace
}  // namespace pixmold
