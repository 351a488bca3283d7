// Pictures with known pixels for the editor's tests.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "image/codec.h"
#include "image/image.h"

namespace pixmold::test {

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

inline Rgb pixel(const PixelView& v, int x, int y) {
    const std::uint8_t* p = v.row_from_top(y) + std::size_t(x) * std::size_t(v.depth / 8);
    return {p[2], p[1], p[0]};
}

inline void set_pixel_at(const PixelView& v, int x, int y, Rgb c, int alpha = 255) {
    std::uint8_t* p = v.row_from_top(y) + std::size_t(x) * std::size_t(v.depth / 8);
    p[0] = std::uint8_t(c.b), p[1] = std::uint8_t(c.g), p[2] = std::uint8_t(c.r);
    if (v.depth == 32) p[3] = std::uint8_t(alpha);
}

// A gradient whose pixels tell where they are.
inline Rgb gradient(int x, int y) { return {x % 256, y % 256, (x * 7 + y * 3) % 256}; }

// A picture in the store, every pixel from `colour`.
inline void make_picture(ImageId number, int width, int height, const std::function<Rgb(int, int)>& colour,
                         int depth = 24) {
    create_image(number, width, height, depth, 0);
    const PixelView v = image_pixels(number);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) set_pixel_at(v, x, y, colour(x, y));
}

// The same as a PNG file.
inline std::string picture_file(const std::string& path, int width, int height,
                                const std::function<Rgb(int, int)>& colour) {
    constexpr ImageId scratch = 990;
    make_picture(scratch, width, height, colour);
    save_image(scratch, path, TAG_PNG);
    free_image(scratch);
    return path;
}

// Every pixel byte of a picture, rows from the top, without row padding.
inline std::vector<std::uint8_t> bytes_of(const PixelView& v) {
    std::vector<std::uint8_t> out;
    if (!v) return out;
    const std::size_t row = std::size_t(v.width) * std::size_t(v.depth / 8);
    for (int y = 0; y < v.height; ++y) out.insert(out.end(), v.row_from_top(y), v.row_from_top(y) + row);
    return out;
}

inline std::vector<std::uint8_t> bytes_of(ImageId number) { return bytes_of(image_pixels(number)); }

}  // namespace pixmold::test
