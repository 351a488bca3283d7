// Resampling into a new bitmap, and resize_image, which swaps one in for a
// stored picture.
#include "image/resample.h"
#include "image/store_internal.h"

namespace pixmold {

ImageHandle resize_image(ImageId number, int width, int height, int mode) {
    // The source stays ours while it is read, whatever other threads do
    // with the number meanwhile.
    const std::optional<HeldPicture> held = hold_picture(number);
    if (!held) return 0;
    const Image* record = &held->image;
    const PixelRef& src = held->pixels;
    if (!src || src.is_icon || record->format_tag == TAG_ICON) return 0;
    if (width == KEEP_SIZE) width = src.width;
    if (height == KEEP_SIZE) height = src.height;
    if (width == src.width && height == src.height) return record->handle;
    // A size the picture record cannot hold is refused before anything is
    // touched: losing the picture over a bad argument helps nobody.
    if (width < 1 || height < 1 || width > MAX_IMAGE_SIDE || height > MAX_IMAGE_SIDE) return 0;

    const int source_depth = record->source_depth;
    const FormatTag tag = record->format_tag;
    // Success or not, the old pixels go; on failure the number becomes empty.
    return store_bitmap(number, resize_bitmap(src, width, height, mode), source_depth, tag);
}

BitmapPtr resize_bitmap(const PixelView& src, int width, int height, int mode, int threads,
                        const std::atomic<bool>* cancel, PictureExtent extent) {
    BitmapPtr fresh = allocate_bitmap(width, height, src.depth, false);
    if (!fresh || !resize_pixels(src, fresh->view(), mode, threads, cancel, extent)) return nullptr;
    // Encoders that copy whole rows should not see stale memory.
    clear_row_padding(*fresh);
    return fresh;
}

}  // namespace pixmold
