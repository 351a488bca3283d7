// The streaming resampler: the whole-picture resampler's tables and kernels,
// driven by rows as they come. Rows come top first while pictures are stored
// bottom-up, so output rows are made from the top memory row down, each once
// the lowest row its filter reads has come.
#include "image/row_resample.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "image/resample_internal.h"
#include "image/resample_plan.h"

namespace pixmold {

using namespace resample;

namespace {
constexpr int kBatch = kFixedRowsAtOnce;  // rows filtered along x at once

template <typename T>
bool sized(std::vector<T>& v, std::size_t n) {
    try {
        v.assign(n, T());
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
}  // namespace

struct RowResampler::State {
    int sw = 0, sh = 0, depth = 0;
    PixelView dst;
    int arrived = 0;   // source rows from the top given so far
    int next_out = 0;  // highest output memory row not made yet; -1 when all are
    std::size_t reach = 0;

    // 24-bit: the same plan as resize_pixels.
    std::optional<Smooth24Tables> t24;
    // 32-bit: the double tables of both axes.
    Contributions across, down;
    bool cols_first = false;
    bool copy_only = false;

    ColumnPair pair;
    std::vector<const std::uint8_t*> window;
    Scratch ring;  // rows keyed by memory row, r % ring_rows
    int ring_rows = 0;
    std::size_t ring_stride = 0;
    Scratch columns;  // the sixteen-row kernel's scratch
    Scratch lines;    // columns first: two rows filtered down the columns
    Scratch doubles;  // 32-bit row kernel scratch

    // Output rows handed on as they are made rather than kept.
    RowResampler::RowsOut out;
    Scratch out_ring;
    int handed_out = 0;  // output rows handed on, from the top

    int lowest_arrived() const { return sh - arrived; }
    bool all_arrived() const { return arrived == sh; }
    std::uint8_t* slot(int r) const { return ring.get() + std::size_t(r % ring_rows) * ring_stride; }
    std::uint8_t* dst_row(int y) const {
        if (out) y %= kOutRing;
        return dst.pixels + std::size_t(y) * std::size_t(dst.stride);
    }
    // Room for the rows made and not handed on (fewer than a batch) and
    // those one batch of source rows or one pair of outputs makes.
    static constexpr int kOutRing = 2 * kBatch + 2;
    bool hand_out(int least);

    bool pairs() const { return depth == 32 || (t24->do_x && t24->do_y && t24->cols_first); }
    const Contributions& column_table() const { return depth == 32 ? down : t24->down_exact; }
    // The lowest memory row output y reads.
    int lowest_read(int y) const {
        if (pairs()) return column_table().left[std::size_t(y)];
        return t24->down.left[std::size_t(y)];
    }
    bool ready(int y) const { return all_arrived() || lowest_read(y) >= lowest_arrived(); }

    bool set_up(const PictureExtent& covered);
    bool take(const std::uint8_t* const* rows, int n);
    bool make_ready_rows();
    void make_one(int y);
    void make_pair(int y);  // outputs y and y + 1
};

bool RowResampler::State::set_up(const PictureExtent& covered) {
    const Extent extent(sw, sh, covered);
    if (!extent.fits(sw, sh)) return false;
    const int dw = dst.width, dh = dst.height;
    next_out = dh - 1;
    int ring_wanted = 0;
    if (depth == 24) {
        t24.emplace(sw, sh, dw, dh, extent);
        Smooth24Tables& t = *t24;
        if (!t.prepare_across() || !t.prepare_down()) return false;
        reach = t.reach;
        copy_only = !t.do_x && !t.do_y;
        if (t.column_bytes && !(columns = allocate_scratch(t.column_bytes))) return false;
        if (t.do_y && t.cols_first) {
            if (!pair.reserve(t.down_exact)) return false;
            ring_wanted = pair.widest() + kBatch;
            ring_stride = t.src_bytes;
            if (!(lines = allocate_scratch(2 * reach))) return false;
            std::memset(lines.get(), 0, 2 * reach);
        } else if (t.do_y) {
            ring_wanted = t.down.taps + kBatch;
            ring_stride = t.do_x ? t.dst_bytes : t.src_bytes;
        }
    } else {
        const std::size_t src_bytes = std::size_t(sw) * 4, dst_bytes = std::size_t(dw) * 4;
        if (!prepare_exact(sw, dw, extent.x, across) || !prepare_exact(sh, dh, extent.y, down)) return false;
        if (!pair.reserve(down)) return false;
        cols_first = columns_first(sw, sh, dw, dh);
        reach = src_bytes;
        ring_wanted = pair.widest() + kBatch;
        ring_stride = cols_first ? src_bytes : dst_bytes;
        if (!(doubles = allocate_scratch(2 * (src_bytes + std::size_t(across.stride) * 4) * sizeof(double))))
            return false;
        if (cols_first && !(lines = allocate_scratch(2 * src_bytes))) return false;
    }
    if (ring_wanted > 0) {
        ring_rows = std::min(ring_wanted, sh);
        if (!(ring = allocate_scratch(std::size_t(ring_rows) * ring_stride))) return false;
    }
    return sized(window, std::size_t(std::max({pair.widest(), t24 ? t24->down.taps : 0, 1})));
}

// Rows go into the ring as the column filter reads them: filtered along x
// first when that pass comes first, else as they are.
bool RowResampler::State::take(const std::uint8_t* const* rows, int n) {
    const int top = sh - 1 - arrived;  // memory row of rows[0]
    if (copy_only) {
        for (int k = 0; k < n; ++k) std::memcpy(dst_row(top - k), rows[k], std::size_t(sw) * 3);
        return true;
    }
    if (depth == 24) {
        const Smooth24Tables& t = *t24;
        if (t.do_x && t.do_y && !t.cols_first) {
            std::uint8_t* into[kBatch];
            for (int k = 0; k < n; ++k) into[k] = slot(top - k);
            fixed_horizontal_rows(rows, into, n, t.across, columns.get());
        } else if (!t.do_y) {
            std::uint8_t* into[kBatch];
            for (int k = 0; k < n; ++k) into[k] = dst_row(top - k);
            fixed_horizontal_rows(rows, into, n, t.across, columns.get());
        } else {
            for (int k = 0; k < n; ++k) std::memcpy(slot(top - k), rows[k], t.src_bytes);
        }
        return true;
    }
    double* row_doubles = reinterpret_cast<double*>(doubles.get());
    for (int k = 0; k < n; ++k) {
        if (cols_first)
            std::memcpy(slot(top - k), rows[k], std::size_t(sw) * 4);
        else
            exact_horizontal(rows[k], slot(top - k), across, row_doubles);
    }
    return true;
}

void RowResampler::State::make_one(int y) {
    if (depth == 24 && !t24->cols_first) {
        const FixedContributions& t = t24->down;
        const int l = t.left[std::size_t(y)];
        for (int k = 0; k < t.taps; ++k) window[std::size_t(k)] = slot(std::min(l + k, sh - 1));
        fixed_vertical(window.data(), t, y, dst_row(y), ring_stride);
        return;
    }
    pair.set(column_table(), y, false);
    for (int k = 0; k < pair.n; ++k) window[std::size_t(k)] = slot(pair.lo + k);
    if (depth == 24) {
        exact_vertical(window.data(), pair.n, pair.wa.data(), pair.wb.data(), lines.get(), nullptr, t24->src_bytes, 0,
                       pair.n);
        fixed_horizontal(lines.get(), dst_row(y), t24->across);
    } else if (cols_first) {
        exact_vertical(window.data(), pair.n, pair.wa.data(), pair.wb.data(), lines.get(), nullptr, ring_stride, 0, pair.n);
        exact_horizontal(lines.get(), dst_row(y), across, reinterpret_cast<double*>(doubles.get()));
    } else {
        exact_vertical(window.data(), pair.n, pair.wa.data(), pair.wb.data(), dst_row(y), nullptr, ring_stride, 0, pair.n);
    }
}

void RowResampler::State::make_pair(int y) {
    pair.set(column_table(), y, true);
    for (int k = 0; k < pair.n; ++k) window[std::size_t(k)] = slot(pair.lo + k);
    const double *wa = pair.wa.data(), *wb = pair.wb.data();
    if (depth == 24) {
        std::uint8_t* a = lines.get();
        std::uint8_t* b = lines.get() + reach;
        exact_vertical(window.data(), pair.n, wa, wb, a, b, t24->src_bytes, pair.b_first, pair.a_end);
        fixed_horizontal(a, dst_row(y), t24->across);
        fixed_horizontal(b, dst_row(y + 1), t24->across);
    } else if (cols_first) {
        std::uint8_t* a = lines.get();
        std::uint8_t* b = lines.get() + ring_stride;
        exact_vertical(window.data(), pair.n, wa, wb, a, b, ring_stride, pair.b_first, pair.a_end);
        exact_horizontal2(a, dst_row(y), b, dst_row(y + 1), across, reinterpret_cast<double*>(doubles.get()));
    } else {
        exact_vertical(window.data(), pair.n, wa, wb, dst_row(y), dst_row(y + 1), ring_stride, pair.b_first,
                       pair.a_end);
    }
}

// Every output row whose rows are in, from the top down; two at a time
// where the column filter takes pairs, so each row it reads is converted
// once for both.
bool RowResampler::State::make_ready_rows() {
    if (copy_only || (depth == 24 && !t24->do_y)) {
        next_out = std::min(next_out, lowest_arrived() - 1);
        return hand_out(kBatch);
    }
    while (next_out >= 0 && ready(next_out)) {
        if (!hand_out(kBatch)) return false;
        if (pairs() && next_out >= 1) {
            if (!ready(next_out - 1)) break;  // made with the next one, whose rows are still to come
            make_pair(next_out - 1);
            next_out -= 2;
        } else {
            make_one(next_out);
            --next_out;
        }
    }
    return hand_out(kBatch);
}

// Hands on the rows made, top first, once there are `least` of them or
// the last is made.
bool RowResampler::State::hand_out(int least) {
    if (!out) return true;
    const int dh = dst.height;
    const int made = dh - 1 - next_out - handed_out;
    if (made == 0 || (made < least && next_out >= 0)) return true;
    const std::uint8_t* rows[kOutRing];
    for (int k = 0; k < made; ++k) rows[k] = dst_row(dh - 1 - handed_out - k);
    handed_out += made;
    return out(rows, made);
}

RowResampler::RowResampler() = default;
RowResampler::~RowResampler() = default;

bool RowResampler::start(int src_width, int src_height, int depth, const PixelView& dst, PictureExtent extent) {
    state_.reset();
    if ((depth != 24 && depth != 32) || dst.depth != depth || !dst.pixels || dst.is_icon) return false;
    if (src_width < 1 || src_height < 1 || src_width > MAX_IMAGE_SIDE || src_height > MAX_IMAGE_SIDE) return false;
    if (dst.width < 1 || dst.height < 1 || dst.width > MAX_IMAGE_SIDE || dst.height > MAX_IMAGE_SIDE) return false;
    auto state = std::make_unique<State>();
    state->sw = src_width;
    state->sh = src_height;
    state->depth = depth;
    state->dst = dst;
    if (!state->set_up(extent)) return false;
    state_ = std::move(state);
    return true;
}

bool RowResampler::start(int src_width, int src_height, int depth, int dst_width, int dst_height, RowsOut out,
                         PictureExtent extent) {
    state_.reset();
    if (!out || dst_width < 1 || dst_width > MAX_IMAGE_SIDE || (depth != 24 && depth != 32)) return false;
    const int stride = stride_for(dst_width, depth);
    Scratch ring = allocate_scratch(std::size_t(stride) * State::kOutRing);
    if (!ring) return false;
    if (!start(src_width, src_height, depth, PixelView{ring.get(), dst_width, dst_height, depth, stride, false}, extent))
        return false;
    state_->out = std::move(out);
    state_->out_ring = std::move(ring);
    return true;
}

std::size_t RowResampler::row_reach() const { return state_ ? state_->reach : 0; }

bool RowResampler::put(const std::uint8_t* const* rows, int n) {
    if (!state_ || n < 0 || n > state_->sh - state_->arrived) return false;
    State& s = *state_;
    for (int done = 0; done < n;) {
        const int batch = std::min(kBatch, n - done);
        if (!s.take(rows + done, batch)) return false;
        s.arrived += batch;
        done += batch;
        if (!s.make_ready_rows()) return false;
    }
    return true;
}

bool RowResampler::complete() const { return state_ && state_->all_arrived() && state_->next_out < 0; }

std::uint64_t row_resampler_bytes(int src_width, int src_height, int dst_width, int dst_height, int depth) {
    const int bpp = depth / 8;
    // A window reaches 2 / scale + 1 rows each way when shrinking, 2 each way
    // when enlarging; a pair of outputs one row more.
    const auto taps = [](std::int64_t in, std::int64_t out) { return 4 * ((in + out - 1) / out) + 6; };
    const std::uint64_t rows = std::uint64_t(std::min<std::int64_t>(taps(src_height, dst_height) + kBatch, src_height));
    const std::uint64_t row_bytes = std::uint64_t(std::max(src_width, dst_width)) * std::uint64_t(bpp) + 64;
    const std::uint64_t tables = (std::uint64_t(dst_width) * std::uint64_t(taps(src_width, dst_width)) +
                                  std::uint64_t(dst_height) * std::uint64_t(taps(src_height, dst_height))) * 16;
    return rows * row_bytes + 4 * row_bytes * 8 + tables;
}

}  // namespace pixmold
