// BMP decoder: 1/4/8-bit indexed (plain, RLE4, RLE8), 16-bit (5-5-5 or bit
// fields), 24-bit and 32-bit (plain or bit fields), bottom-up or top-down.
// Output is always 24-bit; alpha in 32-bit files is dropped.
#include <algorithm>
#include <array>
#include <cstring>

#include "image/codec_internal.h"

namespace pixmold {
namespace {

enum : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

struct Header {
    std::uint32_t header_size = 0;
    std::uint32_t pixel_offset = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative: top-down rows
    int bits = 0;
    std::uint32_t compression = 0;
    std::uint32_t colours_used = 0;
    bool core = false;  // 12-byte OS/2 header: 3-byte colour table entries
};

bool read_header(const std::uint8_t* d, std::size_t n, Header& h) {
    if (n < 30 || d[0] != 'B' || d[1] != 'M') return false;
    if (read_u16(d, n, 6) != 0 || read_u16(d, n, 8) != 0) return false;
    h.pixel_offset = read_u32(d, n, 10);
    h.header_size = read_u32(d, n, 14);
    if (h.header_size == 12) {
        h.core = true;
        h.width = read_u16(d, n, 18);
        h.height = std::int16_t(read_u16(d, n, 20));
        h.bits = int(read_u16(d, n, 24));
        return true;
    }
    h.width = std::int32_t(read_u32(d, n, 18));
    h.height = std::int32_t(read_u32(d, n, 22));
    h.bits = int(read_u16(d, n, 28));
    h.compression = read_u32(d, n, 30);
    h.colours_used = read_u32(d, n, 46);
    return true;
}

struct Mask {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    std::uint8_t apply(std::uint32_t v) const {
        if (!mask) return 0;
        const std::uint32_t x = (v & mask) >> shift;
        // Short fields are widened by shifting left (5 bits: << 3, 6 bits: << 2).
        return bits >= 8 ? std::uint8_t(x >> (bits - 8)) : std::uint8_t(x << (8 - bits));
    }
};

Mask make_mask(std::uint32_t m) {
    Mask r;
    r.mask = m;
    if (!m) return r;
    while (!((m >> r.shift) & 1)) ++r.shift;
    std::uint32_t v = m >> r.shift;
    while (v & 1) {
        ++r.bits;
        v >>= 1;
    }
    r.mask = ((r.bits >= 32 ? 0xFFFFFFFFu : ((1u << r.bits) - 1)) << r.shift);
    return r;
}

struct BmpState : DecoderState {
    Header header;
};

bool bmp_check(DecodeContext& ctx) {
    Header h;
    if (!read_header(ctx.data, ctx.size, h)) return false;
    ctx.width = int(std::clamp<std::int64_t>(h.width, -1, 1 << 20));
    ctx.height = int(std::clamp<std::int64_t>(h.height < 0 ? -h.height : h.height, -1, 1 << 20));
    ctx.depth = 24;
    ctx.source_depth = h.bits;
    ctx.needs_zeroed_pixels = (h.bits == 8 && h.compression == kRle8) || (h.bits == 4 && h.compression == kRle4);
    auto state = std::make_unique<BmpState>();
    state->header = h;
    ctx.state = std::move(state);
    return true;
}

bool decode_rle(const DecodeContext& ctx, const Header& h, const std::array<std::uint8_t[3], 256>& palette,
                const DecodeTarget& target, bool four_bit) {
    const std::uint8_t* d = ctx.data;
    const std::size_t n = ctx.size;
    std::size_t at = h.pixel_offset;
    const int w = ctx.width, height = ctx.height;
    const bool top_down = h.height < 0;
    int x = 0, row = 0;  // row counts from the first stored row
    auto put = [&](int index) {
        if (x >= 0 && x < w && row >= 0 && row < height) {
            const int y_from_top = top_down ? row : height - 1 - row;
            std::memcpy(target.row(y_from_top) + std::size_t(x) * 3, palette[std::size_t(index)], 3);
        }
        ++x;
    };
    bool ended = false;
    while (at + 2 <= n) {
        if (ctx.cancelled()) return false;
        const int count = d[at], value = d[at + 1];
        at += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i) put(four_bit ? ((i & 1) ? value & 0x0F : value >> 4) : value);
        } else if (value == 0) {
            x = 0;
            ++row;
        } else if (value == 1) {
            ended = true;
            break;
        } else if (value == 2) {
            if (at + 2 > n) break;
            x += d[at];
            row += d[at + 1];
            at += 2;
        } else {
            const std::size_t bytes = four_bit ? (std::size_t(value) + 1) / 2 : std::size_t(value);
            if (at + bytes > n) break;
            for (int i = 0; i < value; ++i) {
                const int b = four_bit ? d[at + std::size_t(i) / 2] : d[at + std::size_t(i)];
                put(four_bit ? ((i & 1) ? b & 0x0F : b >> 4) : b);
            }
            at += (bytes + 1) & ~std::size_t(1);
        }
        if (row >= height) {
            ended = true;
            break;
        }
    }
    // Data that stops before the end-of-picture code is a truncated file.
    return ended;
}

bool bmp_decode(DecodeContext& ctx, const DecodeTarget& target) {
    const Header& h = static_cast<BmpState&>(*ctx.state).header;
    const std::uint8_t* d = ctx.data;
    const std::size_t n = ctx.size;
    const int w = ctx.width, height = ctx.height, bits = h.bits;

    // Colour table: zero-filled so indices past its end give black.
    std::array<std::uint8_t[3], 256> palette{};
    if (bits <= 8) {
        const std::size_t entry = h.core ? 3 : 4;
        std::size_t count = (h.colours_used && !h.core) ? h.colours_used : (std::size_t(1) << bits);
        count = std::min<std::size_t>(count, 256);
        const std::size_t table = 14 + std::size_t(h.header_size);
        for (std::size_t i = 0; i < count && table + (i + 1) * entry <= n; ++i)
            std::memcpy(palette[i], d + table + i * entry, 3);
    }

    if ((bits == 8 && h.compression == kRle8) || (bits == 4 && h.compression == kRle4))
        return decode_rle(ctx, h, palette, target, bits == 4);

    Mask red, green, blue;
    if (bits == 16 || bits == 32) {
        if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
            // The masks follow a 40-byte header, or sit inside a larger one: offset 54 either way.
            if (n < 66) return false;
            red = make_mask(read_u32(d, n, 54));
            green = make_mask(read_u32(d, n, 58));
            blue = make_mask(read_u32(d, n, 62));
        } else if (h.compression == kRgb) {
            red = make_mask(bits == 16 ? 0x7C00 : 0xFF0000);
            green = make_mask(bits == 16 ? 0x03E0 : 0x00FF00);
            blue = make_mask(bits == 16 ? 0x001F : 0x0000FF);
        } else {
            return false;
        }
    } else if (bits == 24) {
        // any compression value: the bytes are copied as they are
    } else if (bits == 1 || bits == 4 || bits == 8) {
        if (h.compression != kRgb) return false;
    } else {
        return false;  // no such layout: nothing would be decoded
    }

    const std::size_t row_bytes = stride_for(w, bits);
    if (row_bytes == 0 || h.pixel_offset > n) return false;
    // A last row may omit its padding; anything shorter is truncated data.
    const std::size_t needed = row_bytes * std::size_t(height - 1) + (std::size_t(w) * std::size_t(bits) + 7) / 8;
    if (n - h.pixel_offset < needed) return false;

    for (int r = 0; r < height; ++r) {
        if (ctx.cancelled()) return false;
        const std::uint8_t* s = d + h.pixel_offset + std::size_t(r) * row_bytes;
        std::uint8_t* o = target.row(h.height < 0 ? r : height - 1 - r);
        switch (bits) {
        case 1:
            // Black and white whatever the colour table says.
            for (int x = 0; x < w; ++x) {
                const std::uint8_t v = (s[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
                o[x * 3] = o[x * 3 + 1] = o[x * 3 + 2] = v;
            }
            break;
        case 4:
            for (int x = 0; x < w; ++x) std::memcpy(o + x * 3, palette[(x & 1) ? s[x >> 1] & 0x0F : s[x >> 1] >> 4], 3);
            break;
        case 8:
            for (int x = 0; x < w; ++x) std::memcpy(o + x * 3, palette[s[x]], 3);
            break;
        case 16:
            for (int x = 0; x < w; ++x) {
                const std::uint32_t v = std::uint32_t(s[x * 2]) | std::uint32_t(s[x * 2 + 1]) << 8;
                o[x * 3] = blue.apply(v);
                o[x * 3 + 1] = green.apply(v);
                o[x * 3 + 2] = red.apply(v);
            }
            break;
        case 24:
            std::memcpy(o, s, std::size_t(w) * 3);
            break;
        case 32:
            for (int x = 0; x < w; ++x) {
                const std::uint32_t v = std::uint32_t(s[x * 4]) | std::uint32_t(s[x * 4 + 1]) << 8 |
                                        std::uint32_t(s[x * 4 + 2]) << 16 | std::uint32_t(s[x * 4 + 3]) << 24;
                o[x * 3] = blue.apply(v);
                o[x * 3 + 1] = green.apply(v);
                o[x * 3 + 2] = red.apply(v);
            }
            break;
        }
    }
    return true;
}

}  // namespace

const Decoder kBmpDecoder{bmp_check, bmp_decode, TAG_BMP};

}  // namespace pixmold
