// WebP, HEIC, AVIF and JPEG 2000 against the pictures they were made from by
// Debian's encoders (cwebp, img2webp, heif-enc, avifenc, opj_compress; see
// tests/data/image/make-data.sh): lossless files exactly, lossy ones within a
// stated PSNR.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <thread>

#include "test_support.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

class Formats : public EngineTest {
protected:

    // Loads a test file into number 1 and checks its record.
    void load(const std::string& name, int width, int height, int depth, FormatTag tag,
              const DecodeOptions& options = {}) {
        ASSERT_NE(load_image(1, data_path(name), options), 0u) << name;
        const std::optional<Image> info = is_image(1);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->width, width) << name;
        EXPECT_EQ(info->height, height) << name;
        EXPECT_EQ(info->depth, depth) << name;
        EXPECT_EQ(info->source_depth, depth) << name;  // an alpha source must stay 32 bits for PNG outputs
        EXPECT_EQ(info->format_tag, tag) << name;
    }
};

// PSNR of the colour channels of number 1 against a reference of the same size.
double psnr(const Rgba& ref) {
    double sum = 0;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const double d = pixel(1, x, y)[std::size_t(c)] - ref.at(x, y)[std::size_t(c)];
                sum += d * d;
            }
    const double mse = sum / (3.0 * ref.width * ref.height);
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

const Rgba& rgb() {
    static const Rgba r = read_netpbm(data_path("src-rgb.ppm"));
    return r;
}
const Rgba& rgba() {
    static const Rgba r = read_netpbm(data_path("src-rgba.pam"));
    return r;
}
const Rgba& photo() {
    static const Rgba r = read_netpbm(data_path("src-photo.ppm"));
    return r;
}

// Alpha exactly, colour only where the pixel is not fully transparent (an
// encoder may drop what cannot be seen).
int max_visible_difference(const Rgba& ref) {
    int worst = 0;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            const auto got = pixel(1, x, y);
            const auto& want = ref.at(x, y);
            for (int c = 0; c < 4; ++c)
                if (c == 3 || want[3] != 0) worst = std::max(worst, std::abs(got[std::size_t(c)] - want[std::size_t(c)]));
        }
    return worst;
}

TEST_F(Formats, WebpLosslessLossyAndAlpha) {
    load("webp-lossless.webp", 7, 5, 24, TAG_WEBP);
    EXPECT_EQ(max_difference(1, rgb(), false), 0);
    load("webp-lossless-alpha.webp", 7, 5, 32, TAG_WEBP);
    EXPECT_EQ(max_difference(1, rgba(), true), 0);
    load("webp-lossy.webp", 40, 24, 24, TAG_WEBP);
    EXPECT_GE(psnr(photo()), 35.0);
    // Lossy colour, lossless alpha.
    load("webp-lossy-alpha.webp", 7, 5, 32, TAG_WEBP);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(pixel(1, x, y)[3], rgba().at(x, y)[3]) << x << "," << y;
}

TEST_F(Formats, WebpAnimationGivesItsFirstFrame) {
    // Two lossless frames: the photo, then the photo mirrored.
    ASSERT_NE(load_image(1, data_path("webp-animated.webp")), 0u);
    EXPECT_EQ(image_width(1), 40);
    EXPECT_EQ(image_height(1), 24);
    EXPECT_EQ(max_difference(1, photo(), false), 0);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(pixel(1, x, y)[3], 255);
}

TEST_F(Formats, WebpScalesWhileDecoding) {
    DecodeOptions options;
    int seen_w = 0, seen_h = 0;
    DecodeScaling scaling = DecodeScaling::Filtered;
    options.min_size = [&](int w, int h, DecodeScaling how, int& mw, int& mh) {
        seen_w = w, seen_h = h, scaling = how;
        mw = 10, mh = 5;
    };
    ASSERT_NE(load_image(1, data_path("webp-lossy.webp"), options), 0u);
    EXPECT_EQ(seen_w, 40);
    EXPECT_EQ(seen_h, 24);
    EXPECT_EQ(scaling, DecodeScaling::Coarse);  // a box filter: coarser than the resampler's
    // The larger of the two factors (1/4 across, 5/24 down) keeps both sides covered.
    EXPECT_EQ(image_width(1), 10);
    EXPECT_EQ(image_height(1), 6);
    // Each output pixel averages its 4 x 4 block of the photo.
    Rgba reduced{10, 6, {}};
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x) {
            std::array<int, 4> sum{0, 0, 0, 255};
            for (int c = 0; c < 3; ++c) {
                int s = 0;
                for (int dy = 0; dy < 4; ++dy)
                    for (int dx = 0; dx < 4; ++dx) s += photo().at(4 * x + dx, 4 * y + dy)[std::size_t(c)];
                sum[std::size_t(c)] = (s + 8) / 16;
            }
            reduced.px.push_back(sum);
        }
    EXPECT_GE(psnr(reduced), 30.0);
    // Asking for more than the picture has decodes it whole.
    options.min_size = [](int, int, DecodeScaling, int& mw, int& mh) { mw = 400, mh = 400; };
    ASSERT_NE(load_image(1, data_path("webp-lossy.webp"), options), 0u);
    EXPECT_EQ(image_width(1), 40);
}

TEST_F(Formats, HeicLossyLosslessAlphaAndTenBits) {
    load("heic-lossy.heic", 40, 24, 24, TAG_HEIF);
    EXPECT_GE(psnr(photo()), 32.0);
    // heif-enc 1.15's lossless mode still loses a step in its colour
    // conversion (its own heif-convert reads the same values back).
    load("heic-lossless.heic", 7, 5, 24, TAG_HEIF);
    EXPECT_LE(max_difference(1, rgb(), false), 1);
    load("heic-10bit.heic", 7, 5, 24, TAG_HEIF);
    EXPECT_LE(max_difference(1, rgb(), false), 1);
    // x265 codes the alpha plane lossily too.
    load("heic-alpha.heic", 7, 5, 32, TAG_HEIF);
    int worst_alpha = 0;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) worst_alpha = std::max(worst_alpha, std::abs(pixel(1, x, y)[3] - rgba().at(x, y)[3]));
    EXPECT_LE(worst_alpha, 24);
}

TEST_F(Formats, AvifLosslessLossyAlphaAndTwelveBits) {
    load("avif-lossless.avif", 7, 5, 24, TAG_AVIF);
    EXPECT_EQ(max_difference(1, rgb(), false), 0);
    load("avif-lossless-alpha.avif", 7, 5, 32, TAG_AVIF);
    EXPECT_EQ(max_visible_difference(rgba()), 0);
    load("avif-lossy.avif", 40, 24, 24, TAG_AVIF);
    EXPECT_GE(psnr(photo()), 32.0);
    load("avif-12bit.avif", 7, 5, 24, TAG_AVIF);
    EXPECT_LE(max_difference(1, rgb(), false), 1);
}

TEST_F(Formats, HeifColourConversionMatchesTheLibrarysOwnTool) {
    // 4:2:0 HEVC and 4:4:4 AV1, BT.601 full range, against heif-convert's RGB.
    load("heic-lossy.heic", 40, 24, 24, TAG_HEIF);
    EXPECT_LE(max_difference(1, read_netpbm(data_path("heic-lossy.ref.ppm")), false), 1);
    load("avif-lossy.avif", 40, 24, 24, TAG_AVIF);
    EXPECT_LE(max_difference(1, read_netpbm(data_path("avif-lossy.ref.ppm")), false), 1);
    // 10 bits of 4:2:0 HEVC reduced to 8.
    load("heic-10bit-lossy.heic", 40, 24, 24, TAG_HEIF);
    EXPECT_LE(max_difference(1, read_netpbm(data_path("heic-10bit-lossy.ref.ppm")), false), 1);
}

TEST_F(Formats, ContainerRotationIsAppliedOnceAndExifKeptAsItIs) {
    // Both files store the photo turned a quarter clockwise, with an irot
    // that turns it back and an EXIF orientation 6 beside it: the library's
    // turn is the only one, and the picture comes out as the photo.
    for (const char* name : {"avif-irot-exif.avif", "heic-irot-exif.heic"}) {
        Metadata metadata;
        DecodeOptions options;
        options.metadata = &metadata;
        ASSERT_NE(load_image(1, data_path(name), options), 0u) << name;
        EXPECT_EQ(image_width(1), 40) << name;
        EXPECT_EQ(image_height(1), 24) << name;
        EXPECT_LE(max_difference(1, photo(), false), 1) << name;  // heif-enc: see above
        // The EXIF block comes out as stored; the resize job resets its orientation.
        ASSERT_GE(metadata.exif.size(), 8u) << name;
        EXPECT_TRUE(std::memcmp(metadata.exif.data(), "II*\0", 4) == 0 || std::memcmp(metadata.exif.data(), "MM\0*", 4) == 0)
            << name;
    }
}

TEST_F(Formats, MetadataOfWebpAndAvifMatchesWhatWasEmbedded) {
    // The same EXIF block as the JPEG it was taken from, and the ICC profile as written.
    Metadata from_jpeg;
    DecodeOptions jpeg_options;
    jpeg_options.metadata = &from_jpeg;
    ASSERT_NE(load_image(2, data_path("jpeg-exif.jpg"), jpeg_options), 0u);
    ASSERT_FALSE(from_jpeg.exif.empty());
    for (const char* name : {"webp-metadata.webp", "avif-irot-exif.avif"}) {
        Metadata metadata;
        DecodeOptions options;
        options.metadata = &metadata;
        ASSERT_NE(load_image(1, data_path(name), options), 0u) << name;
        EXPECT_EQ(metadata.exif, from_jpeg.exif) << name;
        ASSERT_EQ(metadata.icc.size(), 132u) << name;
        EXPECT_EQ(std::memcmp(metadata.icc.data() + 36, "acsp", 4), 0) << name;
    }
}

TEST_F(Formats, Jpeg2000FilesAndCodestreams) {
    load("jp2-lossless.jp2", 7, 5, 24, TAG_JP2);
    EXPECT_EQ(max_difference(1, rgb(), false), 0);
    load("jp2-alpha.jp2", 7, 5, 32, TAG_JP2);
    EXPECT_EQ(max_difference(1, rgba(), true), 0);
    ASSERT_NE(load_image(1, data_path("jp2-16bit.jp2")), 0u);
    EXPECT_EQ(is_image(1)->depth, 24);
    EXPECT_EQ(max_difference(1, rgb(), false), 0);  // 16-bit samples of 8-bit values come back exactly
    load("jp2-lossy.jp2", 40, 24, 24, TAG_JP2);
    EXPECT_GE(psnr(photo()), 36.0);  // encoded for 40 dB
    ASSERT_NE(load_image(1, data_path("j2k-photo.j2k")), 0u);
    EXPECT_EQ(is_image(1)->format_tag, TAG_JP2);
    EXPECT_EQ(max_difference(1, photo(), false), 0);
}

TEST_F(Formats, Jpeg2000SubsampledChromaIsYCbCr) {
    // 4:2:0 chroma with no colour space stated: OpenJPEG's own tool reads it as YCbCr too.
    load("j2k-ycc420.j2k", 8, 6, 24, TAG_JP2);
    EXPECT_LE(max_difference(1, read_netpbm(data_path("j2k-ycc420.ref.ppm")), false), 1);
}

TEST_F(Formats, Jpeg2000DecodesOnlyTheResolutionsNeeded) {
    // Four resolution levels: 40x24, 20x12, 10x6, 5x3.
    DecodeOptions options;
    DecodeScaling scaling = DecodeScaling::Coarse;
    options.min_size = [&](int, int, DecodeScaling how, int& mw, int& mh) { mw = 10, mh = 4, scaling = how; };
    PictureExtent extent;
    options.extent = &extent;
    ASSERT_NE(load_image(1, data_path("j2k-photo.j2k"), options), 0u);
    EXPECT_EQ(scaling, DecodeScaling::Filtered);
    EXPECT_EQ(image_width(1), 10);
    EXPECT_EQ(image_height(1), 6);
    // Two levels down, each sample is centred on every fourth pixel of the
    // photo: the picture starts 3/8 into the first column and row.
    EXPECT_EQ(extent.width, 10.0);
    EXPECT_EQ(extent.height, 6.0);
    EXPECT_EQ(extent.left, 0.375);
    EXPECT_EQ(extent.top, 0.375);
    // The lowest band of the wavelet: close to the photo's 4 x 4 averages.
    int worst = 0;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x)
            for (int c = 0; c < 3; ++c) {
                int s = 0;
                for (int dy = 0; dy < 4; ++dy)
                    for (int dx = 0; dx < 4; ++dx) s += photo().at(4 * x + dx, 4 * y + dy)[std::size_t(c)];
                worst = std::max(worst, std::abs(pixel(1, x, y)[std::size_t(c)] - (s + 8) / 16));
            }
    EXPECT_LE(worst, 16);
    // The smallest level the file has, however little is asked for.
    options.min_size = [](int, int, DecodeScaling, int& mw, int& mh) { mw = 0, mh = 0; };
    ASSERT_NE(load_image(1, data_path("j2k-photo.j2k"), options), 0u);
    EXPECT_EQ(image_width(1), 5);
    EXPECT_EQ(image_height(1), 3);
    EXPECT_EQ(extent.left, 0.4375);
    // Whole: the picture fills its pixels as they are.
    options.min_size = nullptr;
    ASSERT_NE(load_image(1, data_path("j2k-photo.j2k"), options), 0u);
    EXPECT_EQ(image_width(1), 40);
    EXPECT_EQ(extent.width, 0.0);
    EXPECT_EQ(extent.left, 0.0);
}

TEST_F(Formats, CancelAndTheMemoryHookStopEveryNewDecoder) {
    const char* names[] = {"webp-lossy.webp", "webp-animated.webp", "heic-lossy.heic", "avif-lossy.avif",
                           "jp2-lossless.jp2", "j2k-photo.j2k"};
    std::atomic<bool> cancel{true};
    for (const char* name : names) {
        DecodeOptions options;
        options.cancel = &cancel;
        ASSERT_NE(create_image(1, 1, 1), 0u);
        EXPECT_EQ(load_image(1, data_path(name), options), 0u) << name;
        EXPECT_FALSE(is_image(1)) << name;
        // Refused memory: the decode gives up before any pixel is decoded.
        DecodeOptions refused;
        int asked_w = 0, asked_h = 0, asked_depth = 0;
        refused.before_pixels = [&](const DecodePlan& plan) {
            asked_w = plan.width, asked_h = plan.height, asked_depth = plan.depth;
            return false;
        };
        EXPECT_EQ(load_image(1, data_path(name), refused), 0u) << name;
        EXPECT_GT(asked_w, 0) << name;
        EXPECT_GT(asked_h, 0) << name;
        EXPECT_TRUE(asked_depth == 24 || asked_depth == 32) << name;
    }
}

TEST_F(Formats, ThreadsDecodeSideBySide) {
    const char* names[] = {"webp-lossy.webp", "heic-lossless.heic", "avif-lossless.avif", "j2k-photo.j2k"};
    std::vector<std::thread> threads;
    std::atomic<int> good{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 8; ++i)
                if (load_image(ImageId(10 + t), data_path(names[(t + i) % 4]))) ++good;
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(good.load(), 32);
}

}  // namespace
}  // namespace pixmold
