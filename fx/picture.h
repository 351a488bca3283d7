// The editor's pictures as values, and what is done to whole pictures: each
// a function from pictures to a new picture (or a file), touching nothing
// else, so that it may run on any thread.
#pragma once

#include <memory>
#include <string>

#include "image/bitmap.h"
#include "image/image.h"

namespace pixmold {

// A picture the editor holds. Its pixels never change once it is made, so
// holders share them: the picture being edited, the pending result and the
// Cancel copy are often one picture held three times.
struct Picture {
    std::shared_ptr<const Bitmap> bitmap;
    int source_depth = 0;  // bits per pixel of the file it came from: the depth Save writes

    explicit operator bool() const { return bitmap != nullptr; }
    PixelView view() const { return bitmap ? bitmap->view() : PixelView{}; }
    int width() const { return bitmap ? bitmap->width : 0; }
    int height() const { return bitmap ? bitmap->height : 0; }
};

// A new picture from pixels made for it; empty for none.
Picture make_picture(BitmapPtr bitmap, int source_depth);

// The file at `path` (UTF-8) decoded and turned upright; empty when it
// cannot be read or decoded.
Picture load_picture(const std::string& path);

// Writes the picture at its source depth as `format` (PNG or JPEG at
// `quality` 0..10); the encoder writes aside and renames, so a failure
// leaves a file of that name intact. False when nothing was written.
bool save_picture(const Picture& picture, const std::string& path, FormatTag format, int quality);

// An independent copy (an icon stays an icon); null without memory.
BitmapPtr copy_bitmap(const Bitmap& from);

// The width x height rectangle whose top-left corner is (x, y); what lies
// outside `from` comes out black. Null for an icon, a bad size or no memory.
BitmapPtr crop_bitmap(const Bitmap& from, int x, int y, int width, int height);

}  // namespace pixmold
