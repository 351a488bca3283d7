#include "fx/picture.h"

#include <algorithm>
#include <cstring>

#include "image/codec.h"
#include "image/file_bytes.h"

namespace pixmold {

Picture make_picture(BitmapPtr bitmap, int source_depth) {
    if (!bitmap) return {};
    return {std::shared_ptr<const Bitmap>(std::move(bitmap)), source_depth};
}

Picture load_picture(const std::string& path) {
    if (path.empty()) return {};
    FileBytes file;
    if (!file.read(path)) return {};
    // Shown and saved as it is meant to be seen: a phone photo stored on its
    // side comes upright, and so does what is saved from it.
    DecodeOptions upright;
    upright.upright = true;
    DecodedPicture decoded = decode_picture(file.bytes(), upright);
    return make_picture(std::move(decoded.bitmap), decoded.source_depth);
}

bool save_picture(const Picture& picture, const std::string& path, FormatTag format, int quality) {
    return picture && save_pixels(picture.view(), path, format, quality, picture.source_depth) != 0;
}

BitmapPtr copy_bitmap(const Bitmap& from) {
    BitmapPtr to = allocate_bitmap(from.width, from.height, from.depth, false);
    if (!to) return nullptr;
    std::memcpy(to->pixels, from.pixels, from.byte_size());
    to->is_icon = from.is_icon;
    return to;
}

BitmapPtr crop_bitmap(const Bitmap& from, int x, int y, int width, int height) {
    if (from.is_icon) return nullptr;
    BitmapPtr to = allocate_bitmap(width, height, from.depth, true);
    if (!to) return nullptr;
    const std::size_t bpp = std::size_t(from.depth / 8);
    const int x0 = std::max(x, 0), x1 = int(std::min<long long>((long long)x + width, from.width));
    const int y0 = std::max(y, 0), y1 = int(std::min<long long>((long long)y + height, from.height));
    for (int row = y0; x0 < x1 && row < y1; ++row)
        std::memcpy(to->view().row_from_top(row - y) + std::size_t(x0 - x) * bpp,
                    from.view().row_from_top(row) + std::size_t(x0) * bpp, std::size_t(x1 - x0) * bpp);
    return to;
}

}  // namespace pixmold
