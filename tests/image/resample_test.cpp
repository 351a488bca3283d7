// Resampler kernels against the plain reference, and the filter's edge cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <random>
#include <vector>
#include <thread>
#include <chrono>

#include "image/resample.h"
#include "image/resample_internal.h"
#include "resample_reference.h"

namespace pixmold {
namespace resample {
// Names for test output.
void PrintTo(Isa isa, std::ostream* os) { *os << testing::isa_name(isa); }
}  // namespace resample

namespace {

using testing::Picture;
using testing::random_picture;
using testing::read_ppm;
using testing::ref_resize;

// Runs a test body once per instruction set the machine has.
class EachIsa : public ::testing::TestWithParam<resample::Isa> {
protected:
    void SetUp() override { resample::force_isa(GetParam()); }
    void TearDown() override { resample::reset_isa(); }
};

Picture resized(Picture& src, int w, int h, int depth, int threads, int mode = RESIZE_SMOOTH) {
    Picture dst(w, h, depth);
    EXPECT_TRUE(resize_pixels(src.view(), dst.view(), mode, threads));
    return dst;
}

struct ErrorStats {
    int max = 0;
    double mean = 0;
};
ErrorStats compare(const Picture& a, const Picture& b) {
    const auto pa = a.pixels(), pb = b.pixels();
    ErrorStats s;
    if (pa.size() != pb.size()) return {999, 999};
    long total = 0;
    for (std::size_t i = 0; i < pa.size(); ++i) {
        const int d = std::abs(int(pa[i]) - int(pb[i]));
        s.max = std::max(s.max, d);
        total += d;
    }
    s.mean = pa.empty() ? 0 : double(total) / double(pa.size());
    return s;
}

std::string data_path(const char* name) { return std::string(PIXMOLD_TEST_DATA) + "/image/" + name; }

// ---- 32-bit exact path ---------------------------------------------------

TEST_P(EachIsa, Exact32BitEqualsReferenceForRandomSizesAndThreads) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> side(1, 70);
    for (int round = 0; round < 60; ++round) {
        const int sw = side(rng), sh = side(rng), dw = side(rng), dh = side(rng);
        Picture src = random_picture(sw, sh, 32, rng);
        const Picture want = ref_resize(src, dw, dh, false);
        for (int threads = 1; threads <= 4; ++threads) {
            const Picture got = resized(src, dw, dh, 32, threads);
            ASSERT_EQ(got.pixels(), want.pixels()) << sw << "x" << sh << " -> " << dw << "x" << dh << ", "
                                                   << threads << " threads";
        }
    }
}

TEST_P(EachIsa, Exact32BitEqualsReferenceAtExtremeRatios) {
    std::mt19937 rng(99);
    // Column windows of about 180 rows (single-precision sums, wide error
    // bound) and of 600 (double precision throughout) on rows of 48 bytes.
    const int cases[][4] = {{300, 2, 1, 1},  {1, 1, 200, 3}, {257, 5, 3, 5},  {3, 260, 2, 17},
                            {64, 64, 64, 64}, {5, 400, 5, 9}, {1, 300, 1, 1}, {97, 1, 1000, 1},
                            {12, 400, 12, 9}, {12, 600, 12, 2}};
    for (const auto& c : cases) {
        Picture src = random_picture(c[0], c[1], 32, rng);
        const Picture want = ref_resize(src, c[2], c[3], false);
        for (int threads : {1, 3}) {
            const Picture got = resized(src, c[2], c[3], 32, threads);
            ASSERT_EQ(got.pixels(), want.pixels()) << c[0] << "x" << c[1] << " -> " << c[2] << "x" << c[3];
        }
    }
}

TEST_P(EachIsa, Exact32BitBreaksExactTiesLikeTheReference) {
    // Halving the height puts output rows half-way between input rows, so a
    // step between rows 20 and 21 sums to exactly x.5, which only the double
    // filter's own rounding noise breaks. The column filter must give the
    // same bytes whatever precision it works in; the widths cover whole
    // 32-byte blocks, an overlapping last block and a single pixel.
    for (int width : {12, 9, 1}) {
        for (int a = 90; a < 150; a += 3) {
            Picture src(width, 40, 32);
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < width; ++x)
                    for (int c = 0; c < 4; ++c) src.at(x, y)[c] = std::uint8_t(a + c * 7 + (y <= 20 ? 0 : 1 + x % 3));
            for (auto [dw, dh] : {std::pair{width + 3, 20}, {width, 20}}) {
                const Picture want = ref_resize(src, dw, dh, false);
                ASSERT_EQ(resized(src, dw, dh, 32, 1).pixels(), want.pixels())
                    << width << " wide, step " << a << " -> " << dw << "x" << dh;
            }
        }
    }
}

TEST_P(EachIsa, UniformPicturesStayExactlyUniform) {
    for (int depth : {24, 32}) {
        Picture src(37, 23, depth);
        const std::uint8_t colour[4] = {12, 200, 77, 131};
        for (int y = 0; y < src.height; ++y)
            for (int x = 0; x < src.width; ++x) std::copy(colour, colour + depth / 8, src.at(x, y));
        for (auto [w, h] : {std::pair{5, 90}, {100, 3}, {36, 23}, {1, 1}, {74, 46}}) {
            const Picture got = resized(src, w, h, depth, 2);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_TRUE(std::equal(colour, colour + depth / 8, got.at(x, y)))
                        << depth << "-bit " << w << "x" << h << " at " << x << "," << y;
        }
    }
}

TEST_P(EachIsa, OnePixelEnlargedToThreeByThreeRepeatsIt) {
    for (int depth : {24, 32}) {
        Picture src(1, 1, depth);
        const std::uint8_t colour[4] = {9, 180, 250, 40};
        std::copy(colour, colour + depth / 8, src.at(0, 0));
        const Picture got = resized(src, 3, 3, depth, 1);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x) EXPECT_TRUE(std::equal(colour, colour + depth / 8, got.at(x, y)));
    }
}

TEST_P(EachIsa, TransparentRegionStaysTransparentAwayFromOpaqueEdges) {
    // Left half opaque red, right half fully transparent with varied colours.
    std::mt19937 rng(5);
    Picture src = random_picture(80, 40, 32, rng);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x) {
            std::uint8_t* p = src.at(x, y);
            if (x < 40) {
                p[0] = 0, p[1] = 0, p[2] = 255, p[3] = 255;
            } else {
                p[3] = 0;
            }
        }
    const Picture got = resized(src, 30, 50, 32, 2);
    // Output column x reads inputs within 2 / scale = 5.34 of its centre.
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 30; ++x) {
            const double center = (x + 0.5) * 80.0 / 30.0 - 0.5;
            if (center - 2 * 80.0 / 30.0 > 40) {
                EXPECT_EQ(got.at(x, y)[3], 0) << x << "," << y;
            }
            if (center + 2 * 80.0 / 30.0 < 39) {
                EXPECT_EQ(got.at(x, y)[3], 255) << x << "," << y;
            }
        }
}

TEST_P(EachIsa, HalvingReachesFourInputPositionsEachSide) {
    // Mid-grey line with one bright pixel: an output changes exactly when the
    // bright pixel lies within 4 input positions of its centre.
    for (int depth : {24, 32}) {
        for (int bright = 10; bright < 14; ++bright) {
            Picture src(32, 1, depth);
            for (int x = 0; x < 32; ++x)
                for (int c = 0; c < depth / 8; ++c) src.at(x, 0)[c] = 128;
            src.at(bright, 0)[1] = 255;
            const Picture got = resized(src, 16, 1, depth, 1);
            for (int i = 0; i < 16; ++i) {
                const double center = (i + 0.5) * 2 - 0.5;
                const bool reached = std::fabs(center - bright) < 4;
                EXPECT_EQ(got.at(i, 0)[1] != 128, reached) << depth << "-bit, bright " << bright << ", output " << i;
                EXPECT_EQ(got.at(i, 0)[0], 128);
            }
        }
    }
}

TEST(ResampleTables, HalvingTableKeepsNineTapsAndDropsTheLeftmost) {
    resample::Contributions t;
    ASSERT_TRUE(resample::build_contributions(40, 20, t));
    // Output 10: centre 20.5, support 4: inputs 16.5 .. 24.5 -> 17 .. 25 after
    // dropping the tenth (leftmost) tap.
    EXPECT_EQ(t.left[10], 17);
    EXPECT_EQ(t.count[10], 9);
    double sum = 0;
    for (int k = 0; k < t.count[10]; ++k) sum += t.weights[10 * t.stride + k];
    EXPECT_NEAR(sum, 1.0, 1e-12);
    // At the edge the missing taps are simply absent: centre 0.5 reads 0 .. 5.
    EXPECT_EQ(t.left[0], 0);
    EXPECT_EQ(t.count[0], 6);
}

TEST(ResampleTables, SimdWeightsAreTheSameDoublesAsPlainOnes) {
    // The exact paths promise the reference's bytes, so the weights must be
    // the reference's to the last bit whatever code computes them.
    std::mt19937 rng(8);
    std::uniform_int_distribution<int> side(1, 5000);
    for (int round = 0; round < 200; ++round) {
        const int n_in = side(rng), n_out = round % 4 == 0 ? n_in * 3 / 2 + 1 : std::max(1, side(rng) / 4);
        // Every third table covers a partial last input, as a scaled decode's last row does.
        const double part = round % 3 == 0 ? 0.3 + 0.001 * round : 0.0, extent = part > 0 ? n_in - 1 + part : 0;
        const double start = part > 0 && round % 2 == 0 ? 1 - part : 0;
        resample::Contributions plain, simd;
        resample::force_isa(resample::Isa::Generic);
        ASSERT_TRUE(resample::build_contributions(n_in, n_out, plain, extent, start));
        resample::reset_isa();
        ASSERT_TRUE(resample::build_contributions(n_in, n_out, simd, extent, start));
        ASSERT_EQ(simd.left, plain.left) << n_in << " -> " << n_out;
        ASSERT_EQ(simd.count, plain.count) << n_in << " -> " << n_out;
        ASSERT_EQ(std::memcmp(simd.weights.data(), plain.weights.data(), plain.weights.size() * sizeof(double)), 0)
            << n_in << " -> " << n_out;
    }
}

TEST(ResampleTables, SingleSumBoundCoversTheKernelsRoundingOnHardSums) {
    // The tie tests rely on this bound: a too small one lets a sum near a
    // tie round the wrong way. Sums are done as the kernels do them (fused
    // multiply-adds in float, in one or two chains) and compared with the
    // exact sum by the double weights. Bytes of 255 and 254 keep the
    // partial sums large, where their roundings are largest.
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> weight(-0.12, 0.45);
    double worst = 0;  // largest error / bound seen
    for (int trial = 0; trial < 20000; ++trial) {
        const int n = 2 + trial % 15;
        double w[16];
        float wf[16];
        std::uint8_t p[16];
        double total = 0;
        for (int k = 0; k < n; ++k) total += (w[k] = weight(rng));
        for (int k = 0; k < n; ++k) {
            w[k] /= total;  // sums to about 1, like a filter's weights
            wf[k] = float(w[k]);
            p[k] = trial % 3 == 0 ? std::uint8_t(rng() % 256) : std::uint8_t(254 + rng() % 2);
        }
        long double exact = 0.5L;
        for (int k = 0; k < n; ++k) exact += (long double)w[k] * p[k];
        for (int chains = 1; chains <= 2; ++chains) {
            float chain[2] = {0.5f, 0.0f};
            for (int k = 0; k < n; ++k) chain[k % chains] = std::fma(wf[k], float(p[k]), chain[k % chains]);
            const float sum = chains == 2 ? chain[0] + chain[1] : chain[0];
            const double bound = resample::single_sum_bound(w, wf, n, chains) * 0x1p-24;
            const double error = double(std::fabs((long double)sum - exact));
            ASSERT_LE(error, bound) << "trial " << trial << ", " << chains << " chains";
            worst = std::max(worst, error / bound);
        }
    }
    // The bound is not so loose that it could hide a unit slip.
    EXPECT_GT(worst, 0.5);
}

// ---- 24-bit fast path ----------------------------------------------------

void expect_close_to_reference(Picture& src, int dw, int dh, const std::string& what) {
    const Picture want = ref_resize(src, dw, dh, true);
    const Picture one = resized(src, dw, dh, 24, 1);
    const ErrorStats e = compare(one, want);
    EXPECT_LE(e.max, 1) << what << " -> " << dw << "x" << dh;
    EXPECT_LT(e.mean, 0.1) << what << " -> " << dw << "x" << dh;
    for (int threads = 2; threads <= 4; ++threads)
        ASSERT_EQ(resized(src, dw, dh, 24, threads).pixels(), one.pixels()) << what << ", " << threads << " threads";
}

TEST_P(EachIsa, Fast24BitStaysWithinOneLevelOnPhotos) {
    for (const char* name : {"photo_crop.ppm", "photo_small.ppm"}) {
        Picture src = read_ppm(data_path(name));
        ASSERT_GT(src.width, 0) << name;
        const int w = src.width, h = src.height;
        for (auto [dw, dh] : {std::pair{w / 2, h / 2}, {w * 3 / 7, h * 3 / 7}, {w * 2, h * 2}, {w + 13, h - 9},
                              {w, h / 3}, {w / 3, h}, {w - 1, h - 1}, {17, 101}})
            expect_close_to_reference(src, dw, dh, name);
    }
}

TEST_P(EachIsa, Fast24BitStaysWithinOneLevelOnSyntheticEdges) {
    Picture checks(61, 47, 24), steps(64, 64, 24);
    for (int y = 0; y < 47; ++y)
        for (int x = 0; x < 61; ++x)
            for (int c = 0; c < 3; ++c) checks.at(x, y)[c] = ((x / 3 + y / 4 + c) % 2) ? 255 : 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= 20 && x < 44 && y >= 16 && y < 40;
            steps.at(x, y)[0] = inside ? 255 : 0;
            steps.at(x, y)[1] = std::uint8_t(x * 4);
            steps.at(x, y)[2] = inside ? 0 : 250;
        }
    for (auto [dw, dh] : {std::pair{30, 23}, {20, 20}, {122, 94}, {7, 5}, {61, 20}, {200, 47}, {45, 90}}) {
        expect_close_to_reference(checks, dw, dh, "checks");
        expect_close_to_reference(steps, dw, dh, "steps");
    }
}

TEST_P(EachIsa, Fast24BitFirstPassBreaksExactTiesLikeTheDoubleFilter) {
    // Halving rows puts output centres half-way between two input rows, so a
    // step between them gives an exact tie, x.5, which the double filter
    // breaks by its rounding noise, one way or the other. Rows constant in x
    // pass the row filter unchanged, so the result shows the first pass's
    // bytes; a slip there would also be doubled by neighbouring columns in
    // real pictures.
    for (int a = 90; a < 150; ++a) {
        Picture src(12, 40, 24);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 12; ++x)
                for (int c = 0; c < 3; ++c) src.at(x, y)[c] = std::uint8_t(y <= 20 ? a + c * 7 : a + c * 7 + 1);
        const Picture want = ref_resize(src, 15, 20, true);
        ASSERT_EQ(resized(src, 15, 20, 24, 1).pixels(), want.pixels()) << "step " << a;
    }
}

TEST_P(EachIsa, Fast24BitRowPassBreaksExactTiesLikeTheDoubleFilter) {
    // The same along rows (filtered first here, several rows at a time):
    // halving the width of a step between columns 20 and 21.
    for (int a = 90; a < 150; ++a) {
        Picture src(40, 12, 24);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 40; ++x)
                for (int c = 0; c < 3; ++c) src.at(x, y)[c] = std::uint8_t(x <= 20 ? a + c * 5 : a + c * 5 + 1);
        const Picture want = ref_resize(src, 20, 15, true);
        ASSERT_EQ(resized(src, 20, 15, 24, 1).pixels(), want.pixels()) << "step " << a;
    }
}

TEST_P(EachIsa, Fast24BitAtExtremeRatios) {
    // Thousands of taps per output, and single-pixel sides.
    std::mt19937 rng(31);
    const int cases[][4] = {{3000, 5, 7, 5}, {5, 3000, 5, 4}, {1500, 900, 3, 2}, {900, 1500, 2, 3},
                            {1, 1, 300, 2},  {2, 300, 1, 1}, {300, 1, 1, 40}};
    for (const auto& c : cases) {
        Picture src = random_picture(c[0], c[1], 24, rng);
        expect_close_to_reference(src, c[2], c[3], std::to_string(c[0]) + "x" + std::to_string(c[1]));
    }
}

TEST_P(EachIsa, Fast24BitOnRandomSizes) {
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> side(1, 60);
    for (int round = 0; round < 40; ++round) {
        const int sw = side(rng), sh = side(rng), dw = side(rng), dh = side(rng);
        Picture src = random_picture(sw, sh, 24, rng);
        expect_close_to_reference(src, dw, dh, std::to_string(sw) + "x" + std::to_string(sh));
    }
}

TEST_P(EachIsa, SmoothResizeKeepsMeanBrightnessOfPhotos) {
    for (const char* name : {"photo_crop.ppm", "photo_small.ppm"}) {
        Picture photo = read_ppm(data_path(name));
        ASSERT_GT(photo.width, 0);
        // A 32-bit copy with a gradient alpha.
        Picture photo32(photo.width, photo.height, 32);
        for (int y = 0; y < photo.height; ++y)
            for (int x = 0; x < photo.width; ++x) {
                std::copy(photo.at(x, y), photo.at(x, y) + 3, photo32.at(x, y));
                photo32.at(x, y)[3] = std::uint8_t(x * 255 / (photo.width - 1));
            }
        for (Picture* src : {&photo, &photo32})
            for (auto [dw, dh] : {std::pair{64, 48}, {50, 50}, {256, 192}}) {
                const Picture got = resized(*src, dw, dh, src->depth, 2);
                for (int c = 0; c < src->channels(); ++c) {
                    double before = 0, after = 0;
                    for (int y = 0; y < src->height; ++y)
                        for (int x = 0; x < src->width; ++x) before += src->at(x, y)[c];
                    for (int y = 0; y < dh; ++y)
                        for (int x = 0; x < dw; ++x) after += got.at(x, y)[c];
                    before /= double(src->width) * src->height;
                    after /= double(dw) * dh;
                    EXPECT_NEAR(after, before, 0.5) << name << " " << src->depth << "-bit channel " << c;
                }
            }
    }
}

TEST(ResampleIsa, SimdAndPlainCodeGiveTheSameBytes) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> side(1, 90);
    for (int round = 0; round < 40; ++round) {
        const int depth = round % 2 ? 24 : 32;
        const int sw = side(rng), sh = side(rng), dw = side(rng), dh = side(rng);
        Picture src = random_picture(sw, sh, depth, rng);
        resample::force_isa(resample::Isa::Generic);
        const Picture plain = resized(src, dw, dh, depth, 2);
        for (resample::Isa isa : {resample::Isa::Avx2, resample::Isa::Avx512}) {
            resample::force_isa(isa);
            ASSERT_EQ(resized(src, dw, dh, depth, 3).pixels(), plain.pixels())
                << testing::isa_name(isa) << ", " << depth << "-bit " << sw << "x" << sh << " -> " << dw << "x" << dh;
        }
    }
    resample::reset_isa();
}

TEST(ResampleIsa, SimdAndPlainCodeGiveTheSameBytesOnPhotos) {
    // Photos at ratios whose phases put many outputs on exact ties (3/4 puts
    // every third centre half-way between two pixels), with heights that
    // leave a partial batch of rows at the end of every band.
    for (const char* name : {"photo_crop.ppm", "photo_small.ppm"}) {
        Picture src = read_ppm(data_path(name));
        ASSERT_GT(src.width, 0) << name;
        for (auto [dw, dh] : {std::pair{src.width * 3 / 4, src.height - 5}, {src.width * 5 / 11, src.height - 1},
                              {src.width * 3 / 4, src.height * 3 / 4 + 1}}) {
            resample::force_isa(resample::Isa::Generic);
            const Picture plain = resized(src, dw, dh, 24, 1);
            for (resample::Isa isa : {resample::Isa::Avx2, resample::Isa::Avx512}) {
                resample::force_isa(isa);
                for (int threads : {1, 3})
                    ASSERT_EQ(resized(src, dw, dh, 24, threads).pixels(), plain.pixels())
                        << testing::isa_name(isa) << ", " << name << " -> " << dw << "x" << dh << ", " << threads
                        << " threads";
            }
        }
    }
    resample::reset_isa();
}

// ---- a partial last column and row (a JPEG decoded at a reduced scale) --

Picture resized_part(Picture& src, int w, int h, PictureExtent extent, int threads, int mode = RESIZE_SMOOTH) {
    Picture dst(w, h, src.depth);
    EXPECT_TRUE(resize_pixels(src.view(), dst.view(), mode, threads, nullptr, extent));
    return dst;
}

TEST_P(EachIsa, PartialLastColumnAndRowFollowTheReference) {
    // 32 bits exactly, 24 bits within one level, for any thread count; the
    // 24-bit path also filters an axis whose size stays when its extent is partial.
    std::mt19937 rng(606);
    std::uniform_int_distribution<int> side(2, 70);
    std::uniform_real_distribution<double> part(0.05, 1.0);
    for (int round = 0; round < 40; ++round) {
        const int sw = side(rng), sh = side(rng);
        const int dw = round % 5 == 0 ? sw : side(rng), dh = round % 7 == 0 ? sh : side(rng);
        // Every other round the picture also begins inside the first column and row.
        const double left = round % 2 ? 1 - part(rng) : 0.0, top = round % 4 == 1 ? 1 - part(rng) : 0.0;
        const PictureExtent extent{sw - 1 + part(rng), round % 3 == 0 ? 0.0 : sh - 1 + part(rng), left, top};
        const std::string what = std::to_string(sw) + "x" + std::to_string(sh) + " (" + std::to_string(extent.width) +
                                 " x " + std::to_string(extent.height) + " from " + std::to_string(left) + ", " +
                                 std::to_string(top) + ") -> " + std::to_string(dw) + "x" + std::to_string(dh);
        Picture src32 = random_picture(sw, sh, 32, rng);
        const Picture want32 = ref_resize(src32, dw, dh, false, extent);
        Picture src24 = random_picture(sw, sh, 24, rng);
        const Picture want24 = ref_resize(src24, dw, dh, true, extent);
        for (int threads : {1, 3}) {
            ASSERT_EQ(resized_part(src32, dw, dh, extent, threads).pixels(), want32.pixels()) << what;
            const ErrorStats e = compare(resized_part(src24, dw, dh, extent, threads), want24);
            ASSERT_LE(e.max, 1) << what;
        }
    }
}

TEST_P(EachIsa, PartialExtentMapsThePictureOntoTheWholeOutput) {
    // Ramps rising to the right and downwards, with a last column holding a
    // quarter of a pixel and a bottom row holding 0.4: away from the edges
    // each output has the ramp's value at the centre of its cell in the
    // picture, which the padded size would move by up to 0.7 pixels.
    for (int depth : {24, 32}) {
        Picture across(40, 12, depth), down(12, 40, depth);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 40; ++x)
                for (int c = 0; c < depth / 8; ++c) {
                    across.at(x, y)[c] = std::uint8_t(10 + 4 * x);
                    down.at(y, 39 - x)[c] = std::uint8_t(10 + 4 * x);  // memory row 39 is the top row
                }
        const double ew = 39.25, eh = 39.4;
        // And a picture that begins 0.375 into its first column or row (a
        // JPEG 2000 level two down) moves every centre by as much.
        for (double start : {0.0, 0.375}) {
            const Picture a = resized_part(across, 20, 7, {ew, 0, start, 0}, 2),
                          d = resized_part(down, 7, 20, {0, eh, 0, start}, 2);
            for (int i = 4; i < 16; ++i) {
                const double want_a = 10 + 4 * (start + (i + 0.5) * ew / 20 - 0.5),
                             want_d = 10 + 4 * (start + (i + 0.5) * eh / 20 - 0.5);
                EXPECT_NEAR(a.at(i, 3)[0], want_a, 0.51) << depth << "-bit, column " << i << ", from " << start;
                EXPECT_NEAR(d.at(3, 19 - i)[0], want_d, 0.51)
                    << depth << "-bit, row " << i << " from the top, from " << start;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Resample, EachIsa, testing::kEachIsa,
                         [](const auto& info) { return testing::isa_name(info.param); });

// ---- raw mode, views, memory ---------------------------------------------

TEST(ResampleRaw, NearestNeighbourPicksTheSourcePixelUnderEachCentre) {
    std::mt19937 rng(3);
    for (int depth : {24, 32}) {
        Picture src = random_picture(10, 7, depth, rng);
        const Picture up = resized(src, 30, 14, depth, 2, RESIZE_RAW);
        for (int y = 0; y < 14; ++y)
            for (int x = 0; x < 30; ++x)
                ASSERT_TRUE(std::equal(up.at(x, y), up.at(x, y) + depth / 8, src.at(x / 3, y / 2)));
        const Picture down = resized(src, 5, 3, depth, 1, RESIZE_RAW);
        // Centres of 5 cells over 10 columns: 1, 3, 5, 7, 9; 3 over 7 rows: 1, 3, 5.
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                ASSERT_TRUE(std::equal(down.at(x, y), down.at(x, y) + depth / 8, src.at(2 * x + 1, 2 * y + 1)));
    }
}

TEST(ResampleRaw, NearestNeighbourMapsAPartialExtent) {
    // 4 x 4 holding 3.5 x 3.5: output centres at 0.875 and 2.625 of the
    // picture pick columns (and rows from the top) 0 and 2, not 1 and 3.
    for (int depth : {24, 32}) {
        Picture src(4, 4, depth);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) src.at(x, 3 - y)[0] = std::uint8_t(10 * y + x);
        const Picture got = resized_part(src, 2, 2, {3.5, 3.5}, 1, RESIZE_RAW);
        EXPECT_EQ(got.at(0, 1)[0], 0) << depth;
        EXPECT_EQ(got.at(1, 1)[0], 2) << depth;
        EXPECT_EQ(got.at(0, 0)[0], 20) << depth;
        EXPECT_EQ(got.at(1, 0)[0], 22) << depth;
    }
}

TEST(ResampleViews, ExtentsOutsideTheLastPixelAreRefused) {
    Picture a(10, 8, 24), b(5, 4, 24);
    for (PictureExtent e : {PictureExtent{9.0, 0}, {10.5, 0}, {0, 7.0}, {0, 8.01}, {-1.0, 0}, {0, 0, 1.0, 0},
                            {0, 0, -0.1, 0}, {0, 0, 0, 1.0}, {0, 0, 0, -0.01}, {0, 0, std::nan(""), 0}})
        EXPECT_FALSE(resize_pixels(a.view(), b.view(), RESIZE_SMOOTH, 1, nullptr, e))
            << e.width << " x " << e.height << " from " << e.left << ", " << e.top;
    EXPECT_TRUE(resize_pixels(a.view(), b.view(), RESIZE_SMOOTH, 1, nullptr, {9.01, 8.0, 0.99, 0.99}));
}

TEST(ResampleViews, MismatchedOrEmptyViewsAreRefused) {
    Picture a(4, 4, 24), b(2, 2, 32);
    EXPECT_FALSE(resize_pixels(a.view(), b.view()));
    EXPECT_FALSE(resize_pixels(PixelView{}, a.view()));
    PixelView icon = a.view();
    icon.is_icon = true;
    Picture c(2, 2, 24);
    EXPECT_FALSE(resize_pixels(icon, c.view()));
    PixelView narrow = a.view();
    narrow.stride = 8;  // less than 4 pixels of 3 bytes
    EXPECT_FALSE(resize_pixels(narrow, c.view()));
}

TEST(ResampleMemory, ScratchStaysWithinOneIntermediateAndTwoRowsPerThread) {
    std::mt19937 rng(8);
    const int threads = 3;
    for (int depth : {24, 32})
        for (auto [sw, sh, dw, dh] : {std::tuple{300, 200, 100, 60}, {100, 60, 300, 200}, {50, 400, 200, 30},
                                      {400, 50, 30, 200}, {900, 900, 450, 450}}) {
            Picture src = random_picture(sw, sh, depth, rng);
            resample::reset_peak_scratch_bytes();
            resized(src, dw, dh, depth, threads);
            // Two rows of doubles per pixel channel, each followed by room
            // for the widest window (taps past the row's end read zeros
            // there), and some alignment slack. All threads may hold theirs
            // at once.
            const std::size_t window = std::size_t((4 * sw + dw - 1) / dw + 3);
            const std::size_t row = 2 * (std::size_t(std::max(sw, dw)) + window) * 4 * sizeof(double) + 256;
            EXPECT_LE(resample::peak_scratch_bytes(), std::size_t(dw) * sh * 4 + threads * row)
                << depth << "-bit " << sw << "x" << sh << " -> " << dw << "x" << dh;
        }
}

TEST(ResampleMemory, FailedAllocationIsReported) {
    std::mt19937 rng(8);
    for (int depth : {24, 32}) {
        Picture src = random_picture(200, 100, depth, rng);
        Picture dst(90, 40, depth);
        resample::set_scratch_limit(16);
        EXPECT_FALSE(resize_pixels(src.view(), dst.view(), RESIZE_SMOOTH, 2));
        resample::set_scratch_limit(0);
        EXPECT_TRUE(resize_pixels(src.view(), dst.view(), RESIZE_SMOOTH, 2));
    }
}

// Stop must be able to end a resize of a huge picture at once: a raised
// flag means no output row is made and the call reports failure.
TEST(ResampleCancel, RaisedFlagStopsEveryPathBeforeAnyRow) {
    std::mt19937 rng(11);
    struct Case { int sw, sh, dw, dh, mode; };
    const Case cases[] = {{300, 200, 120, 90, RESIZE_SMOOTH},   // both axes
                          {200, 300, 180, 40, RESIZE_SMOOTH},   // the other pass order
                          {300, 200, 120, 200, RESIZE_SMOOTH},  // one axis
                          {300, 200, 300, 90, RESIZE_SMOOTH},
                          {300, 200, 120, 90, RESIZE_RAW}};
    for (int depth : {24, 32})
        for (const Case& c : cases) {
            Picture src = random_picture(c.sw, c.sh, depth, rng);
            Picture dst(c.dw, c.dh, depth);
            PixelView out = dst.view();
            std::memset(out.pixels, 0xA5, std::size_t(out.stride) * std::size_t(out.height));
            std::atomic<bool> cancel{true};
            EXPECT_FALSE(resize_pixels(src.view(), out, c.mode, 2, &cancel)) << depth << "-bit " << c.dw << "x" << c.dh;
            bool untouched = true;
            for (std::size_t i = 0; i < std::size_t(out.stride) * std::size_t(out.height); ++i)
                untouched = untouched && out.pixels[i] == 0xA5;
            EXPECT_TRUE(untouched) << depth << "-bit " << c.dw << "x" << c.dh;
            cancel = false;
            EXPECT_TRUE(resize_pixels(src.view(), out, c.mode, 2, &cancel));
        }
}

TEST(ResampleThreads, EveryRowRunsOnceWhileIdleThreadsTakeOverHalves) {
    // One thread is slowed down, so that the others finish early and take
    // over parts of its range while it still claims rows from it.
    for (int threads : {1, 2, 3, 5}) {
        const int n = 997;
        std::vector<std::atomic<int>> runs(n);
        std::atomic<int> calls{0}, prepared{0};
        const std::thread::id slow = std::this_thread::get_id();  // the calling thread runs the last range
        auto prepare = [&] {
            std::this_thread::sleep_for(std::chrono::microseconds(300));
            return ++prepared > 0;
        };
        const bool done = resample::run_split(threads, n, 4, prepare, prepare, [&](resample::RowRange& range) {
            EXPECT_EQ(prepared.load(), 2) << "a row ran before both preparations were done";
            ++calls;
            for (int y = 0, got; (got = range.claim(3, y)) > 0;) {
                for (int i = 0; i < got; ++i) runs[std::size_t(y + i)]++;
                if (std::this_thread::get_id() == slow) std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        ASSERT_TRUE(done);
        for (int y = 0; y < n; ++y) ASSERT_EQ(runs[std::size_t(y)].load(), 1) << "row " << y << ", " << threads << " threads";
        if (threads > 1) {
            EXPECT_GT(calls.load(), threads) << "nothing was taken over with " << threads << " threads";
        }
    }
}

TEST(ResampleThreads, FailedPreparationRunsNoRow) {
    for (int failing = 0; failing < 2; ++failing)
        for (int threads : {1, 3}) {
            std::atomic<int> rows{0};
            EXPECT_FALSE(resample::run_split(
                threads, 100, 4, [&] { return failing != 0; }, [&] { return failing != 1; },
                [&](resample::RowRange& range) {
                    for (int y = 0; range.claim(1, y) > 0;) ++rows;
                }));
            EXPECT_EQ(rows.load(), 0) << "preparation " << failing << " failed, " << threads << " threads";
        }
}

TEST(ResampleThreads, EnvironmentOverridesTheCoreCount) {
    setenv("PIXMOLD_THREADS", "3", 1);
    EXPECT_EQ(resample_threads(), 3);
    setenv("PIXMOLD_THREADS", "zero", 1);
    EXPECT_GE(resample_threads(), 1);
    setenv("PIXMOLD_THREADS", "-2", 1);
    EXPECT_GE(resample_threads(), 1);
    unsetenv("PIXMOLD_THREADS");
    EXPECT_GE(resample_threads(), 1);
}

}  // namespace
}  // namespace pixmold
