// Pixmold image engine: a picture owned by its holder, outside the numbered
// store, for work that needs no number (decode, resize, turn, encode).
// Pixels follow the store's layout (image/image.h): bottom-up rows, stride a
// multiple of 4, depth 24 (B,G,R) or 32 (B,G,R,A).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "image/image.h"

namespace pixmold {

struct Bitmap {
    std::uint8_t* pixels = nullptr;  // at least 64-byte aligned, stride * height bytes
    std::size_t mapped_bytes = 0;    // non-zero: the pixels are an anonymous mapping
    int width = 0;
    int height = 0;
    int depth = 0;   // 24 or 32
    int stride = 0;
    bool is_icon = false;

    Bitmap() = default;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    ~Bitmap();

    std::size_t byte_size() const { return std::size_t(stride) * std::size_t(height); }
    std::uint8_t* row(int memory_row) const { return pixels + std::size_t(memory_row) * std::size_t(stride); }
    // The pixels as a view, valid while the bitmap lives.
    PixelView view() const { return {pixels, width, height, depth, stride, is_icon}; }
};

using BitmapPtr = std::unique_ptr<Bitmap>;

// A bottom-up bitmap of 1..32767 square pixels at depth 24 or 32, or null
// (bad size or depth, or no memory). `zero` clears the pixels.
BitmapPtr allocate_bitmap(int width, int height, int depth, bool zero = true);

// A bitmap whose pixels the caller is about to write in full (a resize or
// turn target): they are left uninitialised, only the row padding is cleared.
BitmapPtr allocate_bitmap_for_overwrite(int width, int height, int depth);

// Clears the bytes past each row's last pixel, which carry no meaning but
// should not hold stale memory that encoders copying whole rows could see.
void clear_row_padding(const Bitmap& bitmap);

}  // namespace pixmold
