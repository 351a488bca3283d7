// Mitchell kernels that give the double-precision filter's bytes exactly:
// along rows of 4-byte pixels, and down columns of any bytes (the 24-bit
// path uses the column kernel for a first pass down columns).
//
// Every output byte is: sum = 0; for each tap in increasing input order
// sum = sum + weight * value (a rounded multiply, then a rounded add); byte
// = clamp(int(sum + 0.5)). The AVX2 versions do exactly those operations in
// the same order for each channel, only several channels or pixels at once,
// so their bytes equal the generic ones. Extra taps of weight 0 change no
// sum (0 * value is +0, and s + 0 is s), which lets two output rows share
// one window. The compiler must not fuse multiplies and adds here (this
// file is built with -ffp-contract=off): a fused one rounds once instead of
// twice and would change the bytes.
//
// The column filter runs in single precision with fused multiply-adds,
// twice as many values per instruction: a sum farther than its proven error
// bound from a rounding tie rounds like the double one, and the few sums
// that are not that far are done again in double precision.
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

inline std::uint8_t to_byte(double sum) {
    const int v = int(sum + 0.5);
    return std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void horizontal_generic(const std::uint8_t* in, std::uint8_t* out, const Contributions& t) {
    for (int x = 0; x < t.n_out; ++x) {
        const double* w = &t.weights[std::size_t(x) * std::size_t(t.stride)];
        const std::uint8_t* p = in + std::size_t(t.left[std::size_t(x)]) * 4;
        const int n = t.count[std::size_t(x)];
        double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
        for (int k = 0; k < n; ++k, p += 4) {
            s0 += w[k] * double(p[0]);
            s1 += w[k] * double(p[1]);
            s2 += w[k] * double(p[2]);
            s3 += w[k] * double(p[3]);
        }
        out[4 * x + 0] = to_byte(s0);
        out[4 * x + 1] = to_byte(s1);
        out[4 * x + 2] = to_byte(s2);
        out[4 * x + 3] = to_byte(s3);
    }
}

void vertical_generic(const std::uint8_t* const* rows, int n, const double* wa, const double* wb, std::uint8_t* a,
                      std::uint8_t* b, std::size_t bytes) {
    for (std::size_t j = 0; j < bytes; ++j) {
        double sa = 0, sb = 0;
        for (int k = 0; k < n; ++k) {
            const double v = double(rows[k][j]);
            sa += wa[k] * v;
            if (b) sb += wb[k] * v;
        }
        a[j] = to_byte(sa);
        if (b) b[j] = to_byte(sb);
    }
}

#if defined(__x86_64__)
#define PIXMOLD_AVX2 __attribute__((target("avx2")))

PIXMOLD_AVX2 inline __m128i pack4(__m256d sum) {
    const __m128i v = _mm256_cvttpd_epi32(_mm256_add_pd(sum, _mm256_set1_pd(0.5)));
    const __m128i w = _mm_packus_epi32(v, v);
    return _mm_packus_epi16(w, w);
}

PIXMOLD_AVX2 inline void store4(std::uint8_t* out, __m256d sum) {
    const int word = _mm_cvtsi128_si32(pack4(sum));
    std::memcpy(out, &word, 4);
}

// Four bytes at p as doubles.
PIXMOLD_AVX2 inline __m256d widen(const std::uint8_t* p) {
    std::int32_t word;
    std::memcpy(&word, p, 4);
    return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(word)));
}

// A row as doubles, four per pixel, followed by a table stride of zeros so
// that windows running past the row's end read zeros.
PIXMOLD_AVX2 void row_to_doubles(const std::uint8_t* in, const Contributions& t, double* out) {
    for (int x = 0; x < t.n_in; ++x) _mm256_store_pd(out + 4 * x, widen(in + 4 * x));
    std::memset(out + std::size_t(t.n_in) * 4, 0, std::size_t(t.stride) * 4 * sizeof(double));
}

// Each output's sum is a chain of dependent adds, so four outputs are
// worked on at once to keep the adder busy; taps past an output's count have
// weight 0 in the table and read zeros past the row's end.
PIXMOLD_AVX2 void horizontal_avx2(const std::uint8_t* in, std::uint8_t* out, const Contributions& t, double* scratch) {
    // Convert the row once; each input pixel feeds several outputs.
    row_to_doubles(in, t, scratch);
    // Held in locals: the byte stores below could otherwise alias the table
    // and force the compiler to reload it every time.
    const std::size_t stride = std::size_t(t.stride);
    const double* weights = t.weights.data();
    const int* left = t.left.data();
    const int* count = t.count.data();
    const int n_out = t.n_out;
    int x = 0;
    for (; x + 4 <= n_out; x += 4) {
        const double* w0 = weights + std::size_t(x) * stride;
        const double* w1 = w0 + stride;
        const double* w2 = w1 + stride;
        const double* w3 = w2 + stride;
        const double* p0 = scratch + std::size_t(left[x]) * 4;
        const double* p1 = scratch + std::size_t(left[x + 1]) * 4;
        const double* p2 = scratch + std::size_t(left[x + 2]) * 4;
        const double* p3 = scratch + std::size_t(left[x + 3]) * 4;
        const int n = std::max(std::max(count[x], count[x + 1]), std::max(count[x + 2], count[x + 3]));
        __m256d s0 = _mm256_setzero_pd(), s1 = s0, s2 = s0, s3 = s0;
        for (int k = 0; k < n; ++k) {
            s0 = _mm256_add_pd(s0, _mm256_mul_pd(_mm256_broadcast_sd(w0 + k), _mm256_load_pd(p0 + 4 * k)));
            s1 = _mm256_add_pd(s1, _mm256_mul_pd(_mm256_broadcast_sd(w1 + k), _mm256_load_pd(p1 + 4 * k)));
            s2 = _mm256_add_pd(s2, _mm256_mul_pd(_mm256_broadcast_sd(w2 + k), _mm256_load_pd(p2 + 4 * k)));
            s3 = _mm256_add_pd(s3, _mm256_mul_pd(_mm256_broadcast_sd(w3 + k), _mm256_load_pd(p3 + 4 * k)));
        }
        // Sixteen bytes in one store.
        const __m128i v01 = _mm_packus_epi32(_mm256_cvttpd_epi32(_mm256_add_pd(s0, _mm256_set1_pd(0.5))),
                                             _mm256_cvttpd_epi32(_mm256_add_pd(s1, _mm256_set1_pd(0.5))));
        const __m128i v23 = _mm_packus_epi32(_mm256_cvttpd_epi32(_mm256_add_pd(s2, _mm256_set1_pd(0.5))),
                                             _mm256_cvttpd_epi32(_mm256_add_pd(s3, _mm256_set1_pd(0.5))));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), _mm_packus_epi16(v01, v23));
    }
    for (; x < n_out; ++x) {
        const double* w = weights + std::size_t(x) * stride;
        const double* p = scratch + std::size_t(left[x]) * 4;
        const int n = count[x];
        __m256d sum = _mm256_setzero_pd();
        for (int k = 0; k < n; ++k)
            sum = _mm256_add_pd(sum, _mm256_mul_pd(_mm256_broadcast_sd(w + k), _mm256_load_pd(p + 4 * k)));
        store4(out + 4 * x, sum);
    }
}

// Pixels [from, to) of two rows as doubles; returns the new end.
PIXMOLD_AVX2 inline int to_doubles2(const std::uint8_t* in_a, const std::uint8_t* in_b, double* da, double* db,
                                    int from, int to) {
    for (; from < to; ++from) {
        _mm256_store_pd(da + 4 * std::size_t(from), widen(in_a + 4 * std::size_t(from)));
        _mm256_store_pd(db + 4 * std::size_t(from), widen(in_b + 4 * std::size_t(from)));
    }
    return from;
}

// The same on two rows at once: each weight loaded serves both. `scratch`
// holds two rows.
PIXMOLD_AVX2 void horizontal2_avx2(const std::uint8_t* in_a, std::uint8_t* out_a, const std::uint8_t* in_b,
                                   std::uint8_t* out_b, const Contributions& t, double* scratch) {
    const std::size_t row = (std::size_t(t.n_in) + std::size_t(t.stride)) * 4;
    double* const da = scratch;
    double* const db = scratch + row;
    const std::size_t stride = std::size_t(t.stride);
    const double* weights = t.weights.data();
    const int* left = t.left.data();
    const int* count = t.count.data();
    const int n_out = t.n_out;
    const int n_in = t.n_in;
    std::memset(da + std::size_t(n_in) * 4, 0, stride * 4 * sizeof(double));
    std::memset(db + std::size_t(n_in) * 4, 0, stride * 4 * sizeof(double));
    // Pixels are converted just before the first window that reads them,
    // so that the few outputs reading each one find it in the first-level
    // cache rather than in a whole converted row further out.
    int converted = 0;
    int x = 0;
    // Four outputs of both rows at once: eight sums in flight, since each
    // must add its taps one after another.
    for (; x + 4 <= n_out; x += 4) {
        const double* w0 = weights + std::size_t(x) * stride;
        const double* w1 = w0 + stride;
        const double* w2 = w1 + stride;
        const double* w3 = w2 + stride;
        const std::size_t l0 = std::size_t(left[x]) * 4, l1 = std::size_t(left[x + 1]) * 4;
        const std::size_t l2 = std::size_t(left[x + 2]) * 4, l3 = std::size_t(left[x + 3]) * 4;
        const int n = std::max(std::max(count[x], count[x + 1]), std::max(count[x + 2], count[x + 3]));
        const int reach = std::max(std::max(left[x], left[x + 1]), std::max(left[x + 2], left[x + 3])) + n;
        converted = to_doubles2(in_a, in_b, da, db, converted, std::min(n_in, reach));
        __m256d sa0 = _mm256_setzero_pd(), sa1 = sa0, sa2 = sa0, sa3 = sa0, sb0 = sa0, sb1 = sa0, sb2 = sa0, sb3 = sa0;
        for (int k = 0; k < n; ++k) {
            const std::size_t at = 4 * std::size_t(k);
            const __m256d v0 = _mm256_broadcast_sd(w0 + k), v1 = _mm256_broadcast_sd(w1 + k);
            sa0 = _mm256_add_pd(sa0, _mm256_mul_pd(v0, _mm256_load_pd(da + l0 + at)));
            sb0 = _mm256_add_pd(sb0, _mm256_mul_pd(v0, _mm256_load_pd(db + l0 + at)));
            sa1 = _mm256_add_pd(sa1, _mm256_mul_pd(v1, _mm256_load_pd(da + l1 + at)));
            sb1 = _mm256_add_pd(sb1, _mm256_mul_pd(v1, _mm256_load_pd(db + l1 + at)));
            const __m256d v2 = _mm256_broadcast_sd(w2 + k), v3 = _mm256_broadcast_sd(w3 + k);
            sa2 = _mm256_add_pd(sa2, _mm256_mul_pd(v2, _mm256_load_pd(da + l2 + at)));
            sb2 = _mm256_add_pd(sb2, _mm256_mul_pd(v2, _mm256_load_pd(db + l2 + at)));
            sa3 = _mm256_add_pd(sa3, _mm256_mul_pd(v3, _mm256_load_pd(da + l3 + at)));
            sb3 = _mm256_add_pd(sb3, _mm256_mul_pd(v3, _mm256_load_pd(db + l3 + at)));
        }
        store4(out_a + 4 * x, sa0);
        store4(out_a + 4 * x + 4, sa1);
        store4(out_a + 4 * x + 8, sa2);
        store4(out_a + 4 * x + 12, sa3);
        store4(out_b + 4 * x, sb0);
        store4(out_b + 4 * x + 4, sb1);
        store4(out_b + 4 * x + 8, sb2);
        store4(out_b + 4 * x + 12, sb3);
    }
    for (; x < n_out; ++x) {
        const double* w = weights + std::size_t(x) * stride;
        const std::size_t l = std::size_t(left[x]) * 4;
        converted = to_doubles2(in_a, in_b, da, db, converted, std::min(n_in, left[x] + count[x]));
        __m256d sa = _mm256_setzero_pd(), sb = sa;
        for (int k = 0; k < count[x]; ++k) {
            const __m256d v = _mm256_broadcast_sd(w + k);
            sa = _mm256_add_pd(sa, _mm256_mul_pd(v, _mm256_load_pd(da + l + 4 * k)));
            sb = _mm256_add_pd(sb, _mm256_mul_pd(v, _mm256_load_pd(db + l + 4 * k)));
        }
        store4(out_a + 4 * x, sa);
        store4(out_b + 4 * x, sb);
    }
}

// Two output rows from one window of rows: every row is converted once and
// used for both.
// Rows [0, b_first) feed only output a, rows [a_end, n) only output b.
PIXMOLD_AVX2 void vertical2_avx2(const std::uint8_t* const* rows, int n, const double* wa, const double* wb,
                                 std::uint8_t* a, std::uint8_t* b, std::size_t bytes, int b_first, int a_end) {
    std::size_t j = 0;
    for (; j + 16 <= bytes; j += 16) {
        __m256d a0 = _mm256_setzero_pd(), a1 = a0, a2 = a0, a3 = a0, b0 = a0, b1 = a0, b2 = a0, b3 = a0;
        int k = 0;
        for (; k < b_first; ++k) {
            const std::uint8_t* r = rows[k] + j;
            const __m256d x = _mm256_broadcast_sd(wa + k);
            a0 = _mm256_add_pd(a0, _mm256_mul_pd(x, widen(r)));
            a1 = _mm256_add_pd(a1, _mm256_mul_pd(x, widen(r + 4)));
            a2 = _mm256_add_pd(a2, _mm256_mul_pd(x, widen(r + 8)));
            a3 = _mm256_add_pd(a3, _mm256_mul_pd(x, widen(r + 12)));
        }
        for (; k < a_end; ++k) {
            const std::uint8_t* r = rows[k] + j;
            const __m256d v0 = widen(r), v1 = widen(r + 4), v2 = widen(r + 8), v3 = widen(r + 12);
            const __m256d x = _mm256_broadcast_sd(wa + k), y = _mm256_broadcast_sd(wb + k);
            a0 = _mm256_add_pd(a0, _mm256_mul_pd(x, v0));
            a1 = _mm256_add_pd(a1, _mm256_mul_pd(x, v1));
            a2 = _mm256_add_pd(a2, _mm256_mul_pd(x, v2));
            a3 = _mm256_add_pd(a3, _mm256_mul_pd(x, v3));
            b0 = _mm256_add_pd(b0, _mm256_mul_pd(y, v0));
            b1 = _mm256_add_pd(b1, _mm256_mul_pd(y, v1));
            b2 = _mm256_add_pd(b2, _mm256_mul_pd(y, v2));
            b3 = _mm256_add_pd(b3, _mm256_mul_pd(y, v3));
        }
        for (; k < n; ++k) {
            const std::uint8_t* r = rows[k] + j;
            const __m256d y = _mm256_broadcast_sd(wb + k);
            b0 = _mm256_add_pd(b0, _mm256_mul_pd(y, widen(r)));
            b1 = _mm256_add_pd(b1, _mm256_mul_pd(y, widen(r + 4)));
            b2 = _mm256_add_pd(b2, _mm256_mul_pd(y, widen(r + 8)));
            b3 = _mm256_add_pd(b3, _mm256_mul_pd(y, widen(r + 12)));
        }
        store4(a + j, a0);
        store4(a + j + 4, a1);
        store4(a + j + 8, a2);
        store4(a + j + 12, a3);
        store4(b + j, b0);
        store4(b + j + 4, b1);
        store4(b + j + 8, b2);
        store4(b + j + 12, b3);
    }
    for (; j < bytes; j += 4) {
        __m256d sa = _mm256_setzero_pd(), sb = sa;
        for (int k = 0; k < n; ++k) {
            const __m256d v = widen(rows[k] + j);
            sa = _mm256_add_pd(sa, _mm256_mul_pd(_mm256_broadcast_sd(wa + k), v));
            sb = _mm256_add_pd(sb, _mm256_mul_pd(_mm256_broadcast_sd(wb + k), v));
        }
        store4(a + j, sa);
        store4(b + j, sb);
    }
}

PIXMOLD_AVX2 void vertical1_avx2(const std::uint8_t* const* rows, int n, const double* w, std::uint8_t* out,
                                 std::size_t bytes) {
    std::size_t j = 0;
    for (; j + 16 <= bytes; j += 16) {
        __m256d s0 = _mm256_setzero_pd(), s1 = s0, s2 = s0, s3 = s0;
        for (int k = 0; k < n; ++k) {
            const std::uint8_t* r = rows[k] + j;
            const __m256d x = _mm256_broadcast_sd(w + k);
            s0 = _mm256_add_pd(s0, _mm256_mul_pd(x, widen(r)));
            s1 = _mm256_add_pd(s1, _mm256_mul_pd(x, widen(r + 4)));
            s2 = _mm256_add_pd(s2, _mm256_mul_pd(x, widen(r + 8)));
            s3 = _mm256_add_pd(s3, _mm256_mul_pd(x, widen(r + 12)));
        }
        store4(out + j, s0);
        store4(out + j + 4, s1);
        store4(out + j + 8, s2);
        store4(out + j + 12, s3);
    }
    for (; j < bytes; j += 4) {
        __m256d s = _mm256_setzero_pd();
        for (int k = 0; k < n; ++k) s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_broadcast_sd(w + k), widen(rows[k] + j)));
        store4(out + j, s);
    }
}

// Single precision: s = 1/2, then s = fma(float(w[k]), value, s) for each
// row; returns the margin for s: how far it may be from the double filter's
// sum + 1/2, plus the rounding of s -/+ the margin, and a quarter on top.
float single_margin(const double* w, int n, float* single) {
    double reach = 0.5;
    for (int k = 0; k < n; ++k) {
        single[k] = float(w[k]);
        reach += 255.0 * std::fabs(w[k]);
    }
    const double bound = single_sum_bound(w, single, n, 1) + half_ulp_units(reach + 1.0);
    return float(std::ldexp(1.25 * bound, -24));
}

inline std::uint8_t exact_down(const std::uint8_t* const* rows, int n, const double* w, std::size_t at) {
    double sum = 0;
    for (int k = 0; k < n; ++k) sum += w[k] * double(rows[k][at]);
    return to_byte(sum);
}

#define PIXMOLD_AVX2_FMA __attribute__((target("avx2,fma")))

// Eight bytes at p as single-precision values.
PIXMOLD_AVX2_FMA inline __m256 widen8(const std::uint8_t* p) {
    return _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}

// Rounds the four sums of a 32-byte block (sum i: bytes 8i..8i+7) and
// stores them; bytes whose sum is within `margin` of a tie get the double
// filter's value.
PIXMOLD_AVX2_FMA inline void finish_block(const __m256* s, float margin, const std::uint8_t* const* rows, int n,
                                          const double* w, std::uint8_t* out, std::size_t j) {
    const __m256 m = _mm256_set1_ps(margin);
    __m256i r[4], near[4], differ = _mm256_setzero_si256();
    for (int i = 0; i < 4; ++i) {
        r[i] = _mm256_cvttps_epi32(_mm256_sub_ps(s[i], m));
        near[i] = _mm256_xor_si256(r[i], _mm256_cvttps_epi32(_mm256_add_ps(s[i], m)));
        differ = _mm256_or_si256(differ, near[i]);
    }
    // The packs leave groups of four bytes in the order 0 2 4 6 | 1 3 5 7.
    const __m256i packed = _mm256_packus_epi16(_mm256_packs_epi32(r[0], r[1]), _mm256_packs_epi32(r[2], r[3]));
    const __m256i bytes = _mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j), bytes);
    if (_mm256_testz_si256(differ, differ)) return;
    for (int i = 0; i < 4; ++i) {
        const __m256i same = _mm256_cmpeq_epi32(near[i], _mm256_setzero_si256());
        for (int lanes = ~_mm256_movemask_ps(_mm256_castsi256_ps(same)) & 0xFF; lanes != 0; lanes &= lanes - 1) {
            const std::size_t at = j + std::size_t(8 * i + __builtin_ctz(unsigned(lanes)));
            out[at] = exact_down(rows, n, w, at);
        }
    }
}

// Output rows a (and b when Two) from n rows, 32 bytes at a time (bytes >=
// 32; the last block overlaps the one before and writes the same values).
// Rows [0, b_first) have weight 0 for b and rows [a_end, n) for a.
template <bool Two>
PIXMOLD_AVX2_FMA void vertical_single(const std::uint8_t* const* rows, int n, const float* fa, const float* fb,
                                      float ma, float mb, const double* wa, const double* wb, std::uint8_t* a,
                                      std::uint8_t* b, std::size_t bytes, int b_first, int a_end) {
    if (!Two) b_first = a_end = n;
    for (std::size_t j = 0;; j += 32) {
        if (j + 32 > bytes) {
            if (j >= bytes) break;
            j = bytes - 32;
        }
        __m256 sa[4], sb[4];
        for (int i = 0; i < 4; ++i) sa[i] = sb[i] = _mm256_set1_ps(0.5f);
        int k = 0;
        for (; k < b_first; ++k) {
            const std::uint8_t* r = rows[k] + j;
            const __m256 x = _mm256_broadcast_ss(fa + k);
            for (int i = 0; i < 4; ++i) sa[i] = _mm256_fmadd_ps(x, widen8(r + 8 * i), sa[i]);
        }
        for (; k < a_end; ++k) {
            const std::uint8_t* r = rows[k] + j;
            const __m256 x = _mm256_broadcast_ss(fa + k), y = _mm256_broadcast_ss(fb + k);
            for (int i = 0; i < 4; ++i) {
                const __m256 v = widen8(r + 8 * i);
                sa[i] = _mm256_fmadd_ps(x, v, sa[i]);
                sb[i] = _mm256_fmadd_ps(y, v, sb[i]);
            }
        }
        for (; k < n; ++k) {
            const std::uint8_t* r = rows[k] + j;
            const __m256 y = _mm256_broadcast_ss(fb + k);
            for (int i = 0; i < 4; ++i) sb[i] = _mm256_fmadd_ps(y, widen8(r + 8 * i), sb[i]);
        }
        finish_block(sa, ma, rows, n, wa, a, j);
        if (Two) finish_block(sb, mb, rows, n, wb, b, j);
    }
}

#define PIXMOLD_AVX512 __attribute__((target("avx2,fma,avx512f,avx512bw,avx512vl,avx512dq")))

// Sixteen bytes at p as single-precision values.
PIXMOLD_AVX512 inline __m512 widen16(const std::uint8_t* p) {
    return _mm512_cvtepi32_ps(_mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
}

// finish_block on a 64-byte block (sum i: bytes 16i..16i+15).
PIXMOLD_AVX512 inline void finish_block512(const __m512* s, float margin, const std::uint8_t* const* rows, int n,
                                           const double* w, std::uint8_t* out, std::size_t j) {
    const __m512 m = _mm512_set1_ps(margin);
    __mmask16 near[4];
    int differ = 0;
    for (int i = 0; i < 4; ++i) {
        const __m512i r = _mm512_cvttps_epi32(_mm512_sub_ps(s[i], m));
        near[i] = _mm512_cmpneq_epi32_mask(r, _mm512_cvttps_epi32(_mm512_add_ps(s[i], m)));
        differ |= near[i];
        // Clamped to 0..255 like the packs of the narrower kernel.
        const __m128i bytes = _mm512_cvtusepi32_epi8(_mm512_max_epi32(r, _mm512_setzero_si512()));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j + 16 * std::size_t(i)), bytes);
    }
    if (differ == 0) return;
    for (int i = 0; i < 4; ++i)
        for (unsigned lanes = near[i]; lanes != 0; lanes &= lanes - 1) {
            const std::size_t at = j + std::size_t(16 * i + __builtin_ctz(lanes));
            out[at] = exact_down(rows, n, w, at);
        }
}

// vertical_single on 64-byte blocks (bytes >= 64): every byte's sum takes
// the same operations in the same order, so the bytes are the same.
template <bool Two>
PIXMOLD_AVX512 void vertical_single512(const std::uint8_t* const* rows, int n, const float* fa, const float* fb,
                                       float ma, float mb, const double* wa, const double* wb, std::uint8_t* a,
                                       std::uint8_t* b, std::size_t bytes, int b_first, int a_end) {
    if (!Two) b_first = a_end = n;
    for (std::size_t j = 0;; j += 64) {
        if (j + 64 > bytes) {
            if (j >= bytes) break;
            j = bytes - 64;
        }
        __m512 sa[4], sb[4];
        for (int i = 0; i < 4; ++i) sa[i] = sb[i] = _mm512_set1_ps(0.5f);
        int k = 0;
        for (; k < b_first; ++k) {
            const std::uint8_t* r = rows[k] + j;
            const __m512 x = _mm512_set1_ps(fa[k]);
            for (int i = 0; i < 4; ++i) sa[i] = _mm512_fmadd_ps(x, widen16(r + 16 * i), sa[i]);
        }
        for (; k < a_end; ++k) {
            const std::uint8_t* r = rows[k] + j;
            const __m512 x = _mm512_set1_ps(fa[k]), y = _mm512_set1_ps(fb[k]);
            for (int i = 0; i < 4; ++i) {
                const __m512 v = widen16(r + 16 * i);
                sa[i] = _mm512_fmadd_ps(x, v, sa[i]);
                sb[i] = _mm512_fmadd_ps(y, v, sb[i]);
            }
        }
        for (; k < n; ++k) {
            const std::uint8_t* r = rows[k] + j;
            const __m512 y = _mm512_set1_ps(fb[k]);
            for (int i = 0; i < 4; ++i) sb[i] = _mm512_fmadd_ps(y, widen16(r + 16 * i), sb[i]);
        }
        finish_block512(sa, ma, rows, n, wa, a, j);
        if (Two) finish_block512(sb, mb, rows, n, wb, b, j);
    }
}
#endif  // x86-64

}  // namespace

void exact_horizontal(const std::uint8_t* in, std::uint8_t* out, const Contributions& table, double* scratch) {
#if defined(__x86_64__)
    if (active_isa() >= Isa::Avx2) return horizontal_avx2(in, out, table, scratch);
#else
    (void)scratch;
#endif
    horizontal_generic(in, out, table);
}

void exact_horizontal2(const std::uint8_t* in_a, std::uint8_t* out_a, const std::uint8_t* in_b, std::uint8_t* out_b,
                       const Contributions& table, double* scratch) {
#if defined(__x86_64__)
    if (active_isa() >= Isa::Avx2) return horizontal2_avx2(in_a, out_a, in_b, out_b, table, scratch);
#else
    (void)scratch;
#endif
    horizontal_generic(in_a, out_a, table);
    horizontal_generic(in_b, out_b, table);
}

void exact_vertical(const std::uint8_t* const* rows, int n, const double* wa, const double* wb, std::uint8_t* a,
                    std::uint8_t* b, std::size_t bytes, int b_first, int a_end) {
#if !defined(__x86_64__)
    (void)b_first, (void)a_end;
    vertical_generic(rows, n, wa, wb, a, b, bytes);
#else
    constexpr int kMaxSingleTaps = 256;  // longer windows stay in double precision
    if (active_isa() < Isa::Avx2) {
        vertical_generic(rows, n, wa, wb, a, b, bytes);
        return;
    }
    if (bytes >= 32 && n <= kMaxSingleTaps) {
        float fa[kMaxSingleTaps], fb[kMaxSingleTaps];
        const float ma = single_margin(wa, n, fa);
        if (bytes >= 64 && active_isa() >= Isa::Avx512) {
            if (b)
                vertical_single512<true>(rows, n, fa, fb, ma, single_margin(wb, n, fb), wa, wb, a, b, bytes,
                                         std::clamp(b_first, 0, n), std::clamp(a_end, b_first, n));
            else
                vertical_single512<false>(rows, n, fa, nullptr, ma, 0, wa, nullptr, a, nullptr, bytes, 0, n);
            return;
        }
        if (b)
            vertical_single<true>(rows, n, fa, fb, ma, single_margin(wb, n, fb), wa, wb, a, b, bytes,
                                  std::clamp(b_first, 0, n), std::clamp(a_end, b_first, n));
        else
            vertical_single<false>(rows, n, fa, nullptr, ma, 0, wa, nullptr, a, nullptr, bytes, 0, n);
        return;
    }
    if (b)
        vertical2_avx2(rows, n, wa, wb, a, b, bytes, std::clamp(b_first, 0, n), std::clamp(a_end, b_first, n));
    else
        vertical1_avx2(rows, n, wa, a, bytes);
#endif
}

}  // namespace pixmold::resample
