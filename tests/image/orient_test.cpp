#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/orient.h"
#include "oriented_pictures.h"

namespace pixmold {
namespace {

using test::shown_position;

// A bottom-up picture in plain memory with every pixel distinct.
struct Buffer {
    std::vector<std::uint8_t> bytes;
    PixelView view;
    Buffer(int w, int h, int depth) {
        const int stride = depth == 24 ? (w * 3 + 3) / 4 * 4 : w * 4;
        bytes.assign(std::size_t(stride) * std::size_t(h), 0xEE);
        view = PixelView{bytes.data(), w, h, depth, stride, false};
    }
    std::uint8_t* at(int x, int y) const { return view.row_from_top(y) + x * (view.depth / 8); }
    void fill_distinct() {
        for (int y = 0; y < view.height; ++y)
            for (int x = 0; x < view.width; ++x)
                for (int c = 0; c < view.depth / 8; ++c) at(x, y)[c] = std::uint8_t(x * 16 + y + c * 101);
    }
    bool same_pixel(int x, int y, const Buffer& o, int ox, int oy) const {
        return std::memcmp(at(x, y), o.at(ox, oy), std::size_t(view.depth / 8)) == 0;
    }
};

TEST(Orient, EveryOrientationBothDepthsOddSizes) {
    for (int depth : {24, 32}) {
        const int w = 5, h = 3;  // odd widths exercise the row padding of 24-bit memory
        Buffer src(w, h, depth);
        src.fill_distinct();
        for (int o = 1; o <= 8; ++o) {
            const bool swap = orientation_swaps_sides(o);
            Buffer dst(swap ? h : w, swap ? w : h, depth);
            ASSERT_TRUE(orient_pixels(src.view, dst.view, o)) << o;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const auto [sx, sy] = shown_position(o, x, y, w, h);
                    EXPECT_TRUE(src.same_pixel(x, y, dst, sx, sy)) << "o=" << o << " depth=" << depth << " " << x << "," << y;
                }
        }
    }
}

TEST(Orient, TopLeftCornerLandsWhereTheTurnSays) {
    Buffer src(4, 2, 24);
    src.fill_distinct();
    Buffer cw(2, 4, 24), ccw(2, 4, 24), half(4, 2, 24);
    ASSERT_TRUE(orient_pixels(src.view, cw.view, 6));
    ASSERT_TRUE(orient_pixels(src.view, ccw.view, 8));
    ASSERT_TRUE(orient_pixels(src.view, half.view, 3));
    EXPECT_TRUE(src.same_pixel(0, 0, cw, 1, 0));   // clockwise: top-left goes top-right
    EXPECT_TRUE(src.same_pixel(0, 0, ccw, 0, 3));  // counter-clockwise: bottom-left
    EXPECT_TRUE(src.same_pixel(0, 0, half, 3, 1));
}

TEST(Orient, RefusesMismatchedViews) {
    Buffer src(4, 2, 24), wrong(4, 2, 24), deep(2, 4, 32), right(2, 4, 24);
    EXPECT_FALSE(orient_pixels(src.view, wrong.view, 6));  // sides not swapped
    EXPECT_FALSE(orient_pixels(src.view, deep.view, 6));   // depth differs
    EXPECT_FALSE(orient_pixels(src.view, right.view, 9));
    EXPECT_FALSE(orient_pixels(src.view, right.view, 0));
    EXPECT_FALSE(orient_pixels(PixelView{}, right.view, 6));
    EXPECT_TRUE(orient_pixels(src.view, right.view, 6));
}

}  // namespace
}  // namespace pixmold
