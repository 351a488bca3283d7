// Pixmold image engine: resampling a picture to a new pixel size.
//
// Smooth mode uses a separable Mitchell-Netravali cubic (B = C = 1/3), the
// pass that leaves fewer pixels first, each pass rounding to bytes.
//   * 32-bit pictures: the exact double-precision filter, all four channels
//     alike (straight alpha). The result is the same byte for byte whatever
//     the thread count or the instruction set the machine offers.
//   * 24-bit pictures: the same filter on blue, green and red in fast
//     single-precision and fixed-point arithmetic; an axis that keeps its size is copied, not filtered.
//     Every byte is within one level of the double-precision filter (when
//     both axes change, the first pass gives exactly its bytes). The result
//     does not depend on the thread count or the instruction set.
// Raw mode takes one source pixel per destination pixel (nearest centre).
//
// Each worker thread makes a band of output rows from start to finish, so
// the memory used beyond the source and destination pixels is the
// contribution tables and, per thread, a few rows (a ring of the rows the
// column filter reads plus a batch of eight, or one row filtered down the
// columns) and a short stretch of eight rows turned on their side.
#pragma once

#include <atomic>
#include <cstddef>

#include "image/bitmap.h"
#include "image/image.h"

namespace pixmold {

inline constexpr int RESIZE_SMOOTH = 0;
inline constexpr int RESIZE_RAW = 1;  // any non-zero mode is raw
inline constexpr int KEEP_SIZE = -65535;

// Resizes picture `number` in place. KEEP_SIZE as width or height keeps that
// dimension. Returns the new handle, the unchanged handle when the size does
// not change, and 0 on failure:
//   * no picture, an icon, or a size outside 1..32767: nothing changes;
//   * no memory for the new pixels or the intermediate buffer: the picture
//     is lost and the number becomes empty.
ImageHandle resize_image(ImageId number, int width, int height, int mode = RESIZE_SMOOTH);

// Resamples the whole of `src` onto the whole of `dst` (both 24-bit or both
// 32-bit, bottom-up, any sizes, not overlapping). `threads` <= 0 means resample_threads().
// `extent` is how much of `src` the picture fills (a partial last column or
// row counts for what it holds, and the picture may begin inside the first
// ones: PictureExtent): that much is mapped onto the whole of `dst`.
// Returns false (dst contents unspecified) when the views do not match, the
// extent does not fit the source, a temporary buffer cannot be allocated,
// or when `cancel` is set before it finishes (it is polled once per output
// row). Safe to call from several threads at once on different pictures.
bool resize_pixels(const PixelView& src, const PixelView& dst, int mode = RESIZE_SMOOTH, int threads = 0,
                   const std::atomic<bool>* cancel = nullptr, PictureExtent extent = {});

// resize_pixels into a new bitmap of width x height at the depth of `src`,
// its row padding cleared; null when resize_pixels fails or there is no
// memory for the bitmap.
BitmapPtr resize_bitmap(const PixelView& src, int width, int height, int mode = RESIZE_SMOOTH, int threads = 0,
                        const std::atomic<bool>* cancel = nullptr, PictureExtent extent = {});

// Worker threads for one resize: PIXMOLD_THREADS when it holds a positive
// number, otherwise the number of hardware threads (at least 1).
int resample_threads();

}  // namespace pixmold
