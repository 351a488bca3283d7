// Exact double-precision Mitchell kernels for 4-byte pixels.
//
// Every output byte is: sum = 0; for each tap in increasing input order
// sum = sum + weight * value (a rounded multiply, then a rounded add); byte
// = clamp(int(sum + 0.5)). The AVX2 versions do exactly those operations in
// the same order for each channel, only several channels or pixels at once,
// so their bytes equal the generic ones. Fused multiply-add must stay out of
// this file: it rounds once instead of twice and would change the bytes.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <immintrin.h>

#include "image/resample_internal.h"

namespace pixmold::resample {

namespace {

inline std::uint8_t to_byte(double sum) {
    const int v = int(sum + 0.5);
    return std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void rows_generic(const Plane& src, const MutablePlane& dst, const Contributions& t, int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* in = src.row(y);
        std::uint8_t* out = dst.row(y);
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
}

void columns_generic(const Plane& src, const MutablePlane& dst, const Contributions& t, int y0, int y1) {
    const std::size_t bytes = std::size_t(dst.width) * 4;
    for (int y = y0; y < y1; ++y) {
        const double* w = &t.weights[std::size_t(y) * std::size_t(t.stride)];
        const int l = t.left[std::size_t(y)];
        const int n = t.count[std::size_t(y)];
        std::uint8_t* out = dst.row(y);
        for (std::size_t j = 0; j < bytes; ++j) {
            double s = 0;
            for (int k = 0; k < n; ++k) s += w[k] * double(src.row(l + k)[j]);
            out[j] = to_byte(s);
        }
    }
}

__attribute__((target("avx2"))) inline __m128i pack4_avx2(__m256d sum) {
    const __m128i v = _mm256_cvttpd_epi32(_mm256_add_pd(sum, _mm256_set1_pd(0.5)));
    const __m128i w = _mm_packus_epi32(v, v);
    return _mm_packus_epi16(w, w);
}

__attribute__((target("avx2"))) void rows_avx2(const Plane& src, const MutablePlane& dst, const Contributions& t,
                                               int y0, int y1, double* scratch) {
    const int sw = src.width;
    for (int y = y0; y < y1; ++y) {
        // Convert the row once; each input pixel feeds several outputs.
        const std::uint8_t* in = src.row(y);
        for (int x = 0; x < sw; ++x) {
            std::int32_t word;
            std::memcpy(&word, in + 4 * x, 4);
            const __m256d v = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(word)));
            _mm256_store_pd(scratch + 4 * x, v);
        }
        std::uint8_t* out = dst.row(y);
        for (int x = 0; x < t.n_out; ++x) {
            const double* w = &t.weights[std::size_t(x) * std::size_t(t.stride)];
            const double* p = scratch + std::size_t(t.left[std::size_t(x)]) * 4;
            const int n = t.count[std::size_t(x)];
            __m256d sum = _mm256_setzero_pd();
            for (int k = 0; k < n; ++k)
                sum = _mm256_add_pd(sum, _mm256_mul_pd(_mm256_broadcast_sd(w + k), _mm256_load_pd(p + 4 * k)));
            const int word = _mm_cvtsi128_si32(pack4_avx2(sum));
            std::memcpy(out + 4 * x, &word, 4);
        }
    }
}

__attribute__((target("avx2"))) inline __m256d widen(__m128i bytes) {
    return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(bytes));
}

__attribute__((target("avx2"))) void columns_avx2(const Plane& src, const MutablePlane& dst, const Contributions& t,
                                                  int y0, int y1) {
    const std::size_t bytes = std::size_t(dst.width) * 4;
    constexpr int kMaxRows = 64;
    const std::uint8_t* rows[kMaxRows];
    for (int y = y0; y < y1; ++y) {
        const double* w = &t.weights[std::size_t(y) * std::size_t(t.stride)];
        const int l = t.left[std::size_t(y)];
        const int n = t.count[std::size_t(y)];
        std::uint8_t* out = dst.row(y);
        if (n > kMaxRows) {
            columns_generic(src, dst, t, y, y + 1);
            continue;
        }
        for (int k = 0; k < n; ++k) rows[k] = src.row(l + k);
        std::size_t j = 0;
        for (; j + 16 <= bytes; j += 16) {
            __m256d s0 = _mm256_setzero_pd(), s1 = s0, s2 = s0, s3 = s0;
            for (int k = 0; k < n; ++k) {
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + j));
                const __m256d wk = _mm256_broadcast_sd(w + k);
                s0 = _mm256_add_pd(s0, _mm256_mul_pd(wk, widen(b)));
                s1 = _mm256_add_pd(s1, _mm256_mul_pd(wk, widen(_mm_srli_si128(b, 4))));
                s2 = _mm256_add_pd(s2, _mm256_mul_pd(wk, widen(_mm_srli_si128(b, 8))));
                s3 = _mm256_add_pd(s3, _mm256_mul_pd(wk, widen(_mm_srli_si128(b, 12))));
            }
            const __m128i r = _mm_setr_epi32(_mm_cvtsi128_si32(pack4_avx2(s0)), _mm_cvtsi128_si32(pack4_avx2(s1)),
                                             _mm_cvtsi128_si32(pack4_avx2(s2)), _mm_cvtsi128_si32(pack4_avx2(s3)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), r);
        }
        for (; j < bytes; j += 4) {
            __m256d s = _mm256_setzero_pd();
            for (int k = 0; k < n; ++k) {
                std::int32_t word;
                std::memcpy(&word, rows[k] + j, 4);
                s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_broadcast_sd(w + k), widen(_mm_cvtsi32_si128(word))));
            }
            const int word = _mm_cvtsi128_si32(pack4_avx2(s));
            std::memcpy(out + j, &word, 4);
        }
    }
}

}  // namespace

void exact_rows(const Plane& src, const MutablePlane& dst, const Contributions& t, int y0, int y1, double* scratch) {
    if (active_isa() == Isa::Avx2)
        rows_avx2(src, dst, t, y0, y1, scratch);
    else
        rows_generic(src, dst, t, y0, y1);
}

void exact_columns(const Plane& src, const MutablePlane& dst, const Contributions& t, int y0, int y1) {
    if (active_isa() == Isa::Avx2)
        columns_avx2(src, dst, t, y0, y1);
    else
        columns_generic(src, dst, t, y0, y1);
}

}  // namespace pixmold::resample
