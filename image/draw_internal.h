// Engine-internal: the per-thread drawing surface, shared by the drawing
// layer and its text module.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "image/draw.h"

namespace pixmold::draw {

struct DrawingSurface {
    std::uint8_t* pixels = nullptr;
    int stride = 0;
    int bytes_per_pixel = 3;
    int width = 0;
    int height = 0;
    int origin_x = 0;
    int origin_y = 0;
    Colour front_colour = -1;
    Colour back_colour = -1;
    int mode = 0;
    std::optional<FontSpec> font;
    std::function<void()> finish;
    std::shared_ptr<const void> owner;  // a share in a picture target's pixels

    // Prepared front colour: channels, and for alpha blending the weight a
    // and the channels times a.
    int r = 0, g = 0, b = 0, a = 0;
    int ra = 0, ga = 0, ba = 0;

    // Address of target pixel (x, y) counted from the top, origin applied.
    std::uint8_t* at(int x, int y) const {
        return pixels + std::ptrdiff_t(height - 1 - y) * stride + std::ptrdiff_t(x) * bytes_per_pixel;
    }
    void prepare(Colour colour);
};

// The calling thread's current surface, or nullptr.
DrawingSurface* current_surface();

// Writes one pixel of the prepared colour in the surface's mode. (x, y) is
// already inside the target.
void write_pixel(DrawingSurface& s, std::uint8_t* p);
// Blends colour channels (r, g, b) into p with weight w (0..255); the alpha
// byte of a 32-bit target stays.
inline void blend_pixel(std::uint8_t* p, int r, int g, int b, int w) {
    p[0] = std::uint8_t((b * w + p[0] * (255 - w)) / 255);
    p[1] = std::uint8_t((g * w + p[1] * (255 - w)) / 255);
    p[2] = std::uint8_t((r * w + p[2] * (255 - w)) / 255);
}

}  // namespace pixmold::draw
