// Colour values of the drawing layer: 0xAABBGGRR, red in the low byte.
// A 24-bit colour has alpha 0.
#pragma once

#include <cstdint>

namespace pixmold {

using Colour = std::int32_t;

constexpr Colour make_rgb(int r, int g, int b) {
    return Colour(std::uint32_t(r & 255) | std::uint32_t(g & 255) << 8 | std::uint32_t(b & 255) << 16);
}
constexpr Colour make_rgba(int r, int g, int b, int a) {
    return Colour(std::uint32_t(make_rgb(r, g, b)) | std::uint32_t(a & 255) << 24);
}
constexpr int red(Colour c) { return int(std::uint32_t(c) & 255); }
constexpr int green(Colour c) { return int(std::uint32_t(c) >> 8 & 255); }
constexpr int blue(Colour c) { return int(std::uint32_t(c) >> 16 & 255); }
constexpr int alpha(Colour c) { return int(std::uint32_t(c) >> 24 & 255); }

}  // namespace pixmold
