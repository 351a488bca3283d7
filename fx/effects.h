// The pixel arithmetic of the picture effects, on a picture's memory. No
// widgets and no shared state: each function changes the picture it is given
// and nothing else, so several may run at once on different pictures.
// Pictures are 24 or 32 bits; a 32-bit picture keeps its alpha channel.
#pragma once

#include <cstdint>

#include "image/colour.h"
#include "image/image.h"

namespace pixmold {

// A fast uniform generator for effects that draw per pixel: draw n of the
// stream is a keyed integer hash (Wellons' lowbias32) of n, so a block of
// draws comes out of a loop the compiler vectorises. Period 2^32 draws.
class FastRandom {
public:
    explicit FastRandom(std::uint64_t seed)
        : key_(std::uint32_t(seed ^ (seed >> 32))), next_(std::uint32_t(seed >> 16)) {}
    // Draw number n, uniform over 32 bits.
    std::uint32_t at(std::uint32_t n) const {
        std::uint32_t x = n * 0x9e3779b9U ^ key_;
        x ^= x >> 16;
        x *= 0x7feb352dU;
        x ^= x >> 15;
        x *= 0x846ca68bU;
        return x ^ (x >> 16);
    }
    // Takes the next `count` draws of the stream; returns the first one's number.
    std::uint32_t take(std::uint32_t count) {
        const std::uint32_t first = next_;
        next_ += count;
        return first;
    }
    // `draw` turned into low + a value below `range`, exactly uniform: the
    // few draws that would favour some values are replaced by fresh ones.
    int in_range(std::uint32_t draw, int low, std::uint32_t range) {
        std::uint64_t m = std::uint64_t(draw) * range;
        if (std::uint32_t(m) < range) [[unlikely]] {
            const std::uint32_t threshold = (0u - range) % range;
            while (std::uint32_t(m) < threshold) m = std::uint64_t(at(take(1))) * range;
        }
        return low + int(m >> 32);
    }
    // The next draw, uniform in low .. high, both included (high - low < 2^31).
    int between(int low, int high) { return in_range(at(take(1)), low, std::uint32_t(high - low) + 1); }

private:
    std::uint32_t key_;
    std::uint32_t next_;
};

// The calling thread's generator for the sepia effect, seeded once per thread.
FastRandom& effect_random();

// m = (R + G + B) div 3 in every channel.
void black_and_white(const PixelView& picture);
// 0.30 R + 0.59 G + 0.11 B in double precision, rounded half to even.
void optimised_black_and_white(const PixelView& picture);
// Sepia ageing: from m = (R + G + B) div 3 less a random darkening per
// channel (red 25..30, green and blue 15..50, three draws per pixel in that
// order), at least 1, then red + red_offset and green + green_offset, each
// kept within 255.
void sepia(const PixelView& picture, int red_offset, int green_offset, FastRandom& random);

// The border for a picture: 0.015 of its width, rounded half to even, but
// never so thick that nothing of the picture stays inside.
int border_thickness(int width, int height);
// Frames a 24-bit picture: `to`, the size of `from`, becomes `from` shrunk
// by 2 t in each direction, at (t, t), inside a band of `colour` t wide.
// The two must not overlap. False (`to` unspecified) when the resampling failed.
bool frame_picture(const PixelView& from, const PixelView& to, int thickness, Colour colour);

// Frames `from` into `to`, a picture of the same size and depth that holds
// a copy of `from`'s pixels, as frame_picture does. A 32-bit picture is
// filled with `colour` and the shrunk copy composited by its alpha, so the
// colour shows through where the picture is transparent. False (`to`
// unspecified) when a step failed.
bool add_border(const PixelView& from, const PixelView& to, int thickness, Colour colour);

}  // namespace pixmold
