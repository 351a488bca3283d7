// Engine-internal: how a smooth resize is planned (which pass runs first,
// the tables of each pass), shared by the whole-picture resampler and the
// one that takes rows as a decoder gives them, so both give the same bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "image/image.h"
#include "image/resample_internal.h"

namespace pixmold::resample {

// The part of the source that the picture fills along one axis: `length`
// pixels from `start` on, in source pixels.
struct Span {
    double start, length;
    bool whole(int n) const { return start == 0 && length == n; }
};
// Rows are bottom-up, so a partial last picture row is the first memory row,
// and the picture's top is `top` below the end of the last one.
struct Extent {
    Span x, y;
    bool starts_inside;
    Extent(int width, int height, const PictureExtent& e)
        : x{e.left, e.width == 0 ? double(width) : e.width},
          y{height - e.top - (e.height == 0 ? double(height) : e.height), e.height == 0 ? double(height) : e.height},
          starts_inside(e.left >= 0 && e.left < 1 && e.top >= 0 && e.top < 1) {}
    bool fits(int width, int height) const {
        return starts_inside && x.length > width - 1 && x.length <= width && y.length > height - 1 && y.length <= height;
    }
    bool whole(int width, int height) const { return x.whole(width) && y.whole(height); }
};

// Which pass runs first: the one that leaves fewer pixels for the second.
inline bool columns_first(int src_width, int src_height, int dst_width, int dst_height) {
    return std::int64_t(dst_height) * src_width < std::int64_t(dst_width) * src_height;
}

// The column filter's weights for output rows y and, when `two`, y + 1 over
// the union of their windows, input rows [lo, lo + n). A row outside one
// output's own window has weight 0 for it, which leaves it out exactly, so
// both rows come from one pass over the input rows.
struct ColumnPair {
    int lo = 0, n = 0;
    int b_first = 0, a_end = 0;  // rows [0, b_first) feed only a, [a_end, n) only b
    std::vector<double> wa, wb;

    // Room for the widest union of any two neighbouring windows; false when
    // memory is short.
    bool reserve(const Contributions& down) {
        int widest = 1;
        for (int y = 0; y < down.n_out; ++y) widest = std::max(widest, set_window(down, y, y + 1 < down.n_out));
        try {
            wa.assign(std::size_t(widest), 0.0);
            wb.assign(std::size_t(widest), 0.0);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    int widest() const { return int(wa.size()); }

    void set(const Contributions& down, int y, bool two) {
        set_window(down, y, two);
        std::fill(wa.begin(), wa.end(), 0.0);
        std::fill(wb.begin(), wb.end(), 0.0);
        b_first = 0;
        a_end = n;
        if (two) {
            // Windows move forward: only the ends belong to one output.
            const int la = down.left[std::size_t(y)], lb = down.left[std::size_t(y + 1)];
            const int ea = la + down.count[std::size_t(y)], eb = lb + down.count[std::size_t(y + 1)];
            if (la <= lb && ea <= eb && lb <= ea) {
                b_first = lb - lo;
                a_end = ea - lo;
            }
        }
        for (int pass = 0; pass < (two ? 2 : 1); ++pass) {
            const std::size_t out = std::size_t(y + pass);
            const double* w = &down.weights[out * std::size_t(down.stride)];
            double* into = (pass == 0 ? wa.data() : wb.data()) + (down.left[out] - lo);
            std::copy(w, w + down.count[out], into);
        }
    }

private:
    int set_window(const Contributions& down, int y, bool two) {
        lo = down.left[std::size_t(y)];
        int hi = lo + down.count[std::size_t(y)];
        if (two) {
            lo = std::min(lo, down.left[std::size_t(y + 1)]);
            hi = std::max(hi, down.left[std::size_t(y + 1)] + down.count[std::size_t(y + 1)]);
        }
        n = hi - lo;
        return n;
    }
};

// The tables of a 24-bit smooth resize. Only the first of two passes needs
// the double filter's bytes (see make_fixed): along rows the precise fixed
// table does it, down columns the exact column kernel on the double table.
struct Smooth24Tables {
    Smooth24Tables(int src_width, int src_height, int dst_width, int dst_height, Extent covered)
        : sw(src_width), sh(src_height), dw(dst_width), dh(dst_height), extent(covered),
          do_x(sw != dw || !covered.x.whole(sw)), do_y(sh != dh || !covered.y.whole(sh)),
          cols_first(do_x && do_y && columns_first(sw, sh, dw, dh)), src_bytes(std::size_t(sw) * 3),
          dst_bytes(std::size_t(dw) * 3), reach(src_bytes) {}

    const int sw, sh, dw, dh;
    const Extent extent;
    const bool do_x, do_y, cols_first;
    FixedContributions across, down;
    Contributions down_exact;
    const std::size_t src_bytes, dst_bytes;
    std::size_t reach;             // bytes the row kernel may read from a row's start
    std::size_t column_bytes = 0;  // scratch of the sixteen-row kernel

    bool prepare_across() {
        if (!do_x) return true;
        Contributions exact;
        if (!build_contributions(sw, dw, exact, extent.x.length, extent.x.start)) return false;
        trim_zero_taps(exact);
        if (!make_fixed(exact, 2, do_y && !cols_first, true, across)) return false;
        reach = std::max(fixed_row_reach(across), src_bytes);
        column_bytes = fixed_rows_scratch(across);
        return true;
    }
    bool prepare_down() {
        if (!do_y) return true;
        if (!build_contributions(sh, dh, down_exact, extent.y.length, extent.y.start)) return false;
        trim_zero_taps(down_exact);
        return cols_first || make_fixed(down_exact, 2, false, false, down);
    }
};

// The double-precision table of one axis of a 32-bit resize.
inline bool prepare_exact(int n_in, int n_out, Span covered, Contributions& table) {
    if (!build_contributions(n_in, n_out, table, covered.length, covered.start)) return false;
    trim_zero_taps(table);
    return true;
}

}  // namespace pixmold::resample
