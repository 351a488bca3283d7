// A plain, slow implementation of the smooth resampler used as the yardstick
// for the fast one, plus small picture helpers for the resampler tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/image.h"
#include "image/resample_internal.h"

namespace pixmold::testing {

// Every instruction set the kernels have, for tests run once per set (one
// the machine lacks runs as the best it has), and their names in test names.
inline const auto kEachIsa = ::testing::Values(resample::Isa::Generic, resample::Isa::Avx2, resample::Isa::Avx512);
inline const char* isa_name(resample::Isa isa) {
    return isa == resample::Isa::Generic ? "Generic" : isa == resample::Isa::Avx2 ? "Avx2" : "Avx512";
}

// A bottom-up picture in the engine's layout, owned by the test.
struct Picture {
    int width = 0, height = 0, depth = 24, stride = 0;
    std::vector<std::uint8_t> bytes;

    Picture() = default;
    Picture(int w, int h, int d) : width(w), height(h), depth(d) {
        stride = d == 32 ? w * 4 : (w * 3 + 3) / 4 * 4;
        bytes.assign(std::size_t(stride) * std::size_t(h), 0xCD);  // padding gets junk
    }
    int channels() const { return depth / 8; }
    std::uint8_t* at(int x, int memory_row) { return &bytes[std::size_t(memory_row) * stride + std::size_t(x) * channels()]; }
    const std::uint8_t* at(int x, int memory_row) const {
        return &bytes[std::size_t(memory_row) * stride + std::size_t(x) * channels()];
    }
    PixelView view() { return PixelView{bytes.data(), width, height, depth, stride, false}; }
    // Pixel bytes only (row padding left out), for comparisons.
    std::vector<std::uint8_t> pixels() const {
        std::vector<std::uint8_t> out;
        for (int y = 0; y < height; ++y) out.insert(out.end(), at(0, y), at(0, y) + width * channels());
        return out;
    }
};

inline Picture random_picture(int w, int h, int depth, std::mt19937& rng) {
    Picture p(w, h, depth);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * p.channels(); ++x) p.at(0, y)[x] = std::uint8_t(byte(rng));
    return p;
}

// Binary PPM (P6, maxval 255) into a 24-bit picture; empty on error.
inline Picture read_ppm(const std::string& path) {
    Picture none;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return none;
    int w = 0, h = 0, maxval = 0;
    if (std::fscanf(f, "P6 %d %d %d", &w, &h, &maxval) != 3 || maxval != 255 || w < 1 || h < 1 || std::fgetc(f) == EOF) {
        std::fclose(f);
        return none;
    }
    Picture p(w, h, 24);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = p.at(0, h - 1 - y);
        for (int x = 0; x < w; ++x) {
            std::uint8_t rgb[3];
            if (std::fread(rgb, 1, 3, f) != 3) {
                std::fclose(f);
                return none;
            }
            row[3 * x] = rgb[2];
            row[3 * x + 1] = rgb[1];
            row[3 * x + 2] = rgb[0];
        }
    }
    std::fclose(f);
    return p;
}

// ---- the reference filter, written straight from the algorithm ----------

struct RefTaps {
    int left = 0;
    std::vector<double> w;
};

inline double ref_mitchell(double x) {
    const double B = 1.0 / 3.0, C = 1.0 / 3.0;
    const double c3 = (12.0 - 9.0 * B - 6.0 * C) / 6.0, c2 = (12.0 * B - 18.0 + 6.0 * C) / 6.0,
                 c0 = (6.0 - 2.0 * B) / 6.0;
    const double d3 = (-B - 6.0 * C) / 6.0, d2 = (6.0 * B + 30.0 * C) / 6.0, d1 = (-12.0 * B - 48.0 * C) / 6.0,
                 d0 = (8.0 * B + 24.0 * C) / 6.0;
    x = std::fabs(x);
    if (x < 1) return (c3 * x + c2) * (x * x) + c0;
    if (x < 2) return ((d3 * x + d2) * x + d1) * x + d0;
    return 0;
}

// The outputs cover `extent` inputs from `start` on (0: all of them).
inline std::vector<RefTaps> ref_table(int n_in, int n_out, double extent = 0, double start = 0) {
    const double scale = double(n_out) / (extent > 0 ? extent : n_in);
    double support = 2, fscale = 1;
    if (scale < 1) {
        support = 2 / scale;
        fscale = scale;
    }
    std::vector<RefTaps> table(n_out);
    for (int i = 0; i < n_out; ++i) {
        const double center = start + (i + 0.5) / scale - 0.5;
        int left = int(std::floor(center - support));
        int right = int(std::ceil(center + support));
        if (left < 0) left = 0;
        if (right > n_in - 1) right = n_in - 1;
        if (right - left + 1 > 2 * int(std::ceil(support)) + 1) {
            if (left >= n_in)
                --right;
            else
                ++left;
        }
        table[i].left = left;
        double sum = 0;
        for (int k = left; k <= right; ++k) {
            table[i].w.push_back(ref_mitchell(std::fabs(center - k) * fscale) * fscale);
            sum += table[i].w.back();
        }
        if (sum > 0 && sum != 1)
            for (double& w : table[i].w) w /= sum;
    }
    return table;
}

inline std::uint8_t ref_byte(double s) {
    int v = int(s + 0.5);
    return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Filters along x (rows) or along memory rows (columns), over `extent`
// pixels from `start` (0: all of them).
inline Picture ref_pass(const Picture& in, int out_w, int out_h, bool along_x, double extent = 0, double start = 0) {
    Picture out(out_w, out_h, in.depth);
    const int ch = in.channels();
    const auto table = along_x ? ref_table(in.width, out_w, extent, start) : ref_table(in.height, out_h, extent, start);
    for (int y = 0; y < out_h; ++y)
        for (int x = 0; x < out_w; ++x)
            for (int c = 0; c < ch; ++c) {
                const RefTaps& t = table[along_x ? x : y];
                double s = 0;
                for (std::size_t k = 0; k < t.w.size(); ++k) {
                    const int pos = t.left + int(k);
                    s += t.w[k] * double(along_x ? in.at(pos, y)[c] : in.at(x, pos)[c]);
                }
                out.at(x, y)[c] = ref_byte(s);
            }
    return out;
}

// The smooth resampler in double precision. `skip_same_axis` leaves an axis
// that keeps its size unfiltered (the 24-bit behaviour). A partial extent
// leaves out part of the last column (on the right) and of the last row (at
// the bottom, which is the first memory row); a picture that begins inside
// the first column or row starts `left` or `top` into it.
inline Picture ref_resize(const Picture& src, int dw, int dh, bool skip_same_axis, PictureExtent extent = {}) {
    const double ew = extent.width > 0 ? extent.width : src.width;
    const double eh = extent.height > 0 ? extent.height : src.height, start_y = src.height - extent.top - eh;
    const bool do_x = !(skip_same_axis && dw == src.width && ew == src.width && extent.left == 0);
    const bool do_y = !(skip_same_axis && dh == src.height && eh == src.height && extent.top == 0);
    auto across = [&](const Picture& in, int h) { return ref_pass(in, dw, h, true, ew, extent.left); };
    auto down = [&](const Picture& in, int w) { return ref_pass(in, w, dh, false, eh, start_y); };
    if (!do_x && !do_y) return src;
    if (!do_x) return down(src, dw);
    if (!do_y) return across(src, dh);
    if (std::int64_t(dh) * src.width < std::int64_t(dw) * src.height) return across(down(src, src.width), dh);
    return down(across(src, src.height), dw);
}

}  // namespace pixmold::testing
