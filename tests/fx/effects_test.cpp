// The effects' pixel arithmetic on pictures in the store, without widgets.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "fx/effects.h"
#include "fx/shrink.h"
#include "image/resample.h"
#include "pictures.h"

namespace pixmold {
namespace {

using test::Rgb;
using test::pixel;

constexpr ImageId PICTURE = 800, OTHER = 801;

class Effects : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        init_image_engine();
        register_all_codecs();
    }
    void TearDown() override {
        for (ImageId n : {PICTURE, OTHER}) free_image(n);
    }
    // One row of the given colours.
    PixelView row_of(std::vector<Rgb> colours, int depth = 24) {
        test::make_picture(PICTURE, int(colours.size()), 1, [&](int x, int) { return colours[std::size_t(x)]; }, depth);
        return image_pixels(PICTURE);
    }
};

TEST_F(Effects, BlackAndWhiteTakesTheTruncatedMean) {
    const PixelView v = row_of({{255, 0, 0}, {1, 1, 0}, {10, 20, 32}, {255, 255, 255}});
    black_and_white(v);
    EXPECT_EQ(pixel(v, 0, 0), (Rgb{85, 85, 85}));
    EXPECT_EQ(pixel(v, 1, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(pixel(v, 2, 0), (Rgb{20, 20, 20}));
    EXPECT_EQ(pixel(v, 3, 0), (Rgb{255, 255, 255}));
}

TEST_F(Effects, OptimisedBlackAndWhiteWeighsTheChannelsAndRoundsHalvesToEven) {
    const PixelView v = row_of({{255, 0, 0}, {255, 255, 255}, {0, 0, 255}, {0, 0, 0}});
    optimised_black_and_white(v);
    EXPECT_EQ(pixel(v, 0, 0), (Rgb{76, 76, 76}));  // 76.5 goes down to the even 76
    EXPECT_EQ(pixel(v, 1, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(pixel(v, 2, 0), (Rgb{28, 28, 28}));
    EXPECT_EQ(pixel(v, 3, 0), (Rgb{0, 0, 0}));
}

TEST_F(Effects, ToneEffectsKeepTheAlphaOfA32BitPicture) {
    test::make_picture(PICTURE, 3, 1, [](int x, int) { return Rgb{200, 100, 50 * x}; }, 32);
    const PixelView v = image_pixels(PICTURE);
    for (int x = 0; x < 3; ++x) v.row_from_top(0)[4 * x + 3] = std::uint8_t(40 * x + 1);
    black_and_white(v);
    optimised_black_and_white(v);
    FastRandom random(7);
    sepia(v, 50, 30, random);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(v.row_from_top(0)[4 * x + 3], 40 * x + 1);
}

TEST_F(Effects, SepiaOfBlackIsTheSameEverywhere) {
    // A big picture is worked on in bands side by side: each row once.
    for (auto [w, h] : {std::pair{300, 40}, {1500, 1001}}) {
        test::make_picture(PICTURE, w, h, [](int, int) { return Rgb{0, 0, 0}; });
        sepia(image_pixels(PICTURE), 50, 30, effect_random());
        const PixelView v = image_pixels(PICTURE);
        for (int y = 0; y < v.height; ++y)
            for (int x = 0; x < v.width; ++x) ASSERT_EQ(pixel(v, x, y), (Rgb{51, 31, 1})) << x << "," << y;
    }
}

// Counts of each value of each channel after sepia on a plain picture.
struct Tally {
    std::map<int, int> r, g, b;
};

Tally sepia_tally(Rgb plain, int width, int height, FastRandom& random, int depth = 24) {
    test::make_picture(PICTURE, width, height, [&](int, int) { return plain; }, depth);
    const PixelView v = image_pixels(PICTURE);
    sepia(v, 50, 30, random);
    Tally t;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixel(v, x, y);
            ++t.r[c.r], ++t.g[c.g], ++t.b[c.b];
        }
    return t;
}

TEST_F(Effects, SepiaOfWhiteStaysWithinItsRangesAndDrawsThemEvenly) {
    constexpr int pixels = 720 * 100;
    const Tally t = sepia_tally({255, 255, 255}, 720, 100, effect_random());
    EXPECT_EQ(t.r, (std::map<int, int>{{255, pixels}}));
    // Blue is 255 less 15 .. 50: 36 values, each about 1/36 of the pixels.
    ASSERT_EQ(t.b.size(), 36u);
    EXPECT_EQ(t.b.begin()->first, 205);
    EXPECT_EQ(t.b.rbegin()->first, 240);
    for (auto [value, count] : t.b) EXPECT_NEAR(count, pixels / 36, pixels / 36 / 5) << value;
    // Green is 255 less 15 .. 50 plus 30, held at 255: 16 of the 36 darkenings reach 255.
    ASSERT_EQ(t.g.size(), 21u);
    EXPECT_EQ(t.g.begin()->first, 235);
    EXPECT_NEAR(t.g.at(255), pixels * 16 / 36, pixels / 36);
}

TEST_F(Effects, SepiaOfGreyDarkensRedBy25To30) {
    const Tally t = sepia_tally({100, 100, 100}, 360, 50, effect_random());
    EXPECT_EQ(t.r.size(), 6u);
    EXPECT_EQ(t.r.begin()->first, 100 - 30 + 50);
    EXPECT_EQ(t.r.rbegin()->first, 100 - 25 + 50);
    EXPECT_EQ(t.g.begin()->first, 100 - 50 + 30);
    EXPECT_EQ(t.b.rbegin()->first, 100 - 15);
}

TEST_F(Effects, SepiaDiffersFromRunToRunButNotBetweenDepths) {
    FastRandom a(12345), b(12345);
    const Tally once = sepia_tally({120, 130, 140}, 64, 64, a);
    test::make_picture(OTHER, 64, 64, [](int, int) { return Rgb{120, 130, 140}; }, 32);
    sepia(image_pixels(OTHER), 50, 30, b);
    const PixelView v24 = image_pixels(PICTURE), v32 = image_pixels(OTHER);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) ASSERT_EQ(pixel(v24, x, y), pixel(v32, x, y));

    // The process's own generator is not seeded afresh for each run.
    test::make_picture(OTHER, 64, 64, [](int, int) { return Rgb{120, 130, 140}; });
    sepia(image_pixels(PICTURE), 50, 30, effect_random());
    sepia(image_pixels(OTHER), 50, 30, effect_random());
    EXPECT_NE(test::bytes_of(PICTURE), test::bytes_of(OTHER));
    (void)once;
}

TEST_F(Effects, ShrinkingForThePreviewGivesEachBlockItsMean) {
    // Blocks of one colour each, on a picture big enough to be shrunk in
    // bands side by side, and a partial last column and row of blocks.
    const auto block_colour = [](int bx, int by) { return Rgb{bx * 7 % 256, by * 5 % 256, (bx + by) * 3 % 256}; };
    for (auto [w, h] : {std::pair{60, 44}, {2403, 1805}}) {
        test::make_picture(PICTURE, w, h, [&](int x, int y) { return block_colour(x / 8, y / 8); });
        test::make_picture(OTHER, (w + 7) / 8, (h + 7) / 8, [](int, int) { return Rgb{0, 0, 0}; });
        box_shrink(image_pixels(PICTURE), image_pixels(OTHER), 8);
        const PixelView out = image_pixels(OTHER);
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x) ASSERT_EQ(pixel(out, x, y), block_colour(x, y)) << x << "," << y;
    }
}

TEST_F(Effects, FastRandomStaysWithinBothBounds) {
    FastRandom random(99);
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) seen.insert(random.between(25, 30));
    EXPECT_EQ(seen, (std::set<int>{25, 26, 27, 28, 29, 30}));
    EXPECT_EQ(random.between(7, 7), 7);
}

TEST_F(Effects, BorderIsOnePointFivePercentOfTheWidth) {
    EXPECT_EQ(border_thickness(1000, 600), 15);
    EXPECT_EQ(border_thickness(30, 200), 0);  // 0.45
    EXPECT_EQ(border_thickness(2000, 1500), 30);
}

TEST_F(Effects, BorderOfAThinOrShortPictureLeavesOnePixelInside) {
    EXPECT_EQ(border_thickness(1000, 3), 1);
    EXPECT_EQ(border_thickness(1000, 2), 0);
    EXPECT_EQ(border_thickness(1000, 1), 0);
    EXPECT_EQ(border_thickness(1000, 20), 9);
    EXPECT_EQ(border_thickness(3, 1000), 0);  // 0.045 of 3 is 0 anyway
}

TEST_F(Effects, BorderFramesTheShrunkPicture) {
    test::make_picture(PICTURE, 1000, 600, test::gradient);
    copy_image(PICTURE, OTHER);
    const Colour blue = make_rgb(10, 20, 250);
    ASSERT_TRUE(add_border(image_pixels(OTHER), image_pixels(PICTURE), 15, blue));
    const PixelView v = image_pixels(PICTURE);
    EXPECT_EQ(v.width, 1000);
    EXPECT_EQ(v.height, 600);
    for (auto [x, y] : {std::pair{0, 0}, {14, 300}, {500, 14}, {985, 300}, {999, 599}, {500, 585}})
        EXPECT_EQ(pixel(v, x, y), (Rgb{10, 20, 250})) << x << "," << y;
    // The inside is the whole picture resized to 970 x 570.
    ASSERT_TRUE(resize_image(OTHER, 970, 570));
    const PixelView inside = image_pixels(OTHER);
    for (int y = 0; y < 570; y += 7)
        for (int x = 0; x < 970; x += 11) ASSERT_EQ(pixel(v, x + 15, y + 15), pixel(inside, x, y)) << x << "," << y;
}

TEST_F(Effects, ZeroBorderRedrawsThePictureUnchanged) {
    test::make_picture(PICTURE, 30, 20, test::gradient);
    copy_image(PICTURE, OTHER);
    const auto before = test::bytes_of(PICTURE);
    ASSERT_TRUE(add_border(image_pixels(OTHER), image_pixels(PICTURE), border_thickness(30, 20), make_rgb(255, 0, 0)));
    EXPECT_EQ(test::bytes_of(PICTURE), before);
}

TEST_F(Effects, BorderShowsItsColourThroughTransparentPixels) {
    test::make_picture(PICTURE, 200, 100, [](int, int) { return Rgb{0, 0, 0}; }, 32);
    const PixelView v = image_pixels(PICTURE);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) v.row_from_top(y)[4 * x + 3] = x < 100 ? 255 : 0;
    copy_image(PICTURE, OTHER);
    ASSERT_TRUE(add_border(image_pixels(OTHER), image_pixels(PICTURE), 3, make_rgb(0, 200, 0)));
    EXPECT_EQ(pixel(v, 1, 50), (Rgb{0, 200, 0}));
    EXPECT_EQ(pixel(v, 40, 50), (Rgb{0, 0, 0}));      // opaque black inside
    EXPECT_EQ(pixel(v, 160, 50), (Rgb{0, 200, 0}));   // transparent inside: the colour beneath
}

}  // namespace
}  // namespace pixmold
