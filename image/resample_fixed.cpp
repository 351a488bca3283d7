// Fixed-point Mitchell kernels for 24-bit pictures.
//
// Weights are 16-bit with 14 fraction bits, quantised so that each output's
// weights sum to exactly 1 (uniform areas stay exactly uniform). Sums are
// 32-bit: byte = clamp((8192 + sum of weight * value) >> 14).
//
// The first pass of a resize rounds to bytes where the double-precision
// filter rounds too, and one-level slips there add up in the second pass
// (neighbouring columns often sit on the same exact tie, x.5, which the
// double filter breaks by its own rounding noise). So a first pass along
// rows also sums the weights' remainders (22 fraction bits), which pins the
// value within 2^-23 per tap, and any value that close to a tie is
// recomputed exactly as the double filter does. Its bytes then equal the
// double filter's. (A first pass down columns uses the exact column kernel
// instead.) The AVX2 and generic versions compute the same integers and make
// the same decisions, so they give the same bytes.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/resample_internal.h"

#if defined(__x86_64__)
#if defined(__GNUC__) && !defined(__clang__)
// GCC 12's AVX-512 intrinsics start some results from a deliberately
// undefined value and then warn about it.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#endif

namespace pixmold::resample {

namespace {

constexpr int kShift = 14;
constexpr int kOne = 1 << kShift;
constexpr int kHalf = 1 << (kShift - 1);
constexpr int kFineShift = 22;
constexpr int kFineHalf = 1 << (kFineShift - 1);
constexpr double kFineOne = double(1 << kFineShift);

inline std::uint8_t clamp_byte(int sum, int shift = kShift) {
    const int v = sum >> shift;
    return std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

constexpr int kFineMask = (1 << kFineShift) - 1;

// Value + 1/2 in 22-bit fixed point from a coarse sum (no bias) and a fine
// sum (bias included).
inline int fine_total(int coarse, int fine) { return int(std::uint32_t(coarse) << (kFineShift - kShift)) + fine; }

// True when a total may round differently from the exact value.
inline bool near_tie(int total, int margin) { return ((total + margin) & kFineMask) < 2 * margin; }

inline std::uint8_t exact_byte(double sum) {
    const int v = int(sum + 0.5);
    return std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Output x, channel c of the row filter, as the double-precision filter.
// (Keep it out of code built for FMA: the compiler could fuse its multiply
// and add, which rounds differently.)
inline std::uint8_t exact_across(const std::uint8_t* in, const Contributions& e, int x, int c) {
    const double* w = &e.weights[std::size_t(x) * std::size_t(e.stride)];
    const std::uint8_t* p = in + std::size_t(e.left[std::size_t(x)]) * 3 + std::size_t(c);
    double s = 0;
    for (int k = 0; k < e.count[std::size_t(x)]; ++k, p += 3) s += w[k] * double(*p);
    return exact_byte(s);
}

// Two taps of one output pixel in the madd layout: (w0, w1) for blue, green
// and red, zero for the fourth pair.
inline void put_pair(std::int16_t* lane, std::int16_t w0, std::int16_t w1) {
    for (int c = 0; c < 3; ++c) {
        lane[2 * c] = w0;
        lane[2 * c + 1] = w1;
    }
    lane[6] = lane[7] = 0;
}

}  // namespace

// floor for |x| < 2^31, without the library call that baseline x86-64
// code makes of std::floor (tables are built once per resize, but their
// cost shows on small pictures).
inline int floor_int(double x) {
    const int t = int(x);
    return double(t) > x ? t - 1 : t;
}

// Longer windows than this take the one-row kernel even when precise.
constexpr int kMaxRowTaps = 32;

// The n weights w in 16-bit fixed point, into q: rounded down, then the ones
// that lost most rounded up until the sum is exactly one, so each stays
// within one unit of its exact value.
void round_weights(const double* w, int n, std::int16_t* q, std::vector<int>& order, std::vector<double>& lost) {
    int sum = 0;
    order.resize(std::size_t(n));
    for (int k = 0; k < n; ++k) {
        const double scaled = w[k] * kOne;
        const int down = floor_int(scaled);
        q[k] = std::int16_t(down);
        lost[std::size_t(k)] = scaled - down;
        sum += down;
        order[std::size_t(k)] = k;
    }
    const int missing = std::clamp(kOne - sum, 0, n);
    if (missing > 0 && missing < n)
        std::nth_element(order.begin(), order.begin() + missing, order.end(),
                         [&](int a, int b) { return lost[std::size_t(a)] > lost[std::size_t(b)]; });
    for (int m = 0; m < missing; ++m) ++q[order[std::size_t(m)]];
}

bool make_fixed(Contributions& table, int tap_multiple, bool precise, bool row_layout, FixedContributions& out) {
    int taps = 1;
    for (int n : table.count) taps = std::max(taps, n);
    // The sixteen-row kernel takes every precise table it can (down to a
    // single row). It takes any tap count, so no padding to pairs, and it
    // reads neither the one-row layout nor the 16-bit weights (the plain
    // code does, and so do longer windows).
    const bool sixteen_rows = precise && taps <= kMaxRowTaps;
    if (sixteen_rows) tap_multiple = 1, row_layout = false;
    taps = (taps + tap_multiple - 1) / tap_multiple * tap_multiple;
    const bool fixed_weights = !sixteen_rows || active_isa() < Isa::Avx2;
    const std::size_t n_out = std::size_t(table.n_out);
    const std::size_t per_pair = precise ? 32 : 16;
    std::vector<int> order;
    std::vector<double> lost;  // what each rounded-down weight misses, in units
    std::vector<double> padded;  // an output's weights at their place in the padded window
    double worst_bound = 0;  // largest error bound of a single-precision sum (units of 2^-24)
    try {
        out.left.assign(n_out, 0);
        out.weights.assign(fixed_weights ? n_out * std::size_t(taps) : 0, 0);
        out.fine.assign(precise && fixed_weights ? n_out * std::size_t(taps) : 0, 0);
        out.single.assign(precise ? n_out * std::size_t(taps) : 0, 0.0f);
        out.pairs.clear();
        if (row_layout) out.pairs.assign((n_out + 1) / 2 * std::size_t(taps / 2) * per_pair, 0);
        order.reserve(std::size_t(taps));
        lost.resize(std::size_t(taps));
        padded.resize(precise ? std::size_t(taps) : 0);
    } catch (const std::bad_alloc&) {
        out = FixedContributions{};
        return false;
    }
    out.n_in = table.n_in;
    out.n_out = table.n_out;
    out.taps = taps;
    out.last_start = 0;
    out.precise = precise;
    for (int i = 0; i < table.n_out; ++i) {
        const int l = table.left[std::size_t(i)];
        const int n = table.count[std::size_t(i)];
        const int start = std::max(0, std::min(l, table.n_in - taps));
        out.left[std::size_t(i)] = start;
        out.last_start = std::max(out.last_start, start);
        if (n == 0) continue;
        const double* w = &table.weights[std::size_t(i) * std::size_t(table.stride)];
        if (fixed_weights) round_weights(w, n, &out.weights[std::size_t(i) * std::size_t(taps)] + (l - start), order, lost);
        if (!precise) continue;
        if (fixed_weights) {
            const std::int16_t* q = &out.weights[std::size_t(i) * std::size_t(taps)] + (l - start);
            std::int16_t* f = &out.fine[std::size_t(i) * std::size_t(taps)] + (l - start);
            for (int k = 0; k < n; ++k) f[k] = std::int16_t(floor_int((w[k] - double(q[k]) / kOne) * kFineOne + 0.5));
        }
        float* single = &out.single[std::size_t(i) * std::size_t(taps)];
        std::fill(padded.begin(), padded.end(), 0.0);
        for (int k = 0; k < n; ++k) {
            single[k + (l - start)] = float(w[k]);
            padded[std::size_t(k + (l - start))] = w[k];
        }
        // The sixteen-row kernel sums the even and the odd taps of the padded
        // window in two chains.
        const double bound = single_sum_bound(padded.data(), single, taps, 2);
        worst_bound = std::max(worst_bound, bound);
    }
    if (precise) {
        // Each weight is off by at most 2^-23, half a unit of the total.
        out.tie_margin = 255 * taps / 2 + 64;
        // Single precision: a quarter more than the largest bound above.
        out.single_margin = float(std::ldexp(1.25 * worst_bound, -24));
        out.exact = std::move(table);
    }
    if (!out.pairs.empty()) {
        for (int i = 0; i < out.n_out; ++i) {
            for (int p = 0; p < taps / 2; ++p) {
                std::int16_t* dst =
                    &out.pairs[(std::size_t(i / 2) * std::size_t(taps / 2) + std::size_t(p)) * per_pair +
                               std::size_t(i % 2) * 8];
                const std::size_t k = std::size_t(i) * std::size_t(taps) + std::size_t(2 * p);
                put_pair(dst, out.weights[k], out.weights[k + 1]);
                if (precise) put_pair(dst + 16, out.fine[k], out.fine[k + 1]);
            }
        }
    }
    return true;
}

namespace {

void horizontal_generic(const std::uint8_t* in, std::uint8_t* out, const FixedContributions& t, int x0, int x1) {
    for (int x = x0; x < x1; ++x) {
        const std::size_t at = std::size_t(x) * std::size_t(t.taps);
        const std::int16_t* w = &t.weights[at];
        const std::uint8_t* p0 = in + std::size_t(t.left[std::size_t(x)]) * 3;
        int s[3] = {0, 0, 0};
        const std::uint8_t* p = p0;
        for (int k = 0; k < t.taps; ++k, p += 3)
            for (int c = 0; c < 3; ++c) s[c] += w[k] * p[c];
        if (!t.precise) {
            for (int c = 0; c < 3; ++c) out[3 * x + c] = clamp_byte(s[c] + kHalf);
            continue;
        }
        const std::int16_t* f = &t.fine[at];
        int fs[3] = {kFineHalf, kFineHalf, kFineHalf};
        p = p0;
        for (int k = 0; k < t.taps; ++k, p += 3)
            for (int c = 0; c < 3; ++c) fs[c] += f[k] * p[c];
        for (int c = 0; c < 3; ++c) {
            const int total = fine_total(s[c], fs[c]);
            out[3 * x + c] =
                near_tie(total, t.tie_margin) ? exact_across(in, t.exact, x, c) : clamp_byte(total, kFineShift);
        }
    }
}

void vertical_generic(const std::uint8_t* const* rows, const FixedContributions& t, int y, std::uint8_t* out,
                      std::size_t j0, std::size_t j1) {
    const std::size_t at = std::size_t(y) * std::size_t(t.taps);
    const std::int16_t* w = &t.weights[at];
    for (std::size_t j = j0; j < j1; ++j) {
        int s = 0;
        for (int k = 0; k < t.taps; ++k) s += w[k] * rows[k][j];
        out[j] = clamp_byte(s + kHalf);
    }
}

#if defined(__x86_64__)
#define PIXMOLD_AVX2 __attribute__((target("avx2")))

PIXMOLD_AVX2 inline __m256i load_two(const std::uint8_t* a, const std::uint8_t* b) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a))),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(b)), 1);
}

// Coarse sums (bias included) down to byte scale, or the precise totals.
template <bool Precise>
PIXMOLD_AVX2 inline __m256i to_total(__m256i sum, __m256i fine) {
    if (!Precise) return _mm256_srai_epi32(sum, kShift);
    return _mm256_add_epi32(_mm256_slli_epi32(sum, kFineShift - kShift), fine);
}

// Lanes whose precise total is near a tie, as an 8-bit mask.
PIXMOLD_AVX2 inline int tie_lanes(__m256i total, int margin) {
    const __m256i low = _mm256_and_si256(_mm256_add_epi32(total, _mm256_set1_epi32(margin)),
                                         _mm256_set1_epi32(kFineMask));
    return _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(_mm256_set1_epi32(2 * margin), low)));
}

// Lanes near a tie, as a vector mask (all ones where near).
PIXMOLD_AVX2 inline __m256i tie_vector(__m256i total, __m256i margin, __m256i twice_margin) {
    const __m256i low = _mm256_and_si256(_mm256_add_epi32(total, margin), _mm256_set1_epi32(kFineMask));
    return _mm256_cmpgt_epi32(twice_margin, low);
}

// The parts of a table the row kernel reads, held apart from the table so
// that stores to the output row do not make the compiler reload them.
struct RowTable {
    const int* left;
    const std::int16_t* pairs;
    int taps;
};

// Sums of one output pair (see to_total): lane 0 = output x (B, G, R, 0),
// lane 1 = x + 1. The fourth lanes hold exactly 1/2 when precise, so they
// are never near a tie and pack to 0.
template <bool Precise, int Taps>
PIXMOLD_AVX2 inline __m256i pair_sums(const std::uint8_t* in, const RowTable& t, int x, __m256i taps01,
                                      __m256i taps23) {
    const int taps = Taps ? Taps : t.taps;
    constexpr std::size_t kPerPair = Precise ? 32 : 16;
    const std::uint8_t* a = in + std::size_t(t.left[x]) * 3;
    const std::uint8_t* b = in + std::size_t(t.left[x + 1]) * 3;
    const std::int16_t* w = t.pairs + std::size_t(x / 2) * std::size_t(taps / 2) * kPerPair;
    __m256i sum = Precise ? _mm256_setzero_si256() : _mm256_setr_epi32(kHalf, kHalf, kHalf, 0, kHalf, kHalf, kHalf, 0);
    __m256i fine = _mm256_set1_epi32(kFineHalf);
    int g = 0;
    for (; g + 4 <= taps; g += 4, a += 12, b += 12, w += 2 * kPerPair) {
        const __m256i v = load_two(a, b);
        const __m256i v01 = _mm256_shuffle_epi8(v, taps01), v23 = _mm256_shuffle_epi8(v, taps23);
        const __m256i* w01 = reinterpret_cast<const __m256i*>(w);
        const __m256i* w23 = reinterpret_cast<const __m256i*>(w + kPerPair);
        sum = _mm256_add_epi32(sum, _mm256_madd_epi16(v01, _mm256_loadu_si256(w01)));
        sum = _mm256_add_epi32(sum, _mm256_madd_epi16(v23, _mm256_loadu_si256(w23)));
        if (Precise) {
            fine = _mm256_add_epi32(fine, _mm256_madd_epi16(v01, _mm256_loadu_si256(w01 + 1)));
            fine = _mm256_add_epi32(fine, _mm256_madd_epi16(v23, _mm256_loadu_si256(w23 + 1)));
        }
    }
    if (g < taps) {  // a last pair of taps
        const __m256i v = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a))),
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b)), 1);
        const __m256i v01 = _mm256_shuffle_epi8(v, taps01);
        const __m256i* w01 = reinterpret_cast<const __m256i*>(w);
        sum = _mm256_add_epi32(sum, _mm256_madd_epi16(v01, _mm256_loadu_si256(w01)));
        if (Precise) fine = _mm256_add_epi32(fine, _mm256_madd_epi16(v01, _mm256_loadu_si256(w01 + 1)));
    }
    return to_total<Precise>(sum, fine);
}

// Taps: the table's tap count when known at compile time (loops unrolled), or 0.
template <bool Precise, int Taps>
PIXMOLD_AVX2 void horizontal_avx2(const std::uint8_t* in, std::uint8_t* out, const FixedContributions& t) {
    // Bytes of taps (0, 1) and (2, 3) of a 4-tap group, widened to int16 in
    // the order b0 b1 g0 g1 r0 r1 - -.
    const __m256i taps01 = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1));
    const __m256i taps23 = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(6, -1, 9, -1, 7, -1, 10, -1, 8, -1, 11, -1, -1, -1, -1, -1));
    const __m128i compact = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const RowTable rt{t.left.data(), t.pairs.data(), t.taps};
    const int margin = t.tie_margin;
    const __m256i margin_v = _mm256_set1_epi32(margin), twice_margin_v = _mm256_set1_epi32(2 * margin);
    const int n = t.n_out;
    int x = 0;
    for (; x + 4 <= n; x += 4) {
        __m256i s01 = pair_sums<Precise, Taps>(in, rt, x, taps01, taps23);
        __m256i s23 = pair_sums<Precise, Taps>(in, rt, x + 2, taps01, taps23);
        int ties = 0;
        if (Precise) {
            const __m256i near = _mm256_or_si256(tie_vector(s01, margin_v, twice_margin_v),
                                                 tie_vector(s23, margin_v, twice_margin_v));
            if (!_mm256_testz_si256(near, near))
                ties = tie_lanes(s01, margin) | tie_lanes(s23, margin) << 8;
            s01 = _mm256_srai_epi32(s01, kFineShift);
            s23 = _mm256_srai_epi32(s23, kFineShift);
        }
        const __m256i words = _mm256_packs_epi32(s01, s23);  // lane 0: x, x+2; lane 1: x+1, x+3
        const __m256i bytes = _mm256_packus_epi16(words, words);
        const __m128i lo = _mm256_castsi256_si128(bytes), hi = _mm256_extracti128_si256(bytes, 1);
        const __m128i px = _mm_shuffle_epi8(_mm_unpacklo_epi32(lo, hi), compact);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 3 * x), px);
        const int tail = _mm_extract_epi32(px, 2);
        std::memcpy(out + 3 * x + 8, &tail, 4);
        for (; ties != 0; ties &= ties - 1) {
            const int bit = __builtin_ctz(ties);  // 4 lanes per output: x, x+1, x+2, x+3
            const int o = x + bit / 4, c = bit % 4;
            out[3 * o + c] = exact_across(in, t.exact, o, c);
        }
    }
    // GCC leaves the tail call below without the usual vzeroupper: with the
    // upper halves dirty, every later SSE instruction of this thread waits
    // on them (scalar double code ran four times slower after a resize).
    _mm256_zeroupper();
    horizontal_generic(in, out, t, x, n);
}


// The plain filter on 32 bytes starting at j. The two rows of a pair are
// interleaved as bytes and then widened against zero, which costs fewer
// shuffles than widening each row first; the sums come out in byte order.
template <int Pairs>
PIXMOLD_AVX2 inline void vertical_block(const std::uint8_t* const* rows, const __m256i* w, int pairs_at_run_time,
                                        std::uint8_t* out, std::size_t j) {
    const int pairs = Pairs ? Pairs : pairs_at_run_time;
    const __m256i zero = _mm256_setzero_si256();
    __m256i s0 = _mm256_set1_epi32(kHalf), s1 = s0, s2 = s0, s3 = s0;
    for (int p = 0; p < pairs; ++p) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[2 * p] + j));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[2 * p + 1] + j));
        const __m256i lo = _mm256_unpacklo_epi8(a, b), hi = _mm256_unpackhi_epi8(a, b);
        // Bytes 0-3 | 16-19, 4-7 | 20-23, 8-11 | 24-27, 12-15 | 28-31.
        s0 = _mm256_add_epi32(s0, _mm256_madd_epi16(_mm256_unpacklo_epi8(lo, zero), w[p]));
        s1 = _mm256_add_epi32(s1, _mm256_madd_epi16(_mm256_unpackhi_epi8(lo, zero), w[p]));
        s2 = _mm256_add_epi32(s2, _mm256_madd_epi16(_mm256_unpacklo_epi8(hi, zero), w[p]));
        s3 = _mm256_add_epi32(s3, _mm256_madd_epi16(_mm256_unpackhi_epi8(hi, zero), w[p]));
    }
    const __m256i t0 = _mm256_srai_epi32(s0, kShift), t1 = _mm256_srai_epi32(s1, kShift);
    const __m256i t2 = _mm256_srai_epi32(s2, kShift), t3 = _mm256_srai_epi32(s3, kShift);
    const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(t0, t1), _mm256_packs_epi32(t2, t3));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j), bytes);
}

constexpr int kMaxVerticalPairs = 64;  // longer windows take the plain code

inline int weight_pair(const std::int16_t* w, int p) {
    return int(std::uint16_t(w[2 * p]) | std::uint32_t(std::uint16_t(w[2 * p + 1])) << 16);
}

template <int Pairs>
PIXMOLD_AVX2 void vertical_run(const std::uint8_t* const* rows, const __m256i* w, int pairs, std::uint8_t* out,
                               std::size_t bytes) {
    std::size_t j = 0;
    for (; j + 32 <= bytes; j += 32) vertical_block<Pairs>(rows, w, pairs, out, j);
    // The last block overlaps the previous one; it writes the same values there.
    if (j < bytes) vertical_block<Pairs>(rows, w, pairs, out, bytes - 32);
}

#define PIXMOLD_AVX512 __attribute__((target("avx2,avx512f,avx512bw,avx512vl,avx512dq")))

// vertical_block on 64 bytes: the same operations within each 16 bytes.
template <int Pairs>
PIXMOLD_AVX512 inline void vertical_block512(const std::uint8_t* const* rows, const __m512i* w, int pairs_at_run_time,
                                             std::uint8_t* out, std::size_t j) {
    const int pairs = Pairs ? Pairs : pairs_at_run_time;
    const __m512i zero = _mm512_setzero_si512();
    __m512i s0 = _mm512_set1_epi32(kHalf), s1 = s0, s2 = s0, s3 = s0;
    for (int p = 0; p < pairs; ++p) {
        const __m512i a = _mm512_loadu_si512(rows[2 * p] + j);
        const __m512i b = _mm512_loadu_si512(rows[2 * p + 1] + j);
        const __m512i lo = _mm512_unpacklo_epi8(a, b), hi = _mm512_unpackhi_epi8(a, b);
        s0 = _mm512_add_epi32(s0, _mm512_madd_epi16(_mm512_unpacklo_epi8(lo, zero), w[p]));
        s1 = _mm512_add_epi32(s1, _mm512_madd_epi16(_mm512_unpackhi_epi8(lo, zero), w[p]));
        s2 = _mm512_add_epi32(s2, _mm512_madd_epi16(_mm512_unpacklo_epi8(hi, zero), w[p]));
        s3 = _mm512_add_epi32(s3, _mm512_madd_epi16(_mm512_unpackhi_epi8(hi, zero), w[p]));
    }
    const __m512i t0 = _mm512_srai_epi32(s0, kShift), t1 = _mm512_srai_epi32(s1, kShift);
    const __m512i t2 = _mm512_srai_epi32(s2, kShift), t3 = _mm512_srai_epi32(s3, kShift);
    const __m512i bytes = _mm512_packus_epi16(_mm512_packs_epi32(t0, t1), _mm512_packs_epi32(t2, t3));
    _mm512_storeu_si512(out + j, bytes);
}

// Rows of at least 64 bytes, 64 at a time (the last block overlapping).
template <int Pairs>
PIXMOLD_AVX512 void vertical_run512(const std::uint8_t* const* rows, const std::int16_t* weights, int pairs,
                                    std::uint8_t* out, std::size_t bytes) {
    __m512i w[kMaxVerticalPairs];
    for (int p = 0; p < pairs; ++p) w[p] = _mm512_set1_epi32(weight_pair(weights, p));
    std::size_t j = 0;
    for (; j + 64 <= bytes; j += 64) vertical_block512<Pairs>(rows, w, pairs, out, j);
    if (j < bytes) vertical_block512<Pairs>(rows, w, pairs, out, bytes - 64);
}

PIXMOLD_AVX2 void vertical_avx2(const std::uint8_t* const* rows, const FixedContributions& t, int y,
                                std::uint8_t* out, std::size_t bytes) {
    constexpr int kMaxPairs = kMaxVerticalPairs;
    const std::size_t at = std::size_t(y) * std::size_t(t.taps);
    // Windows are padded to the longest one; a trailing pair of zero
    // weights adds exactly nothing, so it is left out.
    int used = t.taps;
    while (used > 1 && t.weights[at + std::size_t(used) - 1] == 0) --used;
    const int pairs = (used + 1) / 2;
    if (pairs > kMaxPairs || bytes < 32) {
        vertical_generic(rows, t, y, out, 0, bytes);
        return;
    }
    if (bytes >= 64 && active_isa() >= Isa::Avx512) {
        switch (pairs) {
            case 2: return vertical_run512<2>(rows, &t.weights[at], pairs, out, bytes);
            case 3: return vertical_run512<3>(rows, &t.weights[at], pairs, out, bytes);
            case 4: return vertical_run512<4>(rows, &t.weights[at], pairs, out, bytes);
            case 5: return vertical_run512<5>(rows, &t.weights[at], pairs, out, bytes);
            case 6: return vertical_run512<6>(rows, &t.weights[at], pairs, out, bytes);
            case 7: return vertical_run512<7>(rows, &t.weights[at], pairs, out, bytes);
            case 8: return vertical_run512<8>(rows, &t.weights[at], pairs, out, bytes);
            default: return vertical_run512<0>(rows, &t.weights[at], pairs, out, bytes);
        }
    }
    __m256i w[kMaxPairs];
    for (int p = 0; p < pairs; ++p) w[p] = _mm256_set1_epi32(weight_pair(&t.weights[at], p));
    switch (pairs) {
        case 2: return vertical_run<2>(rows, w, pairs, out, bytes);
        case 3: return vertical_run<3>(rows, w, pairs, out, bytes);
        case 4: return vertical_run<4>(rows, w, pairs, out, bytes);
        case 5: return vertical_run<5>(rows, w, pairs, out, bytes);
        case 6: return vertical_run<6>(rows, w, pairs, out, bytes);
        case 7: return vertical_run<7>(rows, w, pairs, out, bytes);
        case 8: return vertical_run<8>(rows, w, pairs, out, bytes);
        default: return vertical_run<0>(rows, w, pairs, out, bytes);
    }
}

template <bool Precise>
void horizontal_dispatch(const std::uint8_t* in, std::uint8_t* out, const FixedContributions& t) {
    switch (t.taps) {
        case 4: return horizontal_avx2<Precise, 4>(in, out, t);
        case 6: return horizontal_avx2<Precise, 6>(in, out, t);
        case 8: return horizontal_avx2<Precise, 8>(in, out, t);
        case 10: return horizontal_avx2<Precise, 10>(in, out, t);
        case 12: return horizontal_avx2<Precise, 12>(in, out, t);
        case 14: return horizontal_avx2<Precise, 14>(in, out, t);
        case 16: return horizontal_avx2<Precise, 16>(in, out, t);
        default: return horizontal_avx2<Precise, 0>(in, out, t);
    }
}
#endif  // x86-64

}  // namespace

std::size_t fixed_row_reach(const FixedContributions& t) {
    return (std::size_t(t.last_start) + std::size_t(t.taps)) * 3 + 32;
}

void fixed_horizontal(const std::uint8_t* in, std::uint8_t* out, const FixedContributions& t) {
#if defined(__x86_64__)
    if (active_isa() >= Isa::Avx2 && !t.pairs.empty())
        return t.precise ? horizontal_dispatch<true>(in, out, t) : horizontal_dispatch<false>(in, out, t);
#endif
    horizontal_generic(in, out, t, 0, t.n_out);
}

void fixed_vertical(const std::uint8_t* const* rows, const FixedContributions& t, int y, std::uint8_t* out,
                    std::size_t bytes) {
#if defined(__x86_64__)
    if (active_isa() >= Isa::Avx2) return vertical_avx2(rows, t, y, out, bytes);
#endif
    vertical_generic(rows, t, y, out, 0, bytes);
}

#if defined(__x86_64__)
namespace {

// ---- sixteen rows at once ------------------------------------------------
//
// The first pass along rows must give the double filter's bytes, which the
// one-row kernel above pays for with two multiplies per tap and a quarter of
// each multiply spent on padding. Filtering sixteen rows together turns the
// rows into SIMD lanes: the input is transposed once into single-precision
// "columns" (byte position i of rows 0..7 and of rows 8..15, side by side),
// and every output channel is a chain of fused multiply-adds by broadcast
// weights, each weight serving six vectors (three with AVX-512, whose
// vectors hold all sixteen rows). A sum that is farther than the
// table's error bound from a rounding tie rounds like the exact one; the few
// that are not get the double-precision sum. So the bytes are the double
// filter's, as in the one-row kernels.

constexpr int kRowsAtOnce = kFixedRowsAtOnce;
constexpr int kHalf8 = 8;          // rows per vector
constexpr int kChunkOutputs = 32;  // outputs per transposed stretch (stays in L1)
constexpr int kPrefetchAhead = 384;  // bytes; 256 to 512 measured alike

// The column vectors of one chunk cover input pixels [first, end).
inline void chunk_span(const FixedContributions& t, int x0, int x1, int& first, int& end) {
    first = t.left[std::size_t(x0)];
    end = first;
    for (int x = x0; x < x1; ++x) {
        first = std::min(first, t.left[std::size_t(x)]);
        end = std::max(end, t.left[std::size_t(x)] + t.taps);
    }
}

PIXMOLD_AVX2 inline void transpose8(__m256i* v) {
    const __m256i t0 = _mm256_unpacklo_epi32(v[0], v[1]), t1 = _mm256_unpackhi_epi32(v[0], v[1]);
    const __m256i t2 = _mm256_unpacklo_epi32(v[2], v[3]), t3 = _mm256_unpackhi_epi32(v[2], v[3]);
    const __m256i t4 = _mm256_unpacklo_epi32(v[4], v[5]), t5 = _mm256_unpackhi_epi32(v[4], v[5]);
    const __m256i t6 = _mm256_unpacklo_epi32(v[6], v[7]), t7 = _mm256_unpackhi_epi32(v[6], v[7]);
    const __m256i u0 = _mm256_unpacklo_epi64(t0, t2), u1 = _mm256_unpackhi_epi64(t0, t2);
    const __m256i u2 = _mm256_unpacklo_epi64(t1, t3), u3 = _mm256_unpackhi_epi64(t1, t3);
    const __m256i u4 = _mm256_unpacklo_epi64(t4, t6), u5 = _mm256_unpackhi_epi64(t4, t6);
    const __m256i u6 = _mm256_unpacklo_epi64(t5, t7), u7 = _mm256_unpackhi_epi64(t5, t7);
    v[0] = _mm256_permute2x128_si256(u0, u4, 0x20);
    v[1] = _mm256_permute2x128_si256(u1, u5, 0x20);
    v[2] = _mm256_permute2x128_si256(u2, u6, 0x20);
    v[3] = _mm256_permute2x128_si256(u3, u7, 0x20);
    v[4] = _mm256_permute2x128_si256(u0, u4, 0x31);
    v[5] = _mm256_permute2x128_si256(u1, u5, 0x31);
    v[6] = _mm256_permute2x128_si256(u2, u6, 0x31);
    v[7] = _mm256_permute2x128_si256(u3, u7, 0x31);
}

// Single-precision values of byte positions [i0, i0 + count) of eight rows
// (lane r: row r), count a multiple of 8, into every other vector of
// `columns` (the other half's rows fill the rest).
PIXMOLD_AVX2 void build_columns(const std::uint8_t* const* in, std::size_t i0, std::size_t count, __m256* columns) {
    std::size_t i = 0;
    // 32 bytes of each row at once: a transpose of whole 4-byte words, then
    // each byte is taken out of its word (a shuffle for the middle two costs
    // one operation where a shift and a mask cost two). The sixteen rows are
    // too many streams for the hardware prefetcher, which left this loop
    // waiting on memory: the bytes a chunk or so ahead are asked for here.
    const __m256i low_byte = _mm256_set1_epi32(0xFF);
    const __m256i byte1 = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(1, -1, -1, -1, 5, -1, -1, -1, 9, -1, -1, -1, 13, -1, -1, -1));
    const __m256i byte2 = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(2, -1, -1, -1, 6, -1, -1, -1, 10, -1, -1, -1, 14, -1, -1, -1));
    for (; i + 32 <= count; i += 32) {
        __m256i v[kHalf8];
        for (int r = 0; r < kHalf8; ++r) {
            _mm_prefetch(reinterpret_cast<const char*>(in[r] + i0 + i + kPrefetchAhead), _MM_HINT_T0);
            v[r] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in[r] + i0 + i));
        }
        transpose8(v);
        for (int m = 0; m < 8; ++m) {
            float* at = reinterpret_cast<float*>(columns + 2 * (i + 4 * std::size_t(m)));
            _mm256_store_ps(at, _mm256_cvtepi32_ps(_mm256_and_si256(v[m], low_byte)));
            _mm256_store_ps(at + 16, _mm256_cvtepi32_ps(_mm256_shuffle_epi8(v[m], byte1)));
            _mm256_store_ps(at + 32, _mm256_cvtepi32_ps(_mm256_shuffle_epi8(v[m], byte2)));
            _mm256_store_ps(at + 48, _mm256_cvtepi32_ps(_mm256_srli_epi32(v[m], 24)));
        }
    }
    for (; i < count; i += 8) {
        __m256i v[kHalf8];
        for (int r = 0; r < kHalf8; ++r)
            v[r] = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in[r] + i0 + i)));
        transpose8(v);
        for (int k = 0; k < 8; ++k)
            _mm256_store_ps(reinterpret_cast<float*>(columns + 2 * (i + std::size_t(k))), _mm256_cvtepi32_ps(v[k]));
    }
}

// Both halves: byte positions [i0, i0 + count) of all sixteen rows, column
// i in columns[2i] (rows 0-7) and columns[2i + 1] (rows 8-15).
PIXMOLD_AVX2 void build_columns16(const std::uint8_t* const* in, std::size_t i0, std::size_t count, __m256* columns) {
    build_columns(in, i0, count, columns);
    build_columns(in + kHalf8, i0, count, columns + 1);
}

// The same with rows r and r + 8 side by side in one AVX-512 vector, so that
// one transpose serves all sixteen rows and each column is one store.
__attribute__((target("avx2,avx512f,avx512bw,avx512vl,avx512dq"))) void build_columns512(
    const std::uint8_t* const* in, std::size_t i0, std::size_t count, __m256* columns) {
    __m512* out = reinterpret_cast<__m512*>(columns);
    const __m512i low_byte = _mm512_set1_epi32(0xFF);
    // Shuffles that leave byte 1 (2) of each dword alone in it.
    const __m512i byte1 = _mm512_setr4_epi32(int(0xFFFFFF01), int(0xFFFFFF05), int(0xFFFFFF09), int(0xFFFFFF0D));
    const __m512i byte2 = _mm512_setr4_epi32(int(0xFFFFFF02), int(0xFFFFFF06), int(0xFFFFFF0A), int(0xFFFFFF0E));
    // Quadwords of u[k] and u[k + 4] that hold dword k (first) and k + 4
    // (second) of rows 0-3, 4-7, 8-11 and 12-15, in that order.
    const __m512i first = _mm512_setr_epi64(0, 1, 8, 9, 4, 5, 12, 13);
    const __m512i second = _mm512_setr_epi64(2, 3, 10, 11, 6, 7, 14, 15);
    std::size_t i = 0;
    for (; i + 32 <= count; i += 32) {
        __m512i v[kHalf8];
        for (int r = 0; r < kHalf8; ++r) {
            const std::uint8_t* a = in[r] + i0 + i;
            const std::uint8_t* b = in[r + kHalf8] + i0 + i;
            _mm_prefetch(reinterpret_cast<const char*>(a + kPrefetchAhead), _MM_HINT_T0);
            _mm_prefetch(reinterpret_cast<const char*>(b + kPrefetchAhead), _MM_HINT_T0);
            v[r] = _mm512_inserti64x4(_mm512_zextsi256_si512(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a))),
                                      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b)), 1);
        }
        // 128-bit lane q of u[k]: dwords k and k + 4 (lanes 0, 1) of rows 0-3
        // of the half in v's lanes 0-1 (q < 2) or 2-3; u[k + 4] rows 4-7.
        __m512i t[kHalf8], u[kHalf8];
        for (int r = 0; r < kHalf8; r += 2) {
            t[r] = _mm512_unpacklo_epi32(v[r], v[r + 1]);
            t[r + 1] = _mm512_unpackhi_epi32(v[r], v[r + 1]);
        }
        for (int h = 0; h < 2; ++h) {
            const int r = 4 * h;
            u[4 * h + 0] = _mm512_unpacklo_epi64(t[r], t[r + 2]);
            u[4 * h + 1] = _mm512_unpackhi_epi64(t[r], t[r + 2]);
            u[4 * h + 2] = _mm512_unpacklo_epi64(t[r + 1], t[r + 3]);
            u[4 * h + 3] = _mm512_unpackhi_epi64(t[r + 1], t[r + 3]);
        }
        for (int k = 0; k < 4; ++k) {
            // Lane r of dword m: row r's bytes 4m .. 4m + 3.
            const __m512i dword[2] = {_mm512_permutex2var_epi64(u[k], first, u[k + 4]),
                                      _mm512_permutex2var_epi64(u[k], second, u[k + 4])};
            for (int d = 0; d < 2; ++d) {
                __m512* at = out + i + 4 * std::size_t(k + 4 * d);
                _mm512_store_ps(at, _mm512_cvtepi32_ps(_mm512_and_si512(dword[d], low_byte)));
                _mm512_store_ps(at + 1, _mm512_cvtepi32_ps(_mm512_shuffle_epi8(dword[d], byte1)));
                _mm512_store_ps(at + 2, _mm512_cvtepi32_ps(_mm512_shuffle_epi8(dword[d], byte2)));
                _mm512_store_ps(at + 3, _mm512_cvtepi32_ps(_mm512_srli_epi32(dword[d], 24)));
            }
        }
    }
    if (i < count) build_columns16(in, i0 + i, count - i, columns + 2 * i);
}

// The double-precision filter's bytes (as int32, not clamped) for output x
// of eight rows, from the single-precision values of its window (exact
// integers), tap k at window[step * k]. Separate multiplies and adds in tap
// order, as the plain filter does; this file is built with -ffp-contract=off
// so that they are never fused.
PIXMOLD_AVX2 inline __m256i exact_columns(const __m256* window, std::size_t step, const Contributions& e, int x) {
    const double* w = &e.weights[std::size_t(x) * std::size_t(e.stride)];
    const int count = e.count[std::size_t(x)];
    __m256d lo = _mm256_setzero_pd(), hi = _mm256_setzero_pd();
    for (int k = 0; k < count; ++k) {
        const float* v = reinterpret_cast<const float*>(window + step * std::size_t(k));
        const __m256d wk = _mm256_set1_pd(w[k]);
        lo = _mm256_add_pd(lo, _mm256_mul_pd(wk, _mm256_cvtps_pd(_mm_load_ps(v))));
        hi = _mm256_add_pd(hi, _mm256_mul_pd(wk, _mm256_cvtps_pd(_mm_load_ps(v + 4))));
    }
    const __m256d half = _mm256_set1_pd(0.5);
    const __m128i a = _mm256_cvttpd_epi32(_mm256_add_pd(lo, half)), b = _mm256_cvttpd_epi32(_mm256_add_pd(hi, half));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(a), b, 1);
}

// Bytes of eight outputs of eight rows: res[3 * o + c] holds channel c of
// output o, lane r for row r (int32, clamped here). Writes 24 bytes at each
// of rows[0..n), and when `wide` 8 more (whatever they are).
PIXMOLD_AVX2 void store_group(const __m256i* res, std::uint8_t* const* rows, int n, bool wide) {
    // Four values of four rows per 128-bit lane, then 4 x 4 byte transposes:
    // dword r of t[m] holds row r's (r + 4 in the high lane) bytes 4m..4m+3.
    const __m256i four_by_four = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15));
    __m256i t[6];
    for (int m = 0; m < 6; ++m) {
        const __m256i lo = _mm256_packs_epi32(res[4 * m], res[4 * m + 1]);
        const __m256i hi = _mm256_packs_epi32(res[4 * m + 2], res[4 * m + 3]);
        t[m] = _mm256_shuffle_epi8(_mm256_packus_epi16(lo, hi), four_by_four);
    }
    const __m256i u01lo = _mm256_unpacklo_epi32(t[0], t[1]), u01hi = _mm256_unpackhi_epi32(t[0], t[1]);
    const __m256i u23lo = _mm256_unpacklo_epi32(t[2], t[3]), u23hi = _mm256_unpackhi_epi32(t[2], t[3]);
    const __m256i u45lo = _mm256_unpacklo_epi32(t[4], t[5]), u45hi = _mm256_unpackhi_epi32(t[4], t[5]);
    // Row r: bytes 0-15 in v[r % 4] (lane r / 4), bytes 16-23 in the
    // (r % 2)th quadword of w[r % 4 / 2] (same lane).
    const __m256i v[4] = {_mm256_unpacklo_epi64(u01lo, u23lo), _mm256_unpackhi_epi64(u01lo, u23lo),
                          _mm256_unpacklo_epi64(u01hi, u23hi), _mm256_unpackhi_epi64(u01hi, u23hi)};
    const __m256i w[2] = {u45lo, u45hi};
    if (wide) {
        // Room for 32 bytes at each row: one store, whose last 8 bytes the
        // next group overwrites.
        for (int r = 0; r < n; ++r) {
            __m256i both = r < 4 ? _mm256_permute2x128_si256(v[r % 4], w[r % 4 / 2], 0x20)
                                 : _mm256_permute2x128_si256(v[r % 4], w[r % 4 / 2], 0x31);
            if (r % 2) both = _mm256_permute4x64_epi64(both, 0xF4);  // quadwords 0 1 3 3
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(rows[r]), both);
        }
        return;
    }
    for (int r = 0; r < n; ++r) {
        const __m128i head = r < 4 ? _mm256_castsi256_si128(v[r % 4]) : _mm256_extracti128_si256(v[r % 4], 1);
        const __m128i tail = r < 4 ? _mm256_castsi256_si128(w[r % 4 / 2]) : _mm256_extracti128_si256(w[r % 4 / 2], 1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(rows[r]), head);
        const long long last = r % 2 == 0 ? _mm_cvtsi128_si64(tail) : _mm_extract_epi64(tail, 1);
        std::memcpy(rows[r] + 16, &last, 8);
    }
}

// The precise row filter's sums for outputs xg .. xg + outs - 1 (at most
// eight) of sixteen rows, from the columns of a chunk starting at input
// pixel `first`, into res as store_group takes them (rows 0-7 in res[0],
// rows 8-15 in res[1]). A sum that is not within the table's margin of a
// rounding tie rounds like the exact one; the few that are get the
// double-precision sum.
template <int Taps>
using GroupSums = void (*)(const __m256* columns, int first, int xg, int outs, const FixedContributions& t,
                           __m256i (*res)[24]);

// Near-tie lanes of sum j (channel j / 2, rows of half j % 2) of output x,
// in `near`, get the double-precision sum.
PIXMOLD_AVX2 inline void redo_near_ties(const __m256* columns, int first, int x, const FixedContributions& t,
                                        int j, __m256 near, __m256i& r) {
    const __m256* window = columns + std::size_t(t.exact.left[std::size_t(x)] - first) * 6;
    r = _mm256_blendv_epi8(r, exact_columns(window + j, 6, t.exact, x), _mm256_castps_si256(near));
}

template <int Taps>
__attribute__((target("avx2,fma"))) void group_avx2(const __m256* columns, int first, int xg, int outs,
                                                    const FixedContributions& t, __m256i (*res)[24]) {
    const int taps = Taps ? Taps : t.taps;
    const __m256 half = _mm256_set1_ps(0.5f);
    const __m256 margin = _mm256_set1_ps(t.single_margin);
    const __m256 sign = _mm256_set1_ps(-0.0f);
    for (int o = 0; o < outs; ++o) {
        const int x = xg + o;
        // Tap k, channel c, rows 0-7 / 8-15: p[6k + 2c] / p[6k + 2c + 1].
        const __m256* p = columns + std::size_t(t.left[std::size_t(x)] - first) * 6;
        const float* w = t.single.data() + std::size_t(x) * std::size_t(taps);
        // Sums + 1/2, even and odd taps apart to halve the chains (the
        // error bound does not depend on the order).
        __m256 s[6], e[6];
        for (int j = 0; j < 6; ++j) s[j] = half, e[j] = _mm256_setzero_ps();
        int k = 0;
        for (; k + 2 <= taps; k += 2) {
            const __m256 wk = _mm256_broadcast_ss(w + k), wn = _mm256_broadcast_ss(w + k + 1);
            for (int j = 0; j < 6; ++j) s[j] = _mm256_fmadd_ps(wk, p[6 * k + j], s[j]);
            for (int j = 0; j < 6; ++j) e[j] = _mm256_fmadd_ps(wn, p[6 * k + 6 + j], e[j]);
        }
        for (; k < taps; ++k) {
            const __m256 wk = _mm256_broadcast_ss(w + k);
            for (int j = 0; j < 6; ++j) s[j] = _mm256_fmadd_ps(wk, p[6 * k + j], s[j]);
        }
        // A sum farther than the margin from every integer truncates like
        // the exact one. (A sum minus its nearest integer is exact in
        // single precision.)
        __m256 dist[6];
        for (int j = 0; j < 6; ++j) {
            const __m256 sum = _mm256_add_ps(s[j], e[j]);
            const __m256 off = _mm256_sub_ps(sum, _mm256_round_ps(sum, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
            dist[j] = _mm256_andnot_ps(sign, off);
            res[j % 2][3 * o + j / 2] = _mm256_cvttps_epi32(sum);
        }
        // A tree of minima keeps the chain to the branch short.
        const __m256 closest = _mm256_min_ps(_mm256_min_ps(_mm256_min_ps(dist[0], dist[1]), _mm256_min_ps(dist[2], dist[3])),
                                             _mm256_min_ps(dist[4], dist[5]));
        if (_mm256_movemask_ps(_mm256_cmp_ps(closest, margin, _CMP_LT_OQ)) == 0) continue;
        // Rare: near a tie. Which of the six need the exact sum, without a
        // branch each: on some pictures every third output is a tie.
        for (int j = 0; j < 6; ++j) {
            const __m256 near = _mm256_cmp_ps(dist[j], margin, _CMP_LT_OQ);
            if (_mm256_movemask_ps(near) != 0) redo_near_ties(columns, first, x, t, j, near, res[j % 2][3 * o + j / 2]);
        }
    }
}

// The same with all sixteen rows in one vector: half the multiply-adds.
// Each lane does the same operations in the same order, so the sums and
// bytes are those of group_avx2.
template <int Taps>
__attribute__((target("avx2,fma,avx512f,avx512bw,avx512vl,avx512dq"))) void group_avx512(
    const __m256* columns, int first, int xg, int outs, const FixedContributions& t, __m256i (*res)[24]) {
    const int taps = Taps ? Taps : t.taps;
    const __m512 half = _mm512_set1_ps(0.5f);
    const __m512 margin = _mm512_set1_ps(t.single_margin);
    const __m512* all = reinterpret_cast<const __m512*>(columns);  // rows 0-15 of one byte position
    for (int o = 0; o < outs; ++o) {
        const int x = xg + o;
        const __m512* p = all + std::size_t(t.left[std::size_t(x)] - first) * 3;
        const float* w = t.single.data() + std::size_t(x) * std::size_t(taps);
        __m512 s[3], e[3];
        for (int c = 0; c < 3; ++c) s[c] = half, e[c] = _mm512_setzero_ps();
        int k = 0;
        for (; k + 2 <= taps; k += 2) {
            const __m512 wk = _mm512_set1_ps(w[k]), wn = _mm512_set1_ps(w[k + 1]);
            for (int c = 0; c < 3; ++c) s[c] = _mm512_fmadd_ps(wk, p[3 * k + c], s[c]);
            for (int c = 0; c < 3; ++c) e[c] = _mm512_fmadd_ps(wn, p[3 * k + 3 + c], e[c]);
        }
        for (; k < taps; ++k) {
            const __m512 wk = _mm512_set1_ps(w[k]);
            for (int c = 0; c < 3; ++c) s[c] = _mm512_fmadd_ps(wk, p[3 * k + c], s[c]);
        }
        __m512 dist[3];
        for (int c = 0; c < 3; ++c) {
            const __m512 sum = _mm512_add_ps(s[c], e[c]);
            const __m512 off = _mm512_sub_ps(sum, _mm512_roundscale_ps(sum, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
            dist[c] = _mm512_abs_ps(off);
            const __m512i bytes = _mm512_cvttps_epi32(sum);
            res[0][3 * o + c] = _mm512_castsi512_si256(bytes);
            res[1][3 * o + c] = _mm512_extracti64x4_epi64(bytes, 1);
        }
        const __m512 closest = _mm512_min_ps(_mm512_min_ps(dist[0], dist[1]), dist[2]);
        if (_mm512_cmp_ps_mask(closest, margin, _CMP_LT_OQ) == 0) continue;
        for (int c = 0; c < 3; ++c) {
            const __mmask16 near = _mm512_cmp_ps_mask(dist[c], margin, _CMP_LT_OQ);
            for (int h = 0; h < 2; ++h) {
                const __mmask8 lanes = __mmask8(near >> (8 * h));
                if (lanes == 0) continue;
                const __m256 mask = _mm256_castsi256_ps(_mm256_movm_epi32(lanes));
                redo_near_ties(columns, first, x, t, 2 * c + h, mask, res[h][3 * o + c]);
            }
        }
    }
}

// The precise row filter on sixteen rows in single precision, a chunk of
// outputs at a time: the chunk's columns are built, then eight outputs at a
// time are summed by Group and stored.
using BuildColumns = void (*)(const std::uint8_t* const* in, std::size_t i0, std::size_t count, __m256* columns);

template <int Taps, BuildColumns Columns, GroupSums<Taps> Group>
__attribute__((target("avx2,fma"))) void rows_avx2(const std::uint8_t* const* in, std::uint8_t* const* out,
                                                   int n, const FixedContributions& t, __m256* columns) {
    const int n_out = t.n_out;
    const std::size_t out_bytes = std::size_t(n_out) * 3;
    alignas(32) __m256i res[2][24];
    for (int x0 = 0; x0 < n_out; x0 += kChunkOutputs) {
        const int x1 = std::min(n_out, x0 + kChunkOutputs);
        int first, end;
        chunk_span(t, x0, x1, first, end);
        const std::size_t count = (std::size_t(end - first) * 3 + 7) / 8 * 8;
        Columns(in, std::size_t(first) * 3, count, columns);
        for (int xg = x0; xg < x1; xg += 8) {
            const int outs = std::min(8, x1 - xg);
            Group(columns, first, xg, outs, t, res);
            for (int h = 0; h < 2; ++h)
                for (int j = 3 * outs; j < 24; ++j) res[h][j] = _mm256_setzero_si256();
            const std::size_t at = std::size_t(xg) * 3;
            const std::size_t valid = std::min<std::size_t>(24, out_bytes - at);
            for (int h = 0; h < 2; ++h) {
                const int rows = std::min(kHalf8, n - kHalf8 * h);
                if (rows <= 0) break;
                std::uint8_t* dst[kHalf8];
                alignas(32) std::uint8_t tmp[kHalf8][32];
                for (int r = 0; r < rows; ++r) dst[r] = valid == 24 ? out[kHalf8 * h + r] + at : tmp[r];
                store_group(res[h], dst, rows, valid == 24 && at + 32 <= out_bytes);
                if (valid != 24)
                    for (int r = 0; r < rows; ++r) std::memcpy(out[kHalf8 * h + r] + at, tmp[r], valid);
            }
        }
    }
}

template <int Taps>
void rows_taps(const std::uint8_t* const* in, std::uint8_t* const* out, int n, const FixedContributions& t,
               __m256* columns) {
    if (active_isa() >= Isa::Avx512)
        return rows_avx2<Taps, build_columns512, group_avx512<Taps>>(in, out, n, t, columns);
    rows_avx2<Taps, build_columns16, group_avx2<Taps>>(in, out, n, t, columns);
}

void rows_dispatch(const std::uint8_t* const* in, std::uint8_t* const* out, int n, const FixedContributions& t,
                   __m256* columns) {
    switch (t.taps) {
        case 4: return rows_taps<4>(in, out, n, t, columns);
        case 5: return rows_taps<5>(in, out, n, t, columns);
        case 6: return rows_taps<6>(in, out, n, t, columns);
        case 7: return rows_taps<7>(in, out, n, t, columns);
        case 8: return rows_taps<8>(in, out, n, t, columns);
        case 9: return rows_taps<9>(in, out, n, t, columns);
        case 10: return rows_taps<10>(in, out, n, t, columns);
        case 11: return rows_taps<11>(in, out, n, t, columns);
        case 12: return rows_taps<12>(in, out, n, t, columns);
        case 13: return rows_taps<13>(in, out, n, t, columns);
        case 14: return rows_taps<14>(in, out, n, t, columns);
        case 16: return rows_taps<16>(in, out, n, t, columns);
        default: return rows_taps<0>(in, out, n, t, columns);
    }
}

}  // namespace
#endif  // x86-64

std::size_t fixed_rows_scratch(const FixedContributions& t) {
#if defined(__x86_64__)
    if (!t.precise || t.taps > kMaxRowTaps || t.n_out < 1) return 0;
    std::size_t most = 0;
    for (int x0 = 0; x0 < t.n_out; x0 += kChunkOutputs) {
        int first, end;
        chunk_span(t, x0, std::min(t.n_out, x0 + kChunkOutputs), first, end);
        most = std::max(most, (std::size_t(end - first) * 3 + 7) / 8 * 8);
    }
    return 2 * most * sizeof(__m256);
#else
    (void)t;
    return 0;  // no batch kernel: rows are filtered one by one
#endif
}

void fixed_horizontal_rows(const std::uint8_t* const* in, std::uint8_t* const* out, int n,
                           const FixedContributions& t, std::uint8_t* scratch) {
#if defined(__x86_64__)
    if (n > 0 && scratch && t.precise && active_isa() >= Isa::Avx2 && t.taps <= kMaxRowTaps) {
        // Missing rows repeat the first; their results are not stored.
        const std::uint8_t* rows[kRowsAtOnce];
        for (int r = 0; r < kRowsAtOnce; ++r) rows[r] = in[r < n ? r : 0];
        rows_dispatch(rows, out, n, t, reinterpret_cast<__m256*>(scratch));
        return;
    }
#else
    (void)scratch;
#endif
    for (int r = 0; r < n; ++r) fixed_horizontal(in[r], out[r], t);
}

}  // namespace pixmold::resample
