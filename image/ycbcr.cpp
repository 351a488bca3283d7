#include "image/ycbcr.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pixmold {
namespace {

struct Weights {
    double kr, kb;
};

std::optional<Weights> weights_of(int matrix) {
    switch (matrix) {
    case 1: return Weights{0.2126, 0.0722};
    case 2:  // unstated: what HEIF readers take
    case 5:
    case 6: return Weights{0.299, 0.114};
    case 4: return Weights{0.30, 0.11};
    case 7: return Weights{0.212, 0.087};
    case 9: return Weights{0.2627, 0.0593};
    default: return std::nullopt;
    }
}

bool covers(const YccPlane& plane, int width, int height) {
    return plane.data && plane.width >= width && plane.height >= height && plane.stride > 0;
}

inline int sample(const YccPlane& plane, int bytes, int x, int y) {
    const std::uint8_t* row = plane.data + std::size_t(y) * std::size_t(plane.stride);
    if (bytes == 1) return row[x];
    std::uint16_t v;
    std::memcpy(&v, row + std::size_t(x) * 2, 2);
    return v;
}

inline std::uint8_t clamp8(std::int32_t fixed) { return std::uint8_t(std::clamp(fixed >> 16, 0, 255)); }

}  // namespace

std::optional<YccConverter> YccConverter::make(const YccPicture& picture, int matrix, bool full_range) {
    if (picture.bits < 8 || picture.bits > 16 || picture.width <= 0 || picture.height <= 0) return std::nullopt;
    if (!covers(picture.y, picture.width, picture.height)) return std::nullopt;
    YccConverter c;
    c.p_ = picture;
    std::optional<Weights> w = weights_of(matrix);
    if (!picture.monochrome && !w) return std::nullopt;
    if (!w) w = Weights{0.299, 0.114};
    if (!picture.monochrome) {
        const int cw = (picture.width + (1 << picture.chroma_shift_x) - 1) >> picture.chroma_shift_x;
        const int ch = (picture.height + (1 << picture.chroma_shift_y) - 1) >> picture.chroma_shift_y;
        if (!covers(picture.cb, cw, ch) || !covers(picture.cr, cw, ch)) return std::nullopt;
    }
    if (picture.alpha.data &&
        (picture.alpha_bits < 1 || picture.alpha_bits > 16 || !covers(picture.alpha, picture.width, picture.height)))
        return std::nullopt;

    const int values = 1 << picture.bits;
    const double scale = double(1 << (picture.bits - 8));
    const double max = values - 1;
    const double to_fixed = 255.0 * 65536.0;
    const auto luma = [&](int v) { return full_range ? v / max : (v - 16 * scale) / (219 * scale); };
    const auto chroma = [&](int v) { return full_range ? (v - values / 2) / max : (v - 128 * scale) / (224 * scale); };
    const double kg = 1 - w->kr - w->kb;
    c.luma_.resize(std::size_t(values));
    c.red_from_cr_.resize(std::size_t(values));
    c.green_from_cb_.resize(std::size_t(values));
    c.green_from_cr_.resize(std::size_t(values));
    c.blue_from_cb_.resize(std::size_t(values));
    for (int v = 0; v < values; ++v) {
        const auto i = std::size_t(v);
        // Half a step added once, here, rounds every sum to the nearest level.
        c.luma_[i] = std::int32_t(std::lround(luma(v) * to_fixed)) + 32768;
        const double chroma_value = chroma(v);
        c.red_from_cr_[i] = std::int32_t(std::lround(2 * (1 - w->kr) * chroma_value * to_fixed));
        c.blue_from_cb_[i] = std::int32_t(std::lround(2 * (1 - w->kb) * chroma_value * to_fixed));
        c.green_from_cb_[i] = std::int32_t(std::lround(-2 * w->kb * (1 - w->kb) / kg * chroma_value * to_fixed));
        c.green_from_cr_[i] = std::int32_t(std::lround(-2 * w->kr * (1 - w->kr) / kg * chroma_value * to_fixed));
    }
    if (picture.alpha.data) {
        const int alpha_values = 1 << picture.alpha_bits;
        c.alpha_.resize(std::size_t(alpha_values));
        for (int v = 0; v < alpha_values; ++v)
            c.alpha_[std::size_t(v)] = std::uint8_t(std::lround(v * 255.0 / (alpha_values - 1)));
    }
    return c;
}

void YccConverter::row(int y, std::uint8_t* out, bool with_alpha) const {
    const int bytes = p_.bits > 8 ? 2 : 1;
    const int step = with_alpha ? 4 : 3;
    const int mask = (1 << p_.bits) - 1;  // samples beyond the stated depth are damaged data
    const int cy = y >> p_.chroma_shift_y;
    const int sx = p_.chroma_shift_x;
    const std::int32_t* luma = luma_.data();
    if (p_.monochrome) {
        for (int x = 0; x < p_.width; ++x, out += step) out[0] = out[1] = out[2] = clamp8(luma[sample(p_.y, bytes, x, y) & mask]);
    } else if (bytes == 1) {
        const std::uint8_t* ys = p_.y.data + std::size_t(y) * std::size_t(p_.y.stride);
        const std::uint8_t* cbs = p_.cb.data + std::size_t(cy) * std::size_t(p_.cb.stride);
        const std::uint8_t* crs = p_.cr.data + std::size_t(cy) * std::size_t(p_.cr.stride);
        for (int x = 0; x < p_.width; ++x, out += step) {
            const std::int32_t l = luma[ys[x]];
            const int cb = cbs[x >> sx], cr = crs[x >> sx];
            out[0] = clamp8(l + blue_from_cb_[std::size_t(cb)]);
            out[1] = clamp8(l + green_from_cb_[std::size_t(cb)] + green_from_cr_[std::size_t(cr)]);
            out[2] = clamp8(l + red_from_cr_[std::size_t(cr)]);
        }
    } else {
        for (int x = 0; x < p_.width; ++x, out += step) {
            const std::int32_t l = luma[sample(p_.y, 2, x, y) & mask];
            const auto cb = std::size_t(sample(p_.cb, 2, x >> sx, cy) & mask);
            const auto cr = std::size_t(sample(p_.cr, 2, x >> sx, cy) & mask);
            out[0] = clamp8(l + blue_from_cb_[cb]);
            out[1] = clamp8(l + green_from_cb_[cb] + green_from_cr_[cr]);
            out[2] = clamp8(l + red_from_cr_[cr]);
        }
    }
    if (!with_alpha) return;
    out -= std::size_t(p_.width) * 4;
    if (!p_.alpha.data) {
        for (int x = 0; x < p_.width; ++x) out[x * 4 + 3] = 255;
        return;
    }
    const int alpha_bytes = p_.alpha_bits > 8 ? 2 : 1;
    const int alpha_mask = (1 << p_.alpha_bits) - 1;
    for (int x = 0; x < p_.width; ++x) out[x * 4 + 3] = alpha_[std::size_t(sample(p_.alpha, alpha_bytes, x, y) & alpha_mask)];
}

}  // namespace pixmold
