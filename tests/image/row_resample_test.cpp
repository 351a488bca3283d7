// The streaming resampler against the whole-picture one: the same bytes
// whatever the sizes, the extent and how the rows are handed over.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/resample.h"
#include "image/resample_internal.h"
#include "image/row_resample.h"
#include "resample_reference.h"

namespace pixmold {
namespace {

using testing::Picture;

// `src` fed top row first, in runs of random length, each row copied into a
// buffer just as long as the resampler may read (so an over-read shows
// under the address sanitizer) and spoiled once handed over.
Picture streamed(const Picture& src, int w, int h, PictureExtent extent, std::mt19937& rng) {
    Picture dst(w, h, src.depth);
    RowResampler resampler;
    EXPECT_TRUE(resampler.start(src.width, src.height, src.depth, dst.view(), extent));
    const std::size_t reach = resampler.row_reach();
    std::uniform_int_distribution<int> run(1, 40);
    for (int top = 0; top < src.height;) {
        const int n = std::min(run(rng), src.height - top);
        std::vector<std::vector<std::uint8_t>> rows(std::size_t(n), std::vector<std::uint8_t>(reach, 0x5A));
        std::vector<const std::uint8_t*> pointers;
        for (int k = 0; k < n; ++k) {
            std::memcpy(rows[std::size_t(k)].data(), src.at(0, src.height - 1 - top - k),
                        std::size_t(src.width) * std::size_t(src.channels()));
            pointers.push_back(rows[std::size_t(k)].data());
        }
        EXPECT_FALSE(resampler.complete());
        EXPECT_TRUE(resampler.put(pointers.data(), n));
        for (auto& row : rows) std::fill(row.begin(), row.end(), 0xEE);
        top += n;
    }
    EXPECT_TRUE(resampler.complete());
    const std::uint8_t extra = 0;
    EXPECT_FALSE(resampler.put(std::vector<const std::uint8_t*>{&extra}.data(), 1)) << "a row past the last";
    return dst;
}

Picture whole(Picture& src, int w, int h, PictureExtent extent, int threads) {
    Picture dst(w, h, src.depth);
    EXPECT_TRUE(resize_pixels(src.view(), dst.view(), RESIZE_SMOOTH, threads, nullptr, extent));
    return dst;
}

class RowResample : public ::testing::TestWithParam<resample::Isa> {
protected:
    void SetUp() override { resample::force_isa(GetParam()); }
    void TearDown() override { resample::reset_isa(); }
};

TEST_P(RowResample, GivesTheWholePicturesBytes) {
    std::mt19937 rng(2026);
    std::uniform_int_distribution<int> side(1, 90);
    std::uniform_real_distribution<double> part(0.05, 1.0);
    Picture photo = testing::read_ppm(std::string(PIXMOLD_TEST_DATA) + "/image/photo_crop.ppm");
    ASSERT_GT(photo.width, 0);
    for (int round = 0; round < 160; ++round) {
        const int depth = round % 2 ? 32 : 24;
        // Shrinking a lot, a little, along one axis only, enlarging, keeping
        // the size; columns or rows filtered first.
        const int sw = side(rng) * (round % 3 ? 1 : 5), sh = side(rng) * (round % 4 ? 1 : 7);
        const int dw = round % 5 == 0 ? sw : side(rng), dh = round % 7 == 0 ? sh : side(rng);
        Picture src = testing::random_picture(sw, sh, depth, rng);
        int w = dw, h = dh;
        if (depth == 24 && round % 8 == 0) {  // a photo's smooth areas put sums on exact ties
            src = photo;
            w = photo.width * (3 + round % 5) / 11, h = photo.height * 3 / 4 + round % 3;
        }
        PictureExtent extent;
        if (round % 3 == 1) {  // a scaled decode's partial last column and row, maybe a start inside the first
            extent.width = src.width - 1 + part(rng);
            extent.height = src.height - 1 + part(rng);
            if (round % 6 == 1) extent.left = 1 - part(rng), extent.top = 1 - part(rng);
        }
        const Picture expected = whole(src, w, h, extent, 1 + round % 3);
        ASSERT_EQ(streamed(src, w, h, extent, rng).pixels(), expected.pixels())
            << depth << "-bit " << src.width << "x" << src.height << " -> " << w << "x" << h << " extent "
            << extent.width << "x" << extent.height << "+" << extent.left << "+" << extent.top;
    }
}

INSTANTIATE_TEST_SUITE_P(Isa, RowResample, ::testing::Values(resample::Isa::Generic, resample::Isa::Avx2),
                         [](const auto& info) { return info.param == resample::Isa::Generic ? "Generic" : "Avx2"; });

TEST(RowResample, RefusesWhatDoesNotFit) {
    Picture dst(10, 10, 24);
    RowResampler resampler;
    EXPECT_FALSE(resampler.start(20, 20, 32, dst.view())) << "depths differ";
    EXPECT_FALSE(resampler.start(0, 20, 24, dst.view()));
    EXPECT_FALSE(resampler.start(20, 20, 24, dst.view(), {21.5, 20, 0, 0})) << "extent past the last column";
    const std::uint8_t row[64] = {};
    const std::uint8_t* rows[1] = {row};
    EXPECT_FALSE(resampler.put(rows, 1)) << "put after a failed start";
}

}  // namespace
}  // namespace pixmold
