// The streaming resampler against the whole-picture one: the same bytes
// whatever the sizes, the extent and how the rows are handed over.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/codec.h"
#include "image/resample.h"
#include "image/resample_internal.h"
#include "image/row_resample.h"
#include "resample_reference.h"
#include "test_support.h"

namespace pixmold {
namespace {

using testing::Picture;

// `src` fed top row first, in runs of random length, each row copied into a
// buffer just as long as the resampler may read (so an over-read shows
// under the address sanitizer) and spoiled once handed over.
// With `handed_on`, the output rows are taken as they come rather than
// written into the picture by the resampler.
Picture streamed(const Picture& src, int w, int h, PictureExtent extent, std::mt19937& rng, bool handed_on = false) {
    Picture dst(w, h, src.depth);
    RowResampler resampler;
    int top_out = 0;
    const auto take = [&](const std::uint8_t* const* rows, int n) {
        for (int k = 0; k < n && top_out < h; ++k, ++top_out)
            std::memcpy(dst.at(0, h - 1 - top_out), rows[k], std::size_t(w) * std::size_t(dst.channels()));
        return true;
    };
    const bool started = handed_on ? resampler.start(src.width, src.height, src.depth, w, h, take, extent)
                                   : resampler.start(src.width, src.height, src.depth, dst.view(), extent);
    EXPECT_TRUE(started);
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
    if (handed_on) {
        EXPECT_EQ(top_out, h) << "every output row handed on once";
    }
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
        ASSERT_EQ(streamed(src, w, h, extent, rng, round % 4 >= 2).pixels(), expected.pixels())
            << depth << "-bit " << src.width << "x" << src.height << " -> " << w << "x" << h << " extent "
            << extent.width << "x" << extent.height << "+" << extent.left << "+" << extent.top;
    }
}

INSTANTIATE_TEST_SUITE_P(Isa, RowResample, testing::kEachIsa,
                         [](const auto& info) { return testing::isa_name(info.param); });

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

// Decoders that give rows in order resample them as they come, on their own
// thread or beside it: the bytes of the whole decoded picture resized.
class DecodeToASize : public test::EngineTest {
protected:
    // Pictures of many batches of rows, 24 and 32 bits.
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> tall_pictures() {
        std::vector<std::pair<std::string, std::vector<std::uint8_t>>> out;
        out.emplace_back("tall.jpg", test::libjpeg_encode(333, 700, 3, JCS_RGB, [](jpeg_compress_struct&) {}, [](int y, std::uint8_t* row) {
                             for (int x = 0; x < 333 * 3; ++x) row[x] = std::uint8_t(x * 7 / 5 + y * 3 + (x * y) % 23);
                         }));
        for (int depth : {24, 32}) {
            EXPECT_NE(create_image(7, 301, 650, depth), 0u);
            const PixelView v = image_pixels(7);
            for (int y = 0; y < v.height; ++y)
                for (int x = 0; x < v.width * depth / 8; ++x) v.row_from_top(y)[x] = std::uint8_t(x * 3 + y * 5 + x % 7 * y);
            const std::string name = depth == 24 ? "tall.png" : "tall-alpha.png";
            EXPECT_TRUE(save_image(7, dir.file(name), TAG_PNG, 7, depth));
            out.emplace_back(name, test::read_file(dir.file(name)));
        }
        return out;
    }
};

TEST_F(DecodeToASize, GivesTheDecodedPictureResized) {
    auto pictures = tall_pictures();
    for (const char* name : {"jpeg-rgb.jpg", "jpeg-progressive.jpg", "jpeg-cmyk-red.jpg", "jpeg-grey.jpg",
                             "png-rgba8.png", "png-pal-trns.png", "png-rgb16.png", "png-rgb-interlaced.png"})
        pictures.emplace_back(name, test::read_file(test::data_path(name)));
    for (const auto& [name, bytes] : pictures) {
        for (bool scaled : {false, true}) {
            DecodeOptions options;
            PictureExtent extent;
            options.extent = &extent;
            if (scaled) options.min_size = [](int w, int h, DecodeScaling, int& mw, int& mh) { mw = w / 3, mh = h / 3; };
            const DecodedPicture whole = decode_picture(bytes, options);
            ASSERT_TRUE(whole) << name;
            const int w = std::max(1, whole.bitmap->width * 2 / 3), h = std::max(1, whole.bitmap->height / 2 + 1);
            const BitmapPtr expected = resize_bitmap(whole.bitmap->view(), w, h, RESIZE_SMOOTH, 1, nullptr, extent);
            ASSERT_TRUE(expected);
            const bool streams = name != "png-rgb-interlaced.png";
            for (bool beside : {false, true}) {
                options.resize_to = [&](int, int, int& out_w, int& out_h) { out_w = w, out_h = h; };
                options.spare_thread = [&] { return beside; };
                const DecodedPicture got = decode_picture(bytes, options);
                ASSERT_TRUE(got) << name;
                if (!streams) {  // interlaced rows come pass after pass: decoded whole, left to the caller
                    EXPECT_EQ(got.bitmap->width, whole.bitmap->width) << name;
                    continue;
                }
                ASSERT_EQ(got.bitmap->width, w) << name;
                ASSERT_EQ(got.bitmap->height, h) << name;
                EXPECT_EQ(extent.width, 0) << "the whole of it is picture";
                for (int y = 0; y < h; ++y)
                    ASSERT_EQ(0, std::memcmp(got.bitmap->row(y), expected->row(y), std::size_t(w) * (got.bitmap->depth / 8)))
                        << name << (scaled ? " scaled" : "") << (beside ? " beside" : "") << ", row " << y;
            }
        }
    }
}

}  // namespace
}  // namespace pixmold
