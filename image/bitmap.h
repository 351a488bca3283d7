// Engine-internal: the pixel buffer behind a picture handle, and the hook the
// decoders use to put a finished picture into the store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

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
};

using BitmapPtr = std::unique_ptr<Bitmap>;

// A bottom-up bitmap of 1..32767 square pixels at depth 24 or 32, or null
// (bad size or depth, or no memory). `zero` clears the pixels.
BitmapPtr allocate_bitmap(int width, int height, int depth, bool zero = true);

// Puts a finished bitmap under `number` (ANY_NUMBER: a fresh identifier),
// freeing whatever the number held. A null bitmap just empties the number.
// Returns the handle result.
ImageHandle store_bitmap(ImageId number, BitmapPtr bitmap, int source_depth, FormatTag tag);

// A picture's record together with a share in its pixels, both read at
// once, or nothing when the number holds no picture.
struct HeldPicture {
    Image image;
    PixelRef pixels;
};
std::optional<HeldPicture> hold_picture(ImageId number);

// A scratch block (a whole file being decoded, for instance) drawn from the
// same recycled memory as big pictures, so reading a photo does not make
// the kernel clear tens of megabytes first. Contents start undefined.
class ScratchBuffer {
public:
    explicit ScratchBuffer(std::size_t bytes);
    ScratchBuffer(const ScratchBuffer&) = delete;
    ScratchBuffer& operator=(const ScratchBuffer&) = delete;
    ~ScratchBuffer();
    std::uint8_t* data() const { return data_; }  // null when out of memory

private:
    std::uint8_t* data_ = nullptr;
    std::size_t mapped_ = 0;
};

// Frees the picture a number holds but keeps the slot (a list identifier
// stays valid), so a creating operation can release memory before it needs more.
void clear_number(ImageId number);

}  // namespace pixmold
