// Pixmold image engine: resampling a picture that arrives a few rows at a
// time, top row first, as a decoder gives them.
//
// The bytes are those of resize_pixels in smooth mode (image/resample.h),
// but the source is never held whole: besides the filter tables the
// resampler keeps a ring of the rows that one or two output rows read, plus
// a batch, so a picture of any size is resampled in the memory of a few of
// its rows. Output rows are written into `dst` as soon as the rows they read
// have come.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "image/image.h"

namespace pixmold {

class RowResampler {
public:
    RowResampler();
    ~RowResampler();
    RowResampler(const RowResampler&) = delete;
    RowResampler& operator=(const RowResampler&) = delete;

    // Sets up resampling of a src_width x src_height picture of `depth` bits
    // (24 or 32) onto the whole of `dst`, which must have the same depth and
    // stay alive until the last row is put; `extent` as for resize_pixels.
    // False when a size, the depth or the extent does not fit, or memory is
    // short.
    bool start(int src_width, int src_height, int depth, const PixelView& dst, PictureExtent extent = {});
    // The same onto a picture of dst_width x dst_height that is never held
    // whole: its rows go to `out` as they are made, top first, a few at a
    // time (`rows` valid during the call); false from `out` fails put().
    using RowsOut = std::function<bool(const std::uint8_t* const* rows, int n)>;
    bool start(int src_width, int src_height, int depth, int dst_width, int dst_height, RowsOut out,
               PictureExtent extent = {});
    // Bytes from each row's start that put() may read: every row handed
    // over must be readable that far (whatever lies past its pixels).
    std::size_t row_reach() const;
    // The next `n` rows of the picture, from the top; rows[k] is the k-th.
    // False after a failed start, for rows past the picture's last, or when
    // memory is short.
    bool put(const std::uint8_t* const* rows, int n);
    // Whether every source row has come, so that `dst` is complete.
    bool complete() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// About the most a RowResampler holds for such a resize (tables and rows),
// for memory budgets.
std::uint64_t row_resampler_bytes(int src_width, int src_height, int dst_width, int dst_height, int depth);

}  // namespace pixmold
