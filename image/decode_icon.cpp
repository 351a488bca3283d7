// Icon files: one entry (the deepest of those sized like the first) decoded
// into a 32-bit picture. Entries are BMP-style (colour bits plus an AND mask)
// or PNG.
#include <array>
#include <cstring>

#include "image/bitmap.h"
#include "image/codec_internal.h"

namespace pixmold {

bool is_icon_data(const std::uint8_t* data, std::size_t size) {
    return size >= 6 && read_u16(data, size, 0) == 0 && read_u16(data, size, 2) == 1;
}

namespace {

// A BMP-style entry: information header, colour table, colour rows, AND mask.
BitmapPtr decode_dib_entry(const std::uint8_t* d, std::size_t n) {
    const std::uint32_t header_size = read_u32(d, n, 0);
    if (header_size < 40 || header_size > n) return nullptr;
    const std::int32_t width = std::int32_t(read_u32(d, n, 4));
    const std::int32_t double_height = std::int32_t(read_u32(d, n, 8));
    const int bits = int(read_u16(d, n, 14));
    const std::uint32_t compression = read_u32(d, n, 16);
    std::uint32_t used = read_u32(d, n, 32);
    if (width <= 0 || double_height <= 1 || compression != 0) return nullptr;
    const int height = double_height / 2;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return nullptr;

    std::array<std::uint8_t[3], 256> palette{};
    std::size_t at = header_size;
    if (bits <= 8) {
        const std::size_t count = (used && used <= (1u << bits)) ? used : (std::size_t(1) << bits);
        if (count * 4 > n - at) return nullptr;
        for (std::size_t i = 0; i < count; ++i) std::memcpy(palette[i], d + at + i * 4, 3);
        at += count * 4;
    }
    const std::size_t colour_row = stride_for(width, bits), mask_row = stride_for(width, 1);
    if (colour_row == 0 || height > MAX_IMAGE_SIDE) return nullptr;
    const std::size_t colour_bytes = colour_row * std::size_t(height);
    if (colour_bytes > n - at) return nullptr;
    const std::uint8_t* colours = d + at;
    // Some 32-bit entries carry no mask; their alpha is all there is.
    const bool has_mask = mask_row * std::size_t(height) <= n - at - colour_bytes;
    const std::uint8_t* mask = has_mask ? colours + colour_bytes : nullptr;
    if (!mask && bits != 32) return nullptr;

    BitmapPtr bitmap = allocate_bitmap(width, height, 32, true);
    if (!bitmap) return nullptr;
    bool any_alpha = false;
    for (int r = 0; r < height; ++r) {  // stored bottom-up, like the picture memory
        const std::uint8_t* s = colours + std::size_t(r) * colour_row;
        std::uint8_t* o = bitmap->row(r);
        for (int x = 0; x < width; ++x, o += 4) {
            switch (bits) {
            case 1: std::memcpy(o, palette[(s[x >> 3] >> (7 - (x & 7))) & 1], 3); break;
            case 4: std::memcpy(o, palette[(x & 1) ? s[x >> 1] & 0x0F : s[x >> 1] >> 4], 3); break;
            case 8: std::memcpy(o, palette[s[x]], 3); break;
            case 24: std::memcpy(o, s + x * 3, 3); break;
            case 32:
                std::memcpy(o, s + x * 4, 4);
                any_alpha = any_alpha || o[3] != 0;
                break;
            }
        }
    }
    if (bits == 32 && any_alpha) return bitmap;
    // Opacity from the AND mask: a set bit is transparent.
    for (int r = 0; r < height; ++r) {
        const std::uint8_t* m = mask ? mask + std::size_t(r) * mask_row : nullptr;
        std::uint8_t* o = bitmap->row(r);
        for (int x = 0; x < width; ++x, o += 4) o[3] = (m && ((m[x >> 3] >> (7 - (x & 7))) & 1)) ? 0 : 255;
    }
    return bitmap;
}

}  // namespace

BitmapPtr decode_icon(const std::uint8_t* d, std::size_t n) {
    const std::uint32_t count = read_u16(d, n, 4);
    if (count == 0 || 6 + std::size_t(count) * 16 > n) return nullptr;
    // Among the entries sized like the first, the one with the most bits per
    // pixel; the earlier one on ties.
    const std::uint8_t* first = d + 6;
    std::size_t chosen = 0;
    std::uint32_t best_bits = read_u16(first, 16, 6);
    for (std::size_t i = 1; i < count; ++i) {
        const std::uint8_t* e = d + 6 + i * 16;
        if (e[0] != first[0] || e[1] != first[1]) continue;
        const std::uint32_t bits = read_u16(e, 16, 6);
        if (bits > best_bits) {
            best_bits = bits;
            chosen = i;
        }
    }
    const std::uint8_t* entry = d + 6 + chosen * 16;
    const std::uint32_t size = read_u32(entry, 16, 8), offset = read_u32(entry, 16, 12);
    if (offset > n || size > n - offset || size < 8) return nullptr;
    const std::uint8_t* data = d + offset;
    static const std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    BitmapPtr bitmap = std::memcmp(data, kPngSignature, 8) == 0 ? decode_png_to_bgra(data, size)
                                                                  : decode_dib_entry(data, size);
    if (bitmap) bitmap->is_icon = true;
    return bitmap;
}

}  // namespace pixmold
