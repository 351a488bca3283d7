// TGA decoder: true colour (types 2 and 10) at 16, 24 and 32 bits, stored
// from the top or from the bottom, left-to-right or right-to-left.
#include <algorithm>
#include <cstring>

#include "image/codec_internal.h"

namespace pixmold {
namespace {

bool tga_check(DecodeContext& ctx) {
    const std::uint8_t* d = ctx.data;
    if (ctx.size <= 17) return false;
    if (d[1] > 1 || (d[2] != 2 && d[2] != 10)) return false;
    const int bits = d[16];
    if (bits != 16 && bits != 24 && bits != 32) return false;
    ctx.width = int(read_u16(d, ctx.size, 12));
    ctx.height = int(read_u16(d, ctx.size, 14));
    ctx.source_depth = bits;
    ctx.depth = bits == 32 ? 32 : 24;
    return true;
}

// One stored pixel into the output (3 or 4 bytes).
inline void put_pixel(const std::uint8_t* s, int bits, std::uint8_t* o) {
    if (bits == 16) {
        const unsigned v = unsigned(s[0]) | unsigned(s[1]) << 8;
        o[0] = std::uint8_t((v & 0x1F) << 3);
        o[1] = std::uint8_t(((v >> 5) & 0x1F) << 3);
        o[2] = std::uint8_t(((v >> 10) & 0x1F) << 3);
    } else {
        std::memcpy(o, s, std::size_t(bits / 8));
    }
}

bool tga_decode(DecodeContext& ctx, const DecodeTarget& target) {
    const std::uint8_t* d = ctx.data;
    const std::size_t n = ctx.size;
    const int w = ctx.width, h = ctx.height, bits = d[16];
    const std::size_t in_bpp = std::size_t(bits / 8), out_bpp = std::size_t(ctx.depth / 8);
    const bool rle = d[2] == 10;
    const bool from_top = d[17] & 0x20;
    const bool right_to_left = d[17] & 0x10;
    // Colour-map entries of 15 bits take 2 bytes each, like those of 16.
    const std::size_t map_bytes = d[1] ? std::size_t(read_u16(d, n, 5)) * ((std::size_t(d[7]) + 7) / 8) : 0;
    std::size_t at = 18 + std::size_t(d[0]) + map_bytes;
    if (at > n) return false;

    const std::size_t total = std::size_t(w) * std::size_t(h);
    if (!rle && (n - at) / in_bpp < total) return false;  // truncated

    // Stored pixel i sits in stored row i / w, column i % w.
    auto out = [&](std::size_t i) {
        const int row = int(i / std::size_t(w));
        int col = int(i % std::size_t(w));
        if (right_to_left) col = w - 1 - col;
        return target.row(from_top ? row : h - 1 - row) + std::size_t(col) * out_bpp;
    };

    if (!rle) {
        for (int row = 0; row < h; ++row) {
            if (ctx.cancelled()) return false;
            for (int col = 0; col < w; ++col, at += in_bpp)
                put_pixel(d + at, bits, out(std::size_t(row) * std::size_t(w) + std::size_t(col)));
        }
        return true;
    }
    // Packets may run across rows. Data that ends before the last pixel is a
    // truncated file: failure rather than a picture with a black remainder.
    std::size_t i = 0;
    while (i < total && at < n) {
        if ((i & 0xFFFF) == 0 && ctx.cancelled()) return false;
        const unsigned header = d[at++];
        const std::size_t count = std::min<std::size_t>((header & 0x7F) + 1, total - i);
        if (header & 0x80) {
            if (n - at < in_bpp) break;
            for (std::size_t k = 0; k < count; ++k) put_pixel(d + at, bits, out(i++));
            at += in_bpp;
        } else {
            const std::size_t literal = (header & 0x7F) + 1;
            if ((n - at) / in_bpp < literal) break;
            for (std::size_t k = 0; k < count; ++k) put_pixel(d + at + k * in_bpp, bits, out(i++));
            at += literal * in_bpp;
        }
    }
    return i == total;
}

}  // namespace

const Decoder kTgaDecoder{tga_check, tga_decode, TAG_TGA};

}  // namespace pixmold
