// Colour quantiser for palette output (PNG palettes, 1/4/8-bit BMP). A
// picture with no more colours than the palette holds keeps them exactly;
// otherwise a black/white threshold for 1 bit, or NeuQuant, the
// self-organising network of Dekker (1994), in double precision with an
// alpha component.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace pixmold {

struct QuantSource {
    const std::uint8_t* pixels;  // first memory row
    int width;
    int height;
    int stride;
    int bytes_per_pixel;  // 3 (B,G,R; alpha 255) or 4 (B,G,R,A)
};

struct Palette {
    std::vector<std::array<std::uint8_t, 4>> entries;  // B,G,R,A; exactly 2^bits entries
    // One index per pixel, in memory row order (row r of `indices` is memory row r).
    std::vector<std::uint8_t> indices;
};

// bits: 1..8. Empty result when the picture is empty.
Palette quantize(const QuantSource& source, int bits);

}  // namespace pixmold
