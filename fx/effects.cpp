#include "fx/effects.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <random>
#include <vector>

#include "fx/row_bands.h"
#include "image/bitmap.h"
#include "image/draw.h"
#include "image/resample.h"

namespace pixmold {

namespace {

// (R + G + B) div 3 for every sum of three bytes.
const std::array<std::uint8_t, 766>& thirds() {
    static const auto table = [] {
        std::array<std::uint8_t, 766> t{};
        for (int sum = 0; sum < 766; ++sum) t[std::size_t(sum)] = std::uint8_t(sum / 3);
        return t;
    }();
    return table;
}

// Visits every pixel as B, G, R bytes; the alpha byte of a 32-bit picture
// is never touched.
template <typename Recolour>
void for_each_pixel(const PixelView& picture, Recolour recolour) {
    if (!picture || picture.is_icon || (picture.depth != 24 && picture.depth != 32)) return;
    const int step = picture.depth / 8;
    over_row_bands(std::size_t(picture.stride) * std::size_t(picture.height), picture.height, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            std::uint8_t* p = picture.row_from_top(y);
            for (int x = 0; x < picture.width; ++x, p += step) recolour(p);
        }
    });
}

}  // namespace

FastRandom& effect_random() {
    // No fixed seed: two runs of the effect on the same picture differ.
    thread_local FastRandom random(std::random_device{}() ^
                                   std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    return random;
}

void black_and_white(const PixelView& picture) {
    const auto& third = thirds();
    for_each_pixel(picture, [&third](std::uint8_t* p) {
        const std::uint8_t m = third[std::size_t(p[0] + p[1] + p[2])];
        p[0] = p[1] = p[2] = m;
    });
}

void optimised_black_and_white(const PixelView& picture) {
    // The products of each weight, as the per-pixel sum takes them.
    static const auto weighted = [] {
        std::array<std::array<double, 256>, 3> w{};
        for (int v = 0; v < 256; ++v) {
            w[0][std::size_t(v)] = 0.30 * v;
            w[1][std::size_t(v)] = 0.59 * v;
            w[2][std::size_t(v)] = 0.11 * v;
        }
        return w;
    }();
    // Adding and taking away 2^52 rounds a small positive double to the
    // nearest integer, ties to even, in the default rounding mode.
    constexpr double round_to_integer = 4503599627370496.0;
    for_each_pixel(picture, [](std::uint8_t* p) {
        double t = weighted[0][p[2]] + weighted[1][p[1]] + weighted[2][p[0]] + 0.0;
        t = (t + round_to_integer) - round_to_integer;
        const auto grey = std::uint8_t(int(t));
        p[0] = p[1] = p[2] = grey;
    });
}

namespace {

constexpr int SEPIA_RED_LOW = 25, SEPIA_RED_RANGE = 6;      // 25 .. 30
constexpr int SEPIA_OTHER_LOW = 15, SEPIA_OTHER_RANGE = 36;  // 15 .. 50

// A row's darkenings in the row's byte order (blue, green, red of each
// pixel) from draws first .. first + count - 1: byte i takes draw
// order[i], as low[i] + a value below range[i]. False when a draw might
// favour some values, and the row must take the careful way. (A loop the
// compiler vectorises.)
#if defined(__x86_64__)
__attribute__((target_clones("avx2", "default")))
#endif
bool darkenings(const FastRandom& random, std::uint32_t first, const std::uint32_t* order,
                const std::uint32_t* range, const std::uint8_t* low, std::uint8_t* dark, std::size_t count) {
    std::uint32_t low_products = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t product = std::uint64_t(random.at(first + order[i])) * range[i];
        low_products |= std::uint32_t(std::uint32_t(product) < range[i]);
        dark[i] = std::uint8_t(low[i] + std::uint8_t(product >> 32));
    }
    return low_products == 0;
}

// One byte of sepia from its grey value: darkened but at least 1, then the
// channel's offset added, held at 255.
inline std::uint8_t sepia_byte(int grey, int darkening, int offset) {
    return std::uint8_t(std::min(std::max(grey - darkening, 1) + offset, 255));
}

#if defined(__x86_64__)
__attribute__((target_clones("avx2", "default")))
#endif
void sepia_bytes(std::uint8_t* row, const std::uint8_t* dark, const std::uint8_t* offset, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) row[i] = sepia_byte(row[i], dark[i], offset[i]);
}

}  // namespace

void sepia(const PixelView& picture, int red_offset, int green_offset, FastRandom& random) {
    if (!picture || picture.is_icon || (picture.depth != 24 && picture.depth != 32)) return;
    const int step = picture.depth / 8;
    // Per byte of a 24-bit row, blue, green, red: which of the pixel's three
    // draws (red, green, blue darkening, in this order) it takes, the
    // darkening's range and the channel's offset.
    const std::size_t count = std::size_t(picture.width) * 3;
    std::vector<std::uint32_t> order(count), range(count);
    std::vector<std::uint8_t> low(count), offset(count);
    for (std::size_t i = 0; i < count; i += 3) {
        order[i] = std::uint32_t(i + 2), order[i + 1] = std::uint32_t(i + 1), order[i + 2] = std::uint32_t(i);
        range[i] = range[i + 1] = SEPIA_OTHER_RANGE, range[i + 2] = SEPIA_RED_RANGE;
        low[i] = low[i + 1] = SEPIA_OTHER_LOW, low[i + 2] = SEPIA_RED_LOW;
        offset[i] = 0, offset[i + 1] = std::uint8_t(std::clamp(green_offset, 0, 255));
        offset[i + 2] = std::uint8_t(std::clamp(red_offset, 0, 255));
    }
    // Row y takes draws first + y * count onwards. A row whose draws might
    // favour some values takes fresh ones, from the stream, once the others
    // are done.
    const std::uint32_t first = random.take(std::uint32_t(count * std::size_t(picture.height)));
    const auto row_first = [&](int y) { return first + std::uint32_t(count * std::size_t(y)); };
    const PixelView row_view{nullptr, picture.width, 1, picture.depth, picture.stride, false};
    const auto colour_row = [&](int y, const std::uint8_t* dark) {
        // m = (R + G + B) div 3 in every channel first, as black and white does.
        PixelView row = row_view;
        row.pixels = picture.row_from_top(y);
        black_and_white(row);
        if (step == 3) {
            sepia_bytes(row.pixels, dark, offset.data(), count);
        } else {
            std::uint8_t* p = row.pixels;
            for (std::size_t i = 0; i < count; i += 3, p += 4)
                for (int c = 0; c < 3; ++c) p[c] = sepia_byte(p[c], dark[i + std::size_t(c)], offset[i + std::size_t(c)]);
        }
    };
    std::vector<char> careful(std::size_t(picture.height), 0);
    over_row_bands(std::size_t(picture.stride) * std::size_t(picture.height), picture.height, [&](int begin, int end) {
        std::vector<std::uint8_t> dark(count);
        for (int y = begin; y < end; ++y) {
            if (darkenings(random, row_first(y), order.data(), range.data(), low.data(), dark.data(), count))
                colour_row(y, dark.data());
            else
                careful[std::size_t(y)] = 1;
        }
    });
    std::vector<std::uint8_t> dark(count);
    for (int y = 0; y < picture.height; ++y) {
        if (!careful[std::size_t(y)]) continue;
        for (std::size_t i = 0; i < count; ++i)
            dark[i] = std::uint8_t(random.in_range(random.at(row_first(y) + order[i]), low[i], range[i]));
        colour_row(y, dark.data());
    }
}

int border_thickness(int width, int height) {
    const int t = int(std::nearbyint(0.015 * width));
    // At least one pixel of the picture stays inside in each direction.
    const int most = (std::min(width, height) - 1) / 2;
    return std::clamp(t, 0, std::max(most, 0));
}

namespace {

void fill_band(int width, int height, int thickness, Colour colour) {
    set_drawing_mode(DRAW_SOLID);
    fill_box(0, 0, width, thickness, colour);
    fill_box(0, height - thickness, width, thickness, colour);
    fill_box(0, thickness, thickness, height - 2 * thickness, colour);
    fill_box(width - thickness, thickness, thickness, height - 2 * thickness, colour);
}

}  // namespace

bool frame_picture(const PixelView& from, const PixelView& to, int thickness, Colour colour) {
    const int inner_width = to.width - 2 * thickness, inner_height = to.height - 2 * thickness;
    if (from.depth != 24 || to.depth != 24 || inner_width < 1 || inner_height < 1 || thickness < 0) return false;
    // The inside is resampled straight into place: rows bottom-up, so the
    // inner rectangle's first memory row is `thickness` rows up.
    PixelView inner = to;
    inner.pixels = to.pixels + std::size_t(thickness) * std::size_t(to.stride) + std::size_t(thickness) * 3;
    inner.width = inner_width;
    inner.height = inner_height;
    if (!resize_pixels(from, inner, RESIZE_SMOOTH)) return false;
    if (thickness == 0) return true;
    if (!begin_drawing(canvas_target(to, {}))) return false;
    fill_band(to.width, to.height, thickness, colour);
    end_drawing();
    return true;
}

bool add_border(const PixelView& from, const PixelView& to, int thickness, Colour colour) {
    if (!from || !to || to.is_icon || from.width != to.width || from.height != to.height || from.depth != to.depth)
        return false;
    const int inner_width = to.width - 2 * thickness, inner_height = to.height - 2 * thickness;
    if (inner_width < 1 || inner_height < 1 || thickness < 0) return false;
    if (to.depth == 24) return frame_picture(from, to, thickness, colour);

    // 32 bits: the colour shows through the inside where it is transparent.
    BitmapPtr inside = allocate_bitmap_for_overwrite(inner_width, inner_height, to.depth);
    bool framed = inside && resize_pixels(from, inside->view(), RESIZE_SMOOTH);
    // `to` holds the picture's own alpha, which the fill keeps and the blend
    // builds on.
    framed = framed && begin_drawing(DrawingTarget{0, to, {}}) != 0;
    if (framed) {
        set_drawing_mode(DRAW_SOLID);
        fill_box(0, 0, to.width, to.height, colour);
        draw_pixels_blended(inside->view(), thickness, thickness, 255);
        end_drawing();
    }
    return framed;
}

}  // namespace pixmold
