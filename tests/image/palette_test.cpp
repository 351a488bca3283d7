// Palette output: a picture with no more colours than the palette holds
// keeps every one of them exactly; only a picture with more is quantised.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "test_support.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

class Palette : public EngineTest {};

// Number `n` as a w x h picture of exactly `count` random colours, each on
// at least one pixel, in random places.
void put_colours(ImageId n, int w, int h, int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::set<std::array<std::uint8_t, 3>> chosen;
    while (int(chosen.size()) < count) chosen.insert({std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng())});
    const std::vector<std::array<std::uint8_t, 3>> colours(chosen.begin(), chosen.end());
    std::vector<int> which(std::size_t(w) * std::size_t(h));
    for (std::size_t i = 0; i < which.size(); ++i) which[i] = int(i % std::size_t(count));
    std::shuffle(which.begin(), which.end(), rng);
    ASSERT_NE(create_image(n, w, h, 24), 0u);
    const PixelView v = image_pixels(n);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const auto& c = colours[std::size_t(which[std::size_t(y) * std::size_t(w) + std::size_t(x)])];
            std::copy(c.begin(), c.end(), v.row_from_top(y) + x * 3);
        }
}

// Pixels of a live picture as B,G,R bytes, rows from the top.
std::vector<std::uint8_t> bgr_of(ImageId n) {
    const PixelView v = image_pixels(n);
    std::vector<std::uint8_t> out;
    for (int y = 0; y < v.height; ++y) out.insert(out.end(), v.row_from_top(y), v.row_from_top(y) + v.width * 3);
    return out;
}

std::size_t distinct_colours(const std::vector<std::uint8_t>& bgr) {
    std::set<std::array<std::uint8_t, 3>> seen;
    for (std::size_t i = 0; i + 2 < bgr.size(); i += 3) seen.insert({bgr[i], bgr[i + 1], bgr[i + 2]});
    return seen.size();
}

TEST_F(Palette, AsManyColoursAsThePaletteHoldsAreKeptExactly) {
    struct Case {
        int colours, depth, w, h;
    };
    // Full palettes of random colours, and fewer colours than a palette holds.
    const Case cases[] = {{2, 1, 40, 30},  {16, 4, 64, 48}, {256, 8, 96, 64}, {2, 8, 40, 30},
                          {3, 4, 40, 30}, {16, 8, 64, 48}, {200, 8, 96, 64}};
    for (const Case& c : cases)
        for (FormatTag tag : {TAG_PNG, TAG_BMP}) {
            if (tag == TAG_BMP && c.depth == 1) continue;  // read as black and white: see below
            const std::string what = std::to_string(c.colours) + " colours at " + std::to_string(c.depth) + " bits, " +
                                     (tag == TAG_PNG ? "PNG" : "BMP");
            put_colours(1, c.w, c.h, c.colours, unsigned(c.colours * 10 + c.depth));
            const std::string path = dir.file(tag == TAG_PNG ? "out.png" : "out.bmp");
            ASSERT_NE(save_image(1, path, tag, 7, c.depth), 0) << what;
            ASSERT_NE(load_image(2, path), 0u) << what;
            EXPECT_EQ(is_image(2)->source_depth, c.depth) << what;
            EXPECT_EQ(bgr_of(2), bgr_of(1)) << what;
        }
}

// A 4-bit BMP file of w x h pixels whose colour index is (x / 8 + y / 8) % 16.
std::vector<std::uint8_t> four_bit_bmp(int w, int h, const std::uint8_t (&table)[16][3]) {
    const std::uint32_t row_bytes = std::uint32_t((w * 4 + 31) / 32 * 4), offset = 54 + 16 * 4;
    std::vector<std::uint8_t> f{'B', 'M'};
    put32(f, offset + row_bytes * std::uint32_t(h));
    put32(f, 0);
    put32(f, offset);
    put32(f, 40);
    put32(f, std::uint32_t(w));
    put32(f, std::uint32_t(h));
    put16(f, 1);
    put16(f, 4);
    for (int i = 0; i < 6; ++i) put32(f, 0);
    for (const auto& c : table) f.insert(f.end(), {c[0], c[1], c[2], 0});
    for (int y = h - 1; y >= 0; --y) {  // bottom row first
        std::vector<std::uint8_t> row(row_bytes, 0);
        for (int x = 0; x < w; ++x) row[std::size_t(x / 2)] |= std::uint8_t(((x / 8 + y / 8) % 16) << (x % 2 ? 0 : 4));
        f.insert(f.end(), row.begin(), row.end());
    }
    return f;
}

TEST_F(Palette, SixteenColourBmpBecomesASixteenColourPngWithoutLoss) {
    // A 4-bit BMP keeps its depth when saved as PNG (depth -1): its 16
    // colours must all survive, close neighbours included.
    const std::uint8_t table[16][3] = {{0, 0, 0},     {255, 255, 255}, {128, 128, 128}, {130, 128, 128},
                                       {128, 131, 128}, {20, 40, 200},   {24, 40, 200},   {200, 30, 30},
                                       {30, 200, 30},  {30, 30, 200},   {250, 240, 10},  {10, 240, 250},
                                       {60, 60, 60},   {64, 60, 60},    {190, 90, 140},  {140, 90, 190}};
    write_file(dir.file("in.bmp"), four_bit_bmp(128, 128, table));
    ASSERT_NE(load_image(1, dir.file("in.bmp")), 0u);
    EXPECT_EQ(is_image(1)->source_depth, 4);
    const std::vector<std::uint8_t> source = bgr_of(1);
    ASSERT_EQ(distinct_colours(source), 16u);
    ASSERT_NE(save_image(1, dir.file("out.png"), TAG_PNG), 0);
    ASSERT_NE(load_image(2, dir.file("out.png")), 0u);
    EXPECT_EQ(is_image(2)->source_depth, 4);
    EXPECT_EQ(distinct_colours(bgr_of(2)), 16u);
    EXPECT_EQ(bgr_of(2), source);
}

TEST_F(Palette, OneBitBmpKeepsItsColoursAndReadsBackBlackAndWhite) {
    // The file holds the two colours; reading a 1-bit BMP gives black for
    // index 0 and white for index 1 whatever its table says, so the darker
    // colour must have index 0 (and a lone colour the side of the threshold).
    struct Case {
        std::uint8_t first[3], second[3];
        int first_reads_as, second_reads_as;
    };
    const Case cases[] = {{{255, 255, 255}, {0, 0, 0}, 255, 0},        // white first
                          {{200, 240, 240}, {240, 200, 200}, 255, 0},  // both light: the darker one is black
                          {{10, 10, 90}, {10, 10, 90}, 0, 0},          // one dark colour
                          {{230, 230, 230}, {230, 230, 230}, 255, 255}};
    for (const Case& c : cases) {
        ASSERT_NE(create_image(1, 16, 2, 24), 0u);
        const PixelView v = image_pixels(1);
        for (int x = 0; x < 16; ++x) {
            std::copy(c.first, c.first + 3, v.row_from_top(0) + x * 3);
            std::copy(c.second, c.second + 3, v.row_from_top(1) + x * 3);
        }
        ASSERT_NE(save_image(1, dir.file("bw.bmp"), TAG_BMP, 7, 1), 0);
        const auto f = read_file(dir.file("bw.bmp"));
        ASSERT_GE(f.size(), 62u);
        const std::set<std::array<std::uint8_t, 3>> table{{f[54], f[55], f[56]}, {f[58], f[59], f[60]}};
        EXPECT_TRUE(table.count({c.first[0], c.first[1], c.first[2]})) << int(c.first[0]);
        EXPECT_TRUE(table.count({c.second[0], c.second[1], c.second[2]})) << int(c.second[0]);
        ASSERT_NE(load_image(2, dir.file("bw.bmp")), 0u);
        EXPECT_EQ(pixel(2, 3, 0)[0], c.first_reads_as) << int(c.first[0]);
        EXPECT_EQ(pixel(2, 3, 1)[0], c.second_reads_as) << int(c.second[0]);
    }
}

TEST_F(Palette, OneColourTooManyIsQuantised) {
    // 17 well-spread colours into 16 entries: at most 16 come out, every
    // pixel near its own colour.
    put_colours(1, 120, 80, 17, 17);
    ASSERT_NE(save_image(1, dir.file("out.png"), TAG_PNG, 7, 4), 0);
    ASSERT_NE(load_image(2, dir.file("out.png")), 0u);
    EXPECT_EQ(is_image(2)->source_depth, 4);
    const auto before = bgr_of(1), after = bgr_of(2);
    EXPECT_LE(distinct_colours(after), 16u);
    ASSERT_EQ(before.size(), after.size());
    EXPECT_NE(before, after);
    double total = 0;
    for (std::size_t i = 0; i < before.size(); ++i) total += std::abs(int(before[i]) - int(after[i]));
    EXPECT_LT(total / double(before.size()), 12.0);
}

}  // namespace
}  // namespace pixmold
