// Resampling driver: validates the views, picks the path, plans the passes
// and spreads them over worker threads.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "image/resample.h"
#include "image/resample_internal.h"
#include "image/resample_plan.h"

namespace pixmold {

namespace resample {

namespace {

std::atomic<int> g_forced_isa{-1};

Isa detect_isa() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma")) return Isa::Generic;
    const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq");
    return avx512 ? Isa::Avx512 : Isa::Avx2;
#else
    return Isa::Generic;
#endif
}

}  // namespace

Isa active_isa() {
    static const Isa machine = detect_isa();
    const int forced = g_forced_isa.load(std::memory_order_relaxed);
    if (forced >= 0 && forced < int(machine)) return Isa(forced);
    return machine;
}

void force_isa(Isa isa) { g_forced_isa.store(int(isa)); }
void reset_isa() { g_forced_isa.store(-1); }

}  // namespace resample

using namespace resample;

namespace {

// Polled once per output row, so Stop ends even a huge resize at once.
bool stop_asked(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

bool valid_view(const PixelView& v) {
    if (!v.pixels || v.is_icon || (v.depth != 24 && v.depth != 32)) return false;
    if (v.width < 1 || v.height < 1 || v.width > MAX_IMAGE_SIDE || v.height > MAX_IMAGE_SIDE) return false;
    return v.stride >= v.width * (v.depth / 8);
}

// An idle thread takes over no fewer output rows than this: a band of rows
// filtered along x first has to filter the rows under its first window again.
constexpr int kLeastStolen = 16;

// A thread is worth starting only for a decent amount of work.
int useful_threads(int threads, std::size_t work) {
    constexpr std::size_t kMinWorkPerThread = 1 << 16;
    const std::size_t most = std::max<std::size_t>(1, work / kMinWorkPerThread);
    return int(std::min<std::size_t>(std::size_t(std::max(1, threads)), most));
}

void copy_rows(const PixelView& src, const PixelView& dst) {
    const std::size_t bytes = std::size_t(src.width) * std::size_t(src.depth / 8);
    for (int y = 0; y < src.height; ++y)
        std::memcpy(dst.pixels + std::size_t(y) * std::size_t(dst.stride),
                    src.pixels + std::size_t(y) * std::size_t(src.stride), bytes);
}

// Nearest neighbour: destination position i takes the source position whose
// cell contains the centre of cell i.
int nearest(int i, int n_out, int n_in, Span span) {
    if (span.whole(n_in)) return int((2 * std::int64_t(i) + 1) * n_in / (2 * std::int64_t(n_out)));
    return std::clamp(int(span.start + (i + 0.5) * span.length / n_out), 0, n_in - 1);
}

bool resize_raw(const PixelView& src, const PixelView& dst, Extent extent, int threads,
                const std::atomic<bool>* cancel) {
    const int bpp = src.depth / 8;
    std::vector<int> column;
    try {
        column.resize(std::size_t(dst.width));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int x = 0; x < dst.width; ++x)
        column[std::size_t(x)] = nearest(x, dst.width, src.width, extent.x);
    const int workers = useful_threads(threads, std::size_t(dst.width) * std::size_t(dst.height));
    auto nothing = [] { return true; };
    return run_split(workers, dst.height, kLeastStolen, nothing, nothing, [&](RowRange& range) {
        for (int y = 0, got; (got = range.claim(1, y)) > 0;) {
            if (stop_asked(cancel)) return;
            const int sy = nearest(y, dst.height, src.height, extent.y);
            const std::uint8_t* in = src.pixels + std::size_t(sy) * std::size_t(src.stride);
            std::uint8_t* out = dst.pixels + std::size_t(y) * std::size_t(dst.stride);
            if (bpp == 4) {
                for (int x = 0; x < dst.width; ++x) std::memcpy(out + 4 * x, in + 4 * column[std::size_t(x)], 4);
            } else {
                for (int x = 0; x < dst.width; ++x) std::memcpy(out + 3 * x, in + 3 * column[std::size_t(x)], 3);
            }
        }
    });
}

// 32-bit: like the 24-bit path below, each thread makes its band of output
// rows from start to finish through a row buffer (columns first) or a ring
// of rows (rows first), two output rows at a time so that every row read
// for the column filter is converted once for both.
bool resize_exact(const PixelView& src, const PixelView& dst, Extent extent, int threads,
                  const std::atomic<bool>* cancel) {
    const int sw = src.width, sh = src.height, dw = dst.width, dh = dst.height;
    Contributions across, down;
    const bool cols_first = columns_first(sw, sh, dw, dh);
    const std::size_t src_bytes = std::size_t(sw) * 4, dst_bytes = std::size_t(dw) * 4;
    auto src_row = [&](int y) { return src.pixels + std::size_t(y) * std::size_t(src.stride); };
    auto dst_row = [&](int y) { return dst.pixels + std::size_t(y) * std::size_t(dst.stride); };
    std::atomic<bool> failed{false};

    auto work = [&](RowRange& range) {
        ColumnPair pair;
        std::vector<const std::uint8_t*> rows;
        if (!pair.reserve(down)) return void(failed = true);
        const int widest = pair.widest();
        try {
            rows.resize(std::size_t(widest));
        } catch (const std::bad_alloc&) {
            return void(failed = true);
        }
        Scratch doubles = allocate_scratch(2 * (src_bytes + std::size_t(across.stride) * 4) * sizeof(double));
        Scratch lines = allocate_scratch(cols_first ? 2 * src_bytes : std::size_t(widest) * dst_bytes);
        if (!doubles || !lines) return void(failed = true);
        double* row_doubles = reinterpret_cast<double*>(doubles.get());
        int done_until = 0;  // rows-first: rows below this went through the ring
        for (int y = 0, got; (got = range.claim(2, y)) > 0;) {
            if (stop_asked(cancel)) return;
            const bool two = got == 2;
            pair.set(down, y, two);
            const int lo = pair.lo, n = pair.n, hi = lo + n;
            const double *wa = pair.wa.data(), *wb = pair.wb.data();
            const int b_first = pair.b_first, a_end = pair.a_end;
            if (cols_first) {
                for (int k = 0; k < n; ++k) rows[std::size_t(k)] = src_row(lo + k);
                std::uint8_t* a = lines.get();
                std::uint8_t* b = two ? lines.get() + src_bytes : nullptr;
                exact_vertical(rows.data(), n, wa, wb, a, b, src_bytes, b_first, a_end);
                if (two)
                    exact_horizontal2(a, dst_row(y), b, dst_row(y + 1), across, row_doubles);
                else
                    exact_horizontal(a, dst_row(y), across, row_doubles);
            } else {
                if (lo < done_until - widest) done_until = lo;  // never happens with monotone windows
                auto line = [&](int r) { return lines.get() + std::size_t(r % widest) * dst_bytes; };
                int r = std::max(done_until, lo);
                for (; r + 1 < hi; r += 2)
                    exact_horizontal2(src_row(r), line(r), src_row(r + 1), line(r + 1), across, row_doubles);
                if (r < hi) exact_horizontal(src_row(r), line(r), across, row_doubles);
                done_until = std::max(done_until, hi);
                for (int k = 0; k < n; ++k) rows[std::size_t(k)] = lines.get() + std::size_t((lo + k) % widest) * dst_bytes;
                exact_vertical(rows.data(), n, wa, wb, dst_row(y), two ? dst_row(y + 1) : nullptr, dst_bytes, b_first,
                               a_end);
            }
        }
    };
    const std::size_t cost = std::size_t(dh) * src_bytes;
    return run_split(
               useful_threads(threads, cost), dh, kLeastStolen, [&] { return prepare_exact(sw, dw, extent.x, across); },
               [&] { return prepare_exact(sh, dh, extent.y, down); }, work) &&
           !failed;
}

// 24-bit: each thread makes bands of output rows from start to finish (its
// own, then parts of others' it takes over), so no intermediate picture is
// needed. Both axes: either output rows are filtered down the columns, two
// at a time, into row buffers and then along them (columns first), or a
// ring of rows filtered along x feeds the column filter (rows first). One
// axis: rows along x a batch at a time, or output rows down the columns.
constexpr int kBatch = kFixedRowsAtOnce;  // rows filtered along x at once

// What the band workers of one 24-bit resize share.
struct Smooth24 : Smooth24Tables {
    Smooth24(const PixelView& from, const PixelView& to, Extent covered, const std::atomic<bool>* stop)
        : Smooth24Tables(from.width, from.height, to.width, to.height, covered), src(from), dst(to), cancel(stop) {}

    const PixelView& src;
    const PixelView& dst;
    const std::atomic<bool>* cancel;
    std::atomic<bool> failed{false};

    const std::uint8_t* src_row(int y) const { return src.pixels + std::size_t(y) * std::size_t(src.stride); }
    std::uint8_t* dst_row(int y) const { return dst.pixels + std::size_t(y) * std::size_t(dst.stride); }
};

// Source rows as the row kernel may read them: a row that ends too close to
// the end of the picture memory for the kernel's wide loads is given as a
// padded copy (one per row of a batch). Null when memory is short.
class RowSource {
public:
    explicit RowSource(const Smooth24& job) : job_(job) {}
    const std::uint8_t* row(int y, int slot) {
        const std::uint8_t* in = job_.src_row(y);
        if (std::size_t(job_.src.height - y) * std::size_t(job_.src.stride) >= job_.reach) return in;
        if (!pad_) {
            pad_ = allocate_scratch(kBatch * job_.reach);
            if (!pad_) return nullptr;
            std::memset(pad_.get(), 0, kBatch * job_.reach);
        }
        std::uint8_t* copy = pad_.get() + std::size_t(slot) * job_.reach;
        std::memcpy(copy, in, job_.src_bytes);
        return copy;
    }

private:
    const Smooth24& job_;
    Scratch pad_;
};

// The sixteen-row kernel's scratch, when the table uses it; false when
// memory is short.
bool column_scratch(const Smooth24& job, Scratch& columns) {
    if (job.column_bytes == 0) return true;
    columns = allocate_scratch(job.column_bytes);
    return bool(columns);
}

// Only the width changes: rows along x, a batch at a time.
void smooth24_rows_only(Smooth24& job, RowRange& range) {
    RowSource source(job);
    Scratch columns;
    if (!column_scratch(job, columns)) return void(job.failed = true);
    const std::uint8_t* batch_in[kBatch];
    std::uint8_t* batch_out[kBatch];
    for (int y = 0, n; (n = range.claim(kBatch, y)) > 0;) {
        if (stop_asked(job.cancel)) return;
        for (int k = 0; k < n; ++k) {
            batch_in[k] = source.row(y + k, k);
            if (!batch_in[k]) return void(job.failed = true);
            batch_out[k] = job.dst_row(y + k);
        }
        fixed_horizontal_rows(batch_in, batch_out, n, job.across, columns.get());
    }
}

// Only the height changes: each output row down the columns.
void smooth24_columns_only(Smooth24& job, RowRange& range) {
    const FixedContributions& down = job.down;
    const int sh = job.src.height;
    std::vector<const std::uint8_t*> rows;
    try {
        rows.resize(std::size_t(down.taps));
    } catch (const std::bad_alloc&) {
        return void(job.failed = true);
    }
    for (int y = 0; range.claim(1, y) > 0;) {
        if (stop_asked(job.cancel)) return;
        const int l = down.left[std::size_t(y)];
        for (int k = 0; k < down.taps; ++k) rows[std::size_t(k)] = job.src_row(std::min(l + k, sh - 1));
        fixed_vertical(rows.data(), down, y, job.dst_row(y), job.dst_bytes);
    }
}

// Both axes, columns first: two output rows at a time down the columns with
// the exact kernel (each input row is read and converted once for both),
// then each along x.
void smooth24_columns_first(Smooth24& job, RowRange& range) {
    ColumnPair pair;
    std::vector<const std::uint8_t*> rows;
    Scratch lines = allocate_scratch(2 * job.reach);
    if (!lines || !pair.reserve(job.down_exact)) return void(job.failed = true);
    try {
        rows.resize(std::size_t(pair.widest()));
    } catch (const std::bad_alloc&) {
        return void(job.failed = true);
    }
    const std::size_t src_bytes = job.src_bytes, reach = job.reach;
    std::uint8_t* const a = lines.get();
    std::uint8_t* const b = lines.get() + reach;
    std::memset(a + src_bytes, 0, reach - src_bytes);
    std::memset(b + src_bytes, 0, reach - src_bytes);
    for (int y = 0, got; (got = range.claim(2, y)) > 0;) {
        if (stop_asked(job.cancel)) return;
        const bool two = got == 2;
        pair.set(job.down_exact, y, two);
        for (int k = 0; k < pair.n; ++k) rows[std::size_t(k)] = job.src_row(pair.lo + k);
        exact_vertical(rows.data(), pair.n, pair.wa.data(), pair.wb.data(), a, two ? b : nullptr, src_bytes,
                       pair.b_first, pair.a_end);
        fixed_horizontal(a, job.dst_row(y), job.across);
        if (two) fixed_horizontal(b, job.dst_row(y + 1), job.across);
    }
}

// Both axes, rows first: rows are filtered along x a batch at a time into a
// ring that holds a window of the column filter plus one batch, and each
// output row is filtered down the ring.
void smooth24_rows_first(Smooth24& job, RowRange& range) {
    const FixedContributions& down = job.down;
    const int sh = job.src.height;
    const std::size_t dst_bytes = job.dst_bytes;
    RowSource source(job);
    Scratch columns;
    if (!column_scratch(job, columns)) return void(job.failed = true);
    std::vector<const std::uint8_t*> rows;
    try {
        rows.resize(std::size_t(down.taps));
    } catch (const std::bad_alloc&) {
        return void(job.failed = true);
    }
    const int ring_rows = down.taps + kBatch;
    Scratch ring = allocate_scratch(std::size_t(ring_rows) * dst_bytes);
    if (!ring) return void(job.failed = true);
    auto slot = [&](int r) { return ring.get() + std::size_t(r % ring_rows) * dst_bytes; };
    const std::uint8_t* batch_in[kBatch];
    std::uint8_t* batch_out[kBatch];
    int done_until = 0;  // rows below this are (or were) in the ring
    for (int y = 0; range.claim(1, y) > 0;) {
        if (stop_asked(job.cancel)) return;
        // The band's last output reads no row past this one: a batch
        // stops there rather than filter rows for the next band.
        const int band_last = std::min(down.left[std::size_t(range.end() - 1)] + down.taps, sh) - 1;
        const int l = down.left[std::size_t(y)];
        const int last = std::min(l + down.taps, sh) - 1;
        if (l < done_until - ring_rows) done_until = l;  // never happens with monotone windows
        for (int r = std::max(done_until, l); r <= last;) {
            const int n = std::min(kBatch, std::max(band_last, last) + 1 - r);
            for (int k = 0; k < n; ++k) {
                batch_in[k] = source.row(r + k, k);
                if (!batch_in[k]) return void(job.failed = true);
                batch_out[k] = slot(r + k);
            }
            fixed_horizontal_rows(batch_in, batch_out, n, job.across, columns.get());
            r += n;
            done_until = r;
        }
        done_until = std::max(done_until, last + 1);
        for (int k = 0; k < down.taps; ++k) rows[std::size_t(k)] = slot(std::min(l + k, sh - 1));
        fixed_vertical(rows.data(), down, y, job.dst_row(y), dst_bytes);
    }
}

bool resize_smooth24(const PixelView& src, const PixelView& dst, Extent extent, int threads,
                     const std::atomic<bool>* cancel) {
    if (src.width == dst.width && src.height == dst.height && extent.whole(src.width, src.height)) {
        copy_rows(src, dst);
        return true;
    }
    Smooth24 job(src, dst, extent, cancel);
    void (*band)(Smooth24&, RowRange&) = !job.do_y     ? smooth24_rows_only
                                         : !job.do_x   ? smooth24_columns_only
                                         : job.cols_first ? smooth24_columns_first
                                                          : smooth24_rows_first;
    // The tables are built while the other threads start, and by them when
    // they are up in time.
    const std::size_t cost = std::size_t(dst.height) * (job.do_y ? job.src_bytes : job.dst_bytes);
    return run_split(
               useful_threads(threads, cost), dst.height, kLeastStolen, [&] { return job.prepare_across(); },
               [&] { return job.prepare_down(); }, [&](RowRange& range) { band(job, range); }) &&
           !job.failed;
}

}  // namespace

int resample_threads() {
    if (const char* env = std::getenv("PIXMOLD_THREADS")) {
        char* end = nullptr;
        const long n = std::strtol(env, &end, 10);
        if (end != env && *end == '\0' && n > 0) return int(std::min<long>(n, 256));
    }
    const unsigned hw = std::thread::hardware_concurrency();
    return hw == 0 ? 1 : int(std::min(hw, 256u));
}

bool resize_pixels(const PixelView& src, const PixelView& dst, int mode, int threads, const std::atomic<bool>* cancel,
                   PictureExtent covered) {
    if (!valid_view(src) || !valid_view(dst) || src.depth != dst.depth) return false;
    const Extent extent(src.width, src.height, covered);
    if (!extent.fits(src.width, src.height)) return false;
    if (threads <= 0) threads = resample_threads();
    bool ok;
    if (mode != RESIZE_SMOOTH)
        ok = resize_raw(src, dst, extent, threads, cancel);
    else if (src.depth == 32)
        ok = resize_exact(src, dst, extent, threads, cancel);
    else
        ok = resize_smooth24(src, dst, extent, threads, cancel);
    return ok && !stop_asked(cancel);
}

}  // namespace pixmold
