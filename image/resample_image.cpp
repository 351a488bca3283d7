// resize_image: resamples a stored picture into a new bitmap and swaps it in.
#include <cstring>

#include "image/bitmap.h"
#include "image/resample.h"

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
    BitmapPtr fresh = allocate_bitmap(width, height, src.depth, false);
    if (fresh) {
        PixelView dst;
        dst.pixels = fresh->pixels;
        dst.width = fresh->width;
        dst.height = fresh->height;
        dst.depth = fresh->depth;
        dst.stride = fresh->stride;
        if (resize_pixels(src, dst, mode)) {
            // Row padding of a 24-bit picture means nothing, but encoders
            // that copy whole rows should not see stale memory.
            const int used = dst.width * (dst.depth / 8);
            if (used < dst.stride)
                for (int y = 0; y < dst.height; ++y)
                    std::memset(fresh->row(y) + used, 0, std::size_t(dst.stride - used));
        } else {
            fresh.reset();
        }
    }
    // Success or not, the old pixels go; on failure the number becomes empty.
    return store_bitmap(number, std::move(fresh), source_depth, tag);
}

}  // namespace pixmold
