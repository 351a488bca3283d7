#include "image/orient.h"

#include <cstring>

namespace pixmold {

bool orient_pixels(const PixelView& src, const PixelView& dst, int orientation) {
    if (!src || !dst || src.depth != dst.depth || (src.depth != 24 && src.depth != 32)) return false;
    if (orientation < 1 || orientation > 8) return false;
    const bool swap = orientation_swaps_sides(orientation);
    const int w = src.width, h = src.height;
    if (dst.width != (swap ? h : w) || dst.height != (swap ? w : h)) return false;
    const int bpp = src.depth / 8;

    for (int y = 0; y < dst.height; ++y) {
        std::uint8_t* out = dst.row_from_top(y);
        if (orientation == 1 || orientation == 4) {
            std::memcpy(out, src.row_from_top(orientation == 1 ? y : h - 1 - y), std::size_t(w) * std::size_t(bpp));
            continue;
        }
        if (orientation == 2 || orientation == 3) {
            const std::uint8_t* in = src.row_from_top(orientation == 2 ? y : h - 1 - y);
            for (int x = 0; x < w; ++x) std::memcpy(out + x * bpp, in + (w - 1 - x) * bpp, std::size_t(bpp));
            continue;
        }
        // Sides swapped: shown (x, y) comes from stored column sx = f(y), row sy = g(x).
        const int sx = (orientation == 5 || orientation == 6) ? y : w - 1 - y;
        const bool rows_reversed = orientation == 6 || orientation == 7;
        for (int x = 0; x < dst.width; ++x) {
            const int sy = rows_reversed ? h - 1 - x : x;
            std::memcpy(out + x * bpp, src.row_from_top(sy) + sx * bpp, std::size_t(bpp));
        }
    }
    return true;
}

}  // namespace pixmold
