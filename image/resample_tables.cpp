// Contribution tables, scratch memory and the row splitter of the resampler.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>

#include "image/resample_internal.h"

namespace pixmold::resample {

namespace {

// Mitchell-Netravali cubic with B = C = 1/3. The expression shapes matter:
// the exact path promises the same bytes as a plain implementation written
// the same way, so keep them as they are.
struct Mitchell {
    double c3, c2, c0, d3, d2, d1, d0;

    Mitchell() {
        const double b = 1.0 / 3.0;
        const double c = 1.0 / 3.0;
        c3 = (12.0 - 9.0 * b - 6.0 * c) / 6.0;
        c2 = (12.0 * b - 18.0 + 6.0 * c) / 6.0;
        c0 = (6.0 - 2.0 * b) / 6.0;
        d3 = (-b - 6.0 * c) / 6.0;
        d2 = (6.0 * b + 30.0 * c) / 6.0;
        d1 = (-12.0 * b - 48.0 * c) / 6.0;
        d0 = (8.0 * b + 24.0 * c) / 6.0;
    }

    double operator()(double x) const {
        if (x < 0) x = -x;
        if (x < 1.0) return (c3 * x + c2) * (x * x) + c0;
        if (x < 2.0) return ((d3 * x + d2) * x + d1) * x + d0;
        return 0.0;
    }
};

std::atomic<std::size_t> g_scratch_limit{0};
std::atomic<std::size_t> g_live_bytes{0};
std::atomic<std::size_t> g_peak_bytes{0};

// Each block starts with a header holding its size, for the accounting.
constexpr std::size_t kHeader = 64;

}  // namespace

bool build_contributions(int n_in, int n_out, Contributions& table) {
    if (n_in < 1 || n_out < 1) return false;
    const Mitchell filter;
    const double scale = double(n_out) / double(n_in);
    double support = 2.0;
    double filter_scale = 1.0;
    if (scale < 1.0) {
        support = 2.0 / scale;
        filter_scale = scale;
    }
    const double max_taps_d = 2.0 * std::ceil(support) + 1.0;
    const int max_taps = int(std::min(max_taps_d, double(n_in) + 1.0));
    const int stride = std::min(max_taps, n_in);
    try {
        table.left.assign(std::size_t(n_out), 0);
        table.count.assign(std::size_t(n_out), 0);
        table.weights.assign(std::size_t(n_out) * std::size_t(stride), 0.0);
    } catch (const std::bad_alloc&) {
        table = Contributions{};
        return false;
    }
    table.n_in = n_in;
    table.n_out = n_out;
    table.stride = stride;
    for (int i = 0; i < n_out; ++i) {
        const double center = (double(i) + 0.5) / scale - 0.5;
        double left = std::floor(center - support);
        double right = std::ceil(center + support);
        if (left < 0) left = 0;
        if (right > double(n_in - 1)) right = double(n_in - 1);
        if (right - left + 1.0 > max_taps_d) {
            if (left >= double(n_in))
                right -= 1.0;
            else
                left += 1.0;
        }
        const int l = int(left);
        const int n = std::min(stride, std::max(0, int(right) - l + 1));
        double* w = &table.weights[std::size_t(i) * std::size_t(stride)];
        double sum = 0.0;
        for (int k = 0; k < n; ++k) {
            w[k] = filter(std::fabs(center - double(l + k)) * filter_scale) * filter_scale;
            sum += w[k];
        }
        if (sum > 0.0 && sum != 1.0)
            for (int k = 0; k < n; ++k) w[k] /= sum;
        table.left[std::size_t(i)] = l;
        table.count[std::size_t(i)] = n;
    }
    return true;
}

void trim_zero_taps(Contributions& table) {
    for (int i = 0; i < table.n_out; ++i) {
        double* w = &table.weights[std::size_t(i) * std::size_t(table.stride)];
        int& left = table.left[std::size_t(i)];
        int& count = table.count[std::size_t(i)];
        int skip = 0;
        while (skip < count && w[skip] == 0.0) ++skip;
        if (skip > 0) {
            std::copy(w + skip, w + count, w);
            std::fill(w + count - skip, w + count, 0.0);
            left += skip;
            count -= skip;
        }
        while (count > 0 && w[count - 1] == 0.0) --count;
    }
}

void input_span(const Contributions& table, int& first, int& last) {
    first = table.n_in;
    last = -1;
    for (int i = 0; i < table.n_out; ++i) {
        const int n = table.count[std::size_t(i)];
        if (n == 0) continue;
        first = std::min(first, table.left[std::size_t(i)]);
        last = std::max(last, table.left[std::size_t(i)] + n - 1);
    }
}

Scratch allocate_scratch(std::size_t bytes) {
    const std::size_t limit = g_scratch_limit.load();
    if (limit != 0 && bytes > limit) return Scratch();
    if (bytes > SIZE_MAX - 2 * kHeader) return Scratch();
    const std::size_t rounded = (bytes + 63) / 64 * 64;
    auto* block = static_cast<std::uint8_t*>(std::aligned_alloc(64, rounded + kHeader));
    if (!block) return Scratch();
    std::memcpy(block, &rounded, sizeof rounded);
    const std::size_t live = g_live_bytes.fetch_add(rounded) + rounded;
    std::size_t peak = g_peak_bytes.load();
    while (live > peak && !g_peak_bytes.compare_exchange_weak(peak, live)) {
    }
    return Scratch(block + kHeader);
}

void ScratchDeleter::operator()(std::uint8_t* p) const {
    std::uint8_t* block = p - kHeader;
    std::size_t rounded;
    std::memcpy(&rounded, block, sizeof rounded);
    g_live_bytes.fetch_sub(rounded);
    std::free(block);
}

void set_scratch_limit(std::size_t bytes) { g_scratch_limit.store(bytes); }
std::size_t peak_scratch_bytes() { return g_peak_bytes.load(); }
void reset_peak_scratch_bytes() { g_peak_bytes.store(g_live_bytes.load()); }

double half_ulp_units(double x) {
    // A value below 2^(e + 1) has ulps of at most 2^(e - 23), and the
    // accumulated rounding errors (far below 2^-10) may push it up to x.
    int e = 0;
    std::frexp(x + 0x1p-10, &e);  // x + 2^-10 < 2^e
    return std::ldexp(1.0, e - 1);
}

double single_sum_bound(const double* w, const float* wf, int n, int chains) {
    double reach[2] = {0.5, 0.0}, bound = 0;
    for (int k = 0, c = 0; k < n; ++k, c = c + 1 == chains ? 0 : c + 1) {
        bound += 255.0 * std::fabs(double(wf[k]) - w[k]) * 0x1p24;
        if (wf[k] == 0.0f) continue;  // adds exactly nothing
        reach[c] += 255.0 * std::fabs(double(wf[k]));
        bound += half_ulp_units(reach[c]);
    }
    if (chains == 2) bound += half_ulp_units(reach[0] + reach[1]);
    return bound;
}

void run_split(int threads, int n, const std::function<void(int, int)>& work) {
    if (n <= 0) return;
    threads = std::max(1, std::min(threads, n));
    std::vector<std::thread> pool;
    int started_until = 0;  // ranges [0, started_until) run on pool threads
    try {
        pool.reserve(std::size_t(threads - 1));
        for (int t = 0; t + 1 < threads; ++t) {
            const int begin = int(std::int64_t(n) * t / threads);
            const int end = int(std::int64_t(n) * (t + 1) / threads);
            pool.emplace_back(work, begin, end);
            started_until = end;
        }
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    work(started_until, n);
    for (std::thread& t : pool) t.join();
}

}  // namespace pixmold::resample
