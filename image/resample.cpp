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

namespace pixmold {

namespace resample {

namespace {

std::atomic<int> g_forced_isa{-1};

Isa detect_isa() {
    __builtin_cpu_init();
    return (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) ? Isa::Avx2 : Isa::Generic;
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

Plane plane_of(const PixelView& v) { return Plane{v.pixels, v.stride, v.width, v.height}; }
MutablePlane mutable_plane_of(const PixelView& v) { return MutablePlane{v.pixels, v.stride, v.width, v.height}; }

bool valid_view(const PixelView& v) {
    if (!v.pixels || v.is_icon || (v.depth != 24 && v.depth != 32)) return false;
    if (v.width < 1 || v.height < 1 || v.width > MAX_IMAGE_SIDE || v.height > MAX_IMAGE_SIDE) return false;
    return v.stride >= v.width * (v.depth / 8);
}

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
bool resize_raw(const PixelView& src, const PixelView& dst, int threads) {
    const int bpp = src.depth / 8;
    std::vector<int> column;
    try {
        column.resize(std::size_t(dst.width));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int x = 0; x < dst.width; ++x)
        column[std::size_t(x)] = int((2 * std::int64_t(x) + 1) * src.width / (2 * std::int64_t(dst.width)));
    const int workers = useful_threads(threads, std::size_t(dst.width) * std::size_t(dst.height));
    run_split(workers, dst.height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const int sy = int((2 * std::int64_t(y) + 1) * src.height / (2 * std::int64_t(dst.height)));
            const std::uint8_t* in = src.pixels + std::size_t(sy) * std::size_t(src.stride);
            std::uint8_t* out = dst.pixels + std::size_t(y) * std::size_t(dst.stride);
            if (bpp == 4) {
                for (int x = 0; x < dst.width; ++x) std::memcpy(out + 4 * x, in + 4 * column[std::size_t(x)], 4);
            } else {
                for (int x = 0; x < dst.width; ++x) std::memcpy(out + 3 * x, in + 3 * column[std::size_t(x)], 3);
            }
        }
    });
    return true;
}

// Which pass runs first: the one that leaves fewer pixels for the second.
bool columns_first(const PixelView& src, const PixelView& dst) {
    return std::int64_t(dst.height) * src.width < std::int64_t(dst.width) * src.height;
}

bool resize_exact(const PixelView& src, const PixelView& dst, int threads) {
    Contributions across, down;
    if (!build_contributions(src.width, dst.width, across) || !build_contributions(src.height, dst.height, down))
        return false;
    const bool cols_first = columns_first(src, dst);
    // The intermediate picture, 4 bytes a pixel, packed rows.
    const int mid_w = cols_first ? src.width : dst.width;
    const int mid_h = cols_first ? dst.height : src.height;
    Scratch mid = allocate_scratch(std::size_t(mid_w) * std::size_t(mid_h) * 4);
    if (!mid) return false;
    const MutablePlane mid_plane{mid.get(), std::ptrdiff_t(mid_w) * 4, mid_w, mid_h};
    const Plane mid_in{mid.get(), std::ptrdiff_t(mid_w) * 4, mid_w, mid_h};
    const int rows_pass_rows = cols_first ? dst.height : src.height;
    std::atomic<bool> failed{false};

    auto rows_pass = [&](const Plane& in, const MutablePlane& out, int first, int last) {
        const int n = last - first + 1;
        const int workers = useful_threads(threads, std::size_t(n) * std::size_t(out.width) * 4);
        run_split(workers, n, [&](int a, int b) {
            Scratch row = allocate_scratch(std::size_t(in.width) * 4 * sizeof(double));
            if (!row) {
                failed = true;
                return;
            }
            exact_rows(in, out, across, first + a, first + b, reinterpret_cast<double*>(row.get()));
        });
    };
    auto columns_pass = [&](const Plane& in, const MutablePlane& out) {
        const int workers = useful_threads(threads, std::size_t(out.height) * std::size_t(out.width) * 4);
        run_split(workers, out.height, [&](int a, int b) { exact_columns(in, out, down, a, b); });
    };

    if (cols_first) {
        columns_pass(plane_of(src), mid_plane);
        rows_pass(mid_in, mutable_plane_of(dst), 0, rows_pass_rows - 1);
    } else {
        int first = 0, last = -1;
        input_span(down, first, last);
        rows_pass(plane_of(src), mid_plane, first, last);
        if (!failed) columns_pass(mid_in, mutable_plane_of(dst));
    }
    return !failed;
}

bool resize_smooth24(const PixelView& src, const PixelView& dst, int threads) {
    if (src.width == dst.width && src.height == dst.height) {
        copy_rows(src, dst);
        return true;
    }
    Contributions exact;
    UniformContributions across, down;
    if (src.width != dst.width &&
        (!build_contributions(src.width, dst.width, exact) || !make_uniform(exact, across)))
        return false;
    if (src.height != dst.height &&
        (!build_contributions(src.height, dst.height, exact) || !make_uniform(exact, down)))
        return false;
    int first = 0, last = src.height - 1;
    if (src.height != dst.height) input_span(exact, first, last);
    std::atomic<bool> failed{false};

    auto rows_pass = [&](const Plane& in, const MutablePlane& out, int y_first, int y_last) {
        const int n = y_last - y_first + 1;
        const int workers = useful_threads(threads, std::size_t(n) * std::size_t(out.width) * 3);
        run_split(workers, n, [&](int a, int b) {
            Scratch row = allocate_scratch((std::size_t(in.width) * 3 + 8) * sizeof(float));
            if (!row) {
                failed = true;
                return;
            }
            fast_rows(in, out, across, y_first + a, y_first + b, reinterpret_cast<float*>(row.get()));
        });
    };
    auto columns_pass = [&](const Plane& in, const MutablePlane& out) {
        const int workers = useful_threads(threads, std::size_t(out.height) * std::size_t(out.width) * 3);
        run_split(workers, out.height, [&](int a, int b) { fast_columns(in, out, down, 3, a, b); });
    };

    if (src.height == dst.height) {
        rows_pass(plane_of(src), mutable_plane_of(dst), 0, src.height - 1);
        return !failed;
    }
    if (src.width == dst.width) {
        columns_pass(plane_of(src), mutable_plane_of(dst));
        return true;
    }
    const bool cols_first = columns_first(src, dst);
    const int mid_w = cols_first ? src.width : dst.width;
    const int mid_h = cols_first ? dst.height : src.height;
    Scratch mid = allocate_scratch(std::size_t(mid_w) * std::size_t(mid_h) * 3);
    if (!mid) return false;
    const MutablePlane mid_plane{mid.get(), std::ptrdiff_t(mid_w) * 3, mid_w, mid_h};
    const Plane mid_in{mid.get(), std::ptrdiff_t(mid_w) * 3, mid_w, mid_h};
    if (cols_first) {
        columns_pass(plane_of(src), mid_plane);
        rows_pass(mid_in, mutable_plane_of(dst), 0, dst.height - 1);
    } else {
        rows_pass(plane_of(src), mid_plane, first, last);
        if (!failed) columns_pass(mid_in, mutable_plane_of(dst));
    }
    return !failed;
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

bool resize_pixels(const PixelView& src, const PixelView& dst, int mode, int threads) {
    if (!valid_view(src) || !valid_view(dst) || src.depth != dst.depth) return false;
    if (threads <= 0) threads = resample_threads();
    if (mode != RESIZE_SMOOTH) return resize_raw(src, dst, threads);
    if (src.depth == 32) return resize_exact(src, dst, threads);
    return resize_smooth24(src, dst, threads);
}

}  // namespace pixmold
