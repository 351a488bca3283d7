// Single-precision Mitchell kernels for 24-bit pictures.
//
// Same tables, pass order and byte rounding between the passes as the exact
// filter, but single-precision sums over tap windows padded to one length, so
// the loops have no per-output branching. Rounding to a byte happens only
// where the exact filter rounds too, so the two rarely disagree, and then by
// one level.
#include <algorithm>
#include <cstring>
#include <immintrin.h>

#include "image/resample_internal.h"

namespace pixmold::resample {

namespace {

inline std::uint8_t to_byte(float sum) {
    const int v = int(sum + 0.5f);
    return std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void rows_generic(const Plane& src, const MutablePlane& dst, const UniformContributions& t, int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* in = src.row(y);
        std::uint8_t* out = dst.row(y);
        for (int x = 0; x < t.n_out; ++x) {
            const float* w = &t.weights[std::size_t(x) * std::size_t(t.taps)];
            const std::uint8_t* p = in + std::size_t(t.left[std::size_t(x)]) * 3;
            float s0 = 0, s1 = 0, s2 = 0;
            for (int k = 0; k < t.taps; ++k, p += 3) {
                s0 += w[k] * float(p[0]);
                s1 += w[k] * float(p[1]);
                s2 += w[k] * float(p[2]);
            }
            out[3 * x + 0] = to_byte(s0);
            out[3 * x + 1] = to_byte(s1);
            out[3 * x + 2] = to_byte(s2);
        }
    }
}

void columns_generic(const Plane& src, const MutablePlane& dst, const UniformContributions& t, int bpp, int y0,
                     int y1) {
    const std::size_t bytes = std::size_t(dst.width) * std::size_t(bpp);
    for (int y = y0; y < y1; ++y) {
        const float* w = &t.weights[std::size_t(y) * std::size_t(t.taps)];
        const int l = t.left[std::size_t(y)];
        std::uint8_t* out = dst.row(y);
        for (std::size_t j = 0; j < bytes; ++j) {
            float s = 0;
            for (int k = 0; k < t.taps; ++k) s += w[k] * float(src.row(l + k)[j]);
            out[j] = to_byte(s);
        }
    }
}

#define PIXMOLD_AVX2 __attribute__((target("avx2,fma")))

PIXMOLD_AVX2 void rows_avx2(const Plane& src, const MutablePlane& dst, const UniformContributions& t, int y0, int y1,
                            float* scratch) {
    const int n = src.width * 3;
    const int taps = t.taps;
    const __m128 half = _mm_set1_ps(0.5f);
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* in = src.row(y);
        int j = 0;
        for (; j + 8 <= n; j += 8) {
            const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + j));
            _mm256_store_ps(scratch + j, _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(b)));
        }
        for (; j < n; ++j) scratch[j] = float(in[j]);
        for (int k = 0; k < 8; ++k) scratch[n + k] = 0.0f;

        std::uint8_t* out = dst.row(y);
        const float* w = t.weights.data();
        const int last = t.n_out - 1;
        for (int x = 0; x <= last; ++x, w += taps) {
            const float* p = scratch + std::size_t(t.left[std::size_t(x)]) * 3;
            __m128 sum = _mm_mul_ps(_mm_set1_ps(w[0]), _mm_loadu_ps(p));
            for (int k = 1; k < taps; ++k) sum = _mm_fmadd_ps(_mm_set1_ps(w[k]), _mm_loadu_ps(p + 3 * k), sum);
            const __m128i v = _mm_cvttps_epi32(_mm_add_ps(sum, half));
            const __m128i b16 = _mm_packus_epi32(v, v);
            const int word = _mm_cvtsi128_si32(_mm_packus_epi16(b16, b16));
            // Four bytes at a time; the spare one is overwritten by the next
            // pixel, except at the row's end where it may not be ours.
            std::memcpy(out + 3 * x, &word, x < last ? 4 : 3);
        }
    }
}

PIXMOLD_AVX2 inline __m256 widen8(const std::uint8_t* p) {
    return _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}

PIXMOLD_AVX2 inline __m256i round8(__m256 sum) {
    return _mm256_cvttps_epi32(_mm256_add_ps(sum, _mm256_set1_ps(0.5f)));
}

PIXMOLD_AVX2 void columns_avx2(const Plane& src, const MutablePlane& dst, const UniformContributions& t, int bpp,
                               int y0, int y1) {
    const std::size_t bytes = std::size_t(dst.width) * std::size_t(bpp);
    const int taps = t.taps;
    constexpr int kMaxRows = 64;
    const std::uint8_t* rows[kMaxRows];
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    for (int y = y0; y < y1; ++y) {
        if (taps > kMaxRows) {
            columns_generic(src, dst, t, bpp, y, y + 1);
            continue;
        }
        const float* w = &t.weights[std::size_t(y) * std::size_t(taps)];
        const int l = t.left[std::size_t(y)];
        for (int k = 0; k < taps; ++k) rows[k] = src.row(l + k);
        std::uint8_t* out = dst.row(y);
        std::size_t j = 0;
        for (; j + 32 <= bytes; j += 32) {
            __m256 wk = _mm256_broadcast_ss(w);
            __m256 s0 = _mm256_mul_ps(wk, widen8(rows[0] + j));
            __m256 s1 = _mm256_mul_ps(wk, widen8(rows[0] + j + 8));
            __m256 s2 = _mm256_mul_ps(wk, widen8(rows[0] + j + 16));
            __m256 s3 = _mm256_mul_ps(wk, widen8(rows[0] + j + 24));
            for (int k = 1; k < taps; ++k) {
                wk = _mm256_broadcast_ss(w + k);
                const std::uint8_t* r = rows[k] + j;
                s0 = _mm256_fmadd_ps(wk, widen8(r), s0);
                s1 = _mm256_fmadd_ps(wk, widen8(r + 8), s1);
                s2 = _mm256_fmadd_ps(wk, widen8(r + 16), s2);
                s3 = _mm256_fmadd_ps(wk, widen8(r + 24), s3);
            }
            const __m256i p01 = _mm256_packus_epi32(round8(s0), round8(s1));
            const __m256i p23 = _mm256_packus_epi32(round8(s2), round8(s3));
            const __m256i b = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(p01, p23), order);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j), b);
        }
        for (; j + 8 <= bytes; j += 8) {
            __m256 s = _mm256_mul_ps(_mm256_broadcast_ss(w), widen8(rows[0] + j));
            for (int k = 1; k < taps; ++k) s = _mm256_fmadd_ps(_mm256_broadcast_ss(w + k), widen8(rows[k] + j), s);
            const __m256i v = round8(s);
            const __m128i h = _mm_packus_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + j), _mm_packus_epi16(h, h));
        }
        for (; j < bytes; ++j) {
            float s = 0;
            for (int k = 0; k < taps; ++k) s += w[k] * float(rows[k][j]);
            out[j] = to_byte(s);
        }
    }
}

}  // namespace

void fast_rows(const Plane& src, const MutablePlane& dst, const UniformContributions& t, int y0, int y1,
               float* scratch) {
    if (active_isa() == Isa::Avx2)
        rows_avx2(src, dst, t, y0, y1, scratch);
    else
        rows_generic(src, dst, t, y0, y1);
}

void fast_columns(const Plane& src, const MutablePlane& dst, const UniformContributions& t, int bpp, int y0,
                  int y1) {
    if (active_isa() == Isa::Avx2)
        columns_avx2(src, dst, t, bpp, y0, y1);
    else
        columns_generic(src, dst, t, bpp, y0, y1);
}

}  // namespace pixmold::resample
