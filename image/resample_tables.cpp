// Contribution tables, scratch memory and the row splitter of the resampler.
#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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

// A hint to the core that this thread is waiting in a loop.
inline void spin_pause() {
#if defined(__x86_64__)
    _mm_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

#if defined(__x86_64__)
#define PIXMOLD_AVX2 __attribute__((target("avx2")))

// The weights of four outputs at once, one per lane, by the same operations
// as Mitchell::operator() and the plain loop below on each output (so the
// same doubles): w[k] into rows[lane][k], summed in k order, and divided by
// the sum. Lanes past their own count hold zeros, which are what the rows
// hold there anyway and add exactly nothing. Only the first `lanes` are
// outputs; the others (count 0) are not stored. `held` has room for four
// weights per tap: they are divided in registers, as whole vectors, rather
// than reloaded from the rows.
PIXMOLD_AVX2 void weights4_avx2(const Mitchell& f, const double* center, const int* left, const int* count,
                                int lanes, double scale, double* const* rows, double* held) {
    const __m256d c = _mm256_loadu_pd(center), s = _mm256_set1_pd(scale), magnitude = _mm256_set1_pd(-0.0);
    const __m256d one = _mm256_set1_pd(1.0), two = _mm256_set1_pd(2.0);
    const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(left));
    const __m128i n = _mm_loadu_si128(reinterpret_cast<const __m128i*>(count));
    const int most = std::max(std::max(count[0], count[1]), std::max(count[2], count[3]));
    __m256d sum = _mm256_setzero_pd();
    for (int k = 0; k < most; ++k) {
        const __m256d at = _mm256_cvtepi32_pd(_mm_add_epi32(l, _mm_set1_epi32(k)));
        const __m256d x = _mm256_mul_pd(_mm256_andnot_pd(magnitude, _mm256_sub_pd(c, at)), s);
        const __m256d near = _mm256_add_pd(_mm256_mul_pd(_mm256_add_pd(_mm256_mul_pd(_mm256_set1_pd(f.c3), x), _mm256_set1_pd(f.c2)),
                                                         _mm256_mul_pd(x, x)),
                                           _mm256_set1_pd(f.c0));
        __m256d far = _mm256_add_pd(_mm256_mul_pd(_mm256_set1_pd(f.d3), x), _mm256_set1_pd(f.d2));
        far = _mm256_add_pd(_mm256_mul_pd(far, x), _mm256_set1_pd(f.d1));
        far = _mm256_add_pd(_mm256_mul_pd(far, x), _mm256_set1_pd(f.d0));
        far = _mm256_and_pd(far, _mm256_cmp_pd(x, two, _CMP_LT_OQ));
        const __m256d value = _mm256_blendv_pd(far, near, _mm256_cmp_pd(x, one, _CMP_LT_OQ));
        const __m256d live = _mm256_castsi256_pd(_mm256_cvtepi32_epi64(_mm_cmpgt_epi32(n, _mm_set1_epi32(k))));
        const __m256d weight = _mm256_and_pd(_mm256_mul_pd(value, s), live);
        sum = _mm256_add_pd(sum, weight);
        _mm256_storeu_pd(held + 4 * k, weight);
    }
    // Renormalised where the sum is positive and not exactly one.
    const __m256d divide = _mm256_and_pd(_mm256_cmp_pd(sum, _mm256_setzero_pd(), _CMP_GT_OQ),
                                         _mm256_cmp_pd(sum, one, _CMP_NEQ_OQ));
    alignas(32) double w[4];
    for (int k = 0; k < most; ++k) {
        const __m256d weight = _mm256_loadu_pd(held + 4 * k);
        _mm256_store_pd(w, _mm256_blendv_pd(weight, _mm256_div_pd(weight, sum), divide));
        for (int j = 0; j < lanes; ++j) rows[j][k] = w[j];
    }
}
#endif

// The table for the instruction set kAvx2 says; inlined into each of the
// functions below, so that the plain code around the SIMD weights is also
// compiled for that instruction set.
template <bool kAvx2>
[[gnu::always_inline]] inline bool build_table(int n_in, int n_out, Contributions& table, double extent, double start) {
    if (n_in < 1 || n_out < 1) return false;
    const Mitchell filter;
    const double scale = double(n_out) / (extent > 0 ? extent : double(n_in));
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
    constexpr bool simd = kAvx2;
    std::vector<double> held;  // one window's weights of four outputs
    if constexpr (simd) {
        try {
            held.resize(4 * std::size_t(stride));
        } catch (const std::bad_alloc&) {
            table = Contributions{};
            return false;
        }
    }
#if defined(__x86_64__)
    double centers[4];
    int group = 0;  // outputs gathered for weights4_avx2
#endif
    for (int i = 0; i < n_out; ++i) {
        const double center = (double(i) + 0.5) / scale - 0.5 + start;
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
        table.left[std::size_t(i)] = l;
        table.count[std::size_t(i)] = n;
        double* w = &table.weights[std::size_t(i) * std::size_t(stride)];
#if defined(__x86_64__)
        if constexpr (simd) {
            centers[group++] = center;
            if (group == 4 || i + 1 == n_out) {
                const int first = i + 1 - group;
                double* rows[4] = {};
                int lefts[4] = {0, 0, 0, 0}, counts[4] = {0, 0, 0, 0};
                for (int j = 0; j < group; ++j) {
                    rows[j] = &table.weights[std::size_t(first + j) * std::size_t(stride)];
                    lefts[j] = table.left[std::size_t(first + j)];
                    counts[j] = table.count[std::size_t(first + j)];
                }
                for (int j = group; j < 4; ++j) centers[j] = centers[0];
                weights4_avx2(filter, centers, lefts, counts, group, filter_scale, rows, held.data());
                group = 0;
            }
            continue;
        }
#endif
        for (int k = 0; k < n; ++k) w[k] = filter(std::fabs(center - double(l + k)) * filter_scale) * filter_scale;
        double sum = 0.0;
        for (int k = 0; k < n; ++k) sum += w[k];
        if (sum > 0.0 && sum != 1.0)
            for (int k = 0; k < n; ++k) w[k] /= sum;
    }
    return true;
}

#if defined(__x86_64__)
PIXMOLD_AVX2 bool build_table_avx2(int n_in, int n_out, Contributions& table, double extent, double start) {
    return build_table<true>(n_in, n_out, table, extent, start);
}
#endif

}  // namespace

bool build_contributions(int n_in, int n_out, Contributions& table, double extent, double start) {
#if defined(__x86_64__)
    if (active_isa() >= Isa::Avx2) return build_table_avx2(n_in, n_out, table, extent, start);
#endif
    return build_table<false>(n_in, n_out, table, extent, start);
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
    // A value in [2^e, 2^(e + 1)) has ulps of 2^(e - 23), so half an ulp is
    // 2^e units; the accumulated rounding errors (far below 2^-10) may push
    // it up to x. 2^e is x with its significand cleared.
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x + 0x1p-10);
    return std::bit_cast<double>(bits & 0xFFF0000000000000u);
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

namespace {

std::uint64_t pack_span(int next, int end) { return std::uint64_t(std::uint32_t(next)) << 32 | std::uint32_t(end); }
int span_next(std::uint64_t s) { return int(std::uint32_t(s >> 32)); }
int span_end(std::uint64_t s) { return int(std::uint32_t(s)); }

}  // namespace

void RowRange::set(int begin, int end) { span_.store(pack_span(begin, end), std::memory_order_relaxed); }

int RowRange::claim(int most, int& begin) {
    std::uint64_t s = span_.load(std::memory_order_relaxed);
    for (;;) {
        const int next = span_next(s), end = span_end(s);
        if (next >= end) return 0;
        const int got = std::min(most, end - next);
        if (span_.compare_exchange_weak(s, pack_span(next + got, end), std::memory_order_relaxed)) {
            begin = next;
            return got;
        }
    }
}

int RowRange::end() const { return span_end(span_.load(std::memory_order_relaxed)); }

int RowRange::left() const {
    const std::uint64_t s = span_.load(std::memory_order_relaxed);
    return std::max(0, span_end(s) - span_next(s));
}

bool RowRange::split(RowRange& into, int least) {
    std::uint64_t s = span_.load(std::memory_order_relaxed);
    for (;;) {
        const int next = span_next(s), end = span_end(s);
        const int left = end - next;
        if (left < 2 * least) return false;
        const int mid = next + left / 2;
        if (span_.compare_exchange_weak(s, pack_span(next, mid), std::memory_order_relaxed)) {
            into.set(mid, end);
            return true;
        }
    }
}

bool run_split(int threads, int n, int least, const std::function<bool()>& prepare,
               const std::function<bool()>& prepare_too, const std::function<void(RowRange&)>& work) {
    if (n <= 0) return prepare() && prepare_too();
    threads = std::max(1, std::min(threads, n));
    least = std::max(1, least);
    std::unique_ptr<RowRange[]> ranges;
    try {
        ranges = std::make_unique<RowRange[]>(std::size_t(threads));
    } catch (const std::bad_alloc&) {
        threads = 1;
    }
    RowRange alone;
    for (int t = 0; t < threads && ranges; ++t)
        ranges[std::size_t(t)].set(int(std::int64_t(n) * t / threads), int(std::int64_t(n) * (t + 1) / threads));
    // The second preparation goes to whichever thread takes it first.
    std::atomic<bool> too_taken{false}, too_done{false}, too_ok{false};
    auto take_too = [&] {
        if (too_taken.exchange(true, std::memory_order_acq_rel)) return;
        too_ok.store(prepare_too(), std::memory_order_relaxed);
        too_done.store(true, std::memory_order_release);
    };
    // 0: preparing, 1: go, 2: given up.
    std::atomic<int> state{0};
    auto await_go = [&state] {
        // A woken core is kept busy while the tables are built: asleep it
        // would take a while to wake again on some machines.
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(5);
        for (int spin = 0; state.load(std::memory_order_acquire) == 0; ++spin) {
            spin_pause();
            if (spin % 256 == 0 && std::chrono::steady_clock::now() > give_up) {
                state.wait(0, std::memory_order_acquire);
                break;
            }
        }
        return state.load(std::memory_order_acquire) == 1;
    };
    // Thread t works through its own range, then through halves of the
    // largest range left.
    auto run = [&](int t) {
        RowRange& own = ranges[std::size_t(t)];
        for (;;) {
            work(own);
            int largest = -1, most = 0;
            for (int v = 0; v < threads; ++v)
                if (v != t && ranges[std::size_t(v)].left() > most) most = ranges[std::size_t(v)].left(), largest = v;
            if (largest < 0 || !ranges[std::size_t(largest)].split(own, least)) return;
        }
    };
    std::atomic<int> finished{0};  // pool threads done with their rows
    std::vector<std::thread> pool;
    int started = 0;  // ranges [0, started) belong to pool threads
    try {
        pool.reserve(std::size_t(threads - 1));
        for (int t = 0; t + 1 < threads; ++t) {
            pool.emplace_back([&, t] {
                take_too();
                if (await_go()) run(t);
                finished.fetch_add(1, std::memory_order_release);
            });
            started = t + 1;
        }
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    // Ranges of threads that could not be started go to this one (before
    // the others may look at them).
    if (ranges && started + 1 < threads) {
        for (int t = started; t + 1 < threads; ++t) ranges[std::size_t(t)].set(0, 0);
        ranges[std::size_t(threads - 1)].set(int(std::int64_t(n) * started / threads), n);
    }
    bool ready = prepare();
    take_too();
    while (!too_done.load(std::memory_order_acquire)) spin_pause();  // another thread is on it
    ready = ready && too_ok.load(std::memory_order_relaxed);
    state.store(ready ? 1 : 2, std::memory_order_release);
    state.notify_all();
    if (ready) {
        if (ranges) {
            run(threads - 1);
        } else {
            alone.set(0, n);
            work(alone);
        }
    }
    // The last rows of the others are close: waiting awake for them is
    // quicker than being woken by their exit.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(2);
    for (int spin = 0; finished.load(std::memory_order_acquire) < started; ++spin) {
        if (spin % 256 == 0 && std::chrono::steady_clock::now() > give_up) break;
        spin_pause();
    }
    for (std::thread& t : pool) t.join();
    return ready;
}

}  // namespace pixmold::resample
