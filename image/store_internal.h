// Engine-internal: how decoders and store operations put a finished bitmap
// into the numbered store and take a share in one, and the recycled memory
// big pictures and whole files are read into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "image/bitmap.h"
#include "image/image.h"

namespace pixmold {

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
