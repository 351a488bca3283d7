// Decoders against pictures written by ImageMagick and libjpeg-turbo's tools
// (tests/data/image, see make-data.sh) and against files built here.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <thread>

#include <jpeglib.h>

#include "test_support.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

class Decode : public ::testing::Test {
protected:
    void SetUp() override { register_all_codecs(); }
    void TearDown() override { free_all_images(); }

    // Loads a test file into number 1 and checks the record.
    void load(const std::string& name, int depth, int source_depth, FormatTag tag) {
        ASSERT_NE(load_image(1, data_path(name)), 0u) << name;
        const std::optional<Image> info = is_image(1);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->depth, depth) << name;
        EXPECT_EQ(info->source_depth, source_depth) << name;
        EXPECT_EQ(info->format_tag, tag) << name;
        EXPECT_EQ(info->frame_count, 1);
    }
    ImageHandle decode(const std::vector<std::uint8_t>& bytes, const DecodeOptions& options = {}) {
        return catch_image(1, bytes.data(), bytes.size(), options);
    }
};

// A BMP file around a raw pixel block: 40-byte header, optional colour table.
std::vector<std::uint8_t> make_bmp(int width, int height, int bits, std::uint32_t compression,
                                   const std::vector<std::uint32_t>& table, const std::vector<std::uint8_t>& pixels,
                                   const std::vector<std::uint32_t>& masks = {}) {
    std::vector<std::uint8_t> f = {'B', 'M'};
    const std::uint32_t offset = 54 + 4 * std::uint32_t(masks.size() + table.size());
    put32(f, offset + std::uint32_t(pixels.size()));
    put32(f, 0);
    put32(f, offset);
    put32(f, 40);
    put32(f, std::uint32_t(width));
    put32(f, std::uint32_t(height));
    put16(f, 1);
    put16(f, unsigned(bits));
    put32(f, compression);
    put32(f, std::uint32_t(pixels.size()));
    put32(f, 2835);
    put32(f, 2835);
    put32(f, std::uint32_t(table.size()));
    put32(f, 0);
    for (std::uint32_t m : masks) put32(f, m);
    for (std::uint32_t c : table) put32(f, c);
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

TEST_F(Decode, BmpFilesOfEveryDepth) {
    const Rgba rgb = read_netpbm(data_path("src-rgb.ppm"));
    load("bmp-24.bmp", 24, 24, TAG_BMP);
    EXPECT_EQ(max_difference(1, rgb, false), 0);
    load("bmp-32.bmp", 24, 32, TAG_BMP);
    EXPECT_EQ(max_difference(1, read_netpbm(data_path("src-rgba.pam")), false), 0);
    load("bmp-8.bmp", 24, 8, TAG_BMP);
    EXPECT_EQ(max_difference(1, read_netpbm(data_path("src-pal40.ppm")), false), 0);
    load("bmp-8-rle.bmp", 24, 8, TAG_BMP);
    EXPECT_EQ(max_difference(1, read_netpbm(data_path("src-pal40.ppm")), false), 0);
    load("bmp-4.bmp", 24, 4, TAG_BMP);
    EXPECT_EQ(max_difference(1, read_netpbm(data_path("src-pal16.ppm")), false), 0);
    load("bmp-1.bmp", 24, 1, TAG_BMP);
    EXPECT_EQ(max_difference(1, read_netpbm(data_path("src-bw.ppm")), false), 0);
    // 5 or 6 bits per channel, widened by shifting.
    load("bmp-16-555.bmp", 24, 16, TAG_BMP);
    EXPECT_LE(max_difference(1, rgb, false), 15);
    load("bmp-16-565.bmp", 24, 16, TAG_BMP);
    EXPECT_LE(max_difference(1, rgb, false), 15);
    EXPECT_EQ(pixel(1, 0, 0)[3], 255);
}

TEST_F(Decode, BmpSixteenBitsWidenByShifting) {
    // One 5-5-5 pixel 0x7FFF and one 5-6-5 pixel 0xFFFF: 248, not 255.
    const std::vector<std::uint8_t> px = {0xFF, 0x7F, 0, 0};
    ASSERT_NE(decode(make_bmp(1, 1, 16, 0, {}, px)), 0u);
    EXPECT_EQ(pixel(1, 0, 0), (std::array<int, 4>{248, 248, 248, 255}));
    const std::vector<std::uint8_t> px565 = {0xFF, 0xFF, 0, 0};
    ASSERT_NE(decode(make_bmp(1, 1, 16, 3, {}, px565, {0xF800, 0x07E0, 0x001F})), 0u);
    EXPECT_EQ(pixel(1, 0, 0), (std::array<int, 4>{248, 252, 248, 255}));
}

TEST_F(Decode, BmpOneBitIgnoresItsColourTable) {
    // Red and blue in the table; the picture is black and white anyway.
    const std::vector<std::uint8_t> px = {0x40, 0, 0, 0};  // pixels 0 1
    ASSERT_NE(decode(make_bmp(2, 1, 1, 0, {0x00FF0000, 0x000000FF}, px)), 0u);
    EXPECT_EQ(pixel(1, 0, 0), (std::array<int, 4>{0, 0, 0, 255}));
    EXPECT_EQ(pixel(1, 1, 0), (std::array<int, 4>{255, 255, 255, 255}));
}

TEST_F(Decode, BmpRle8DeltaLeavesSkippedPixelsBlack) {
    // 4 x 3: bottom row two pixels of index 1, then a delta of (1 right, 1 up),
    // one pixel of index 2, end of row, a literal run on the top row, end.
    const std::vector<std::uint8_t> rle = {2, 1, 0, 2, 1, 1, 1, 2, 0, 0, 0, 3, 1, 2, 1, 0, 0, 1};
    ASSERT_NE(decode(make_bmp(4, 3, 8, 1, {0x000000, 0x0000FF, 0x00FF00}, rle)), 0u);
    const std::array<int, 4> black{0, 0, 0, 255}, blue{0, 0, 255, 255}, green{0, 255, 0, 255};
    EXPECT_EQ(pixel(1, 0, 2), blue);
    EXPECT_EQ(pixel(1, 1, 2), blue);
    EXPECT_EQ(pixel(1, 2, 2), black);
    EXPECT_EQ(pixel(1, 0, 1), black);
    EXPECT_EQ(pixel(1, 2, 1), black);
    EXPECT_EQ(pixel(1, 3, 1), green);
    EXPECT_EQ(pixel(1, 0, 0), blue);
    EXPECT_EQ(pixel(1, 1, 0), green);
    EXPECT_EQ(pixel(1, 2, 0), blue);
    EXPECT_EQ(pixel(1, 3, 0), black);
}

TEST_F(Decode, BmpRle4AndRunsPastTheEdge) {
    // 3 x 2 RLE4: a run of 5 alternating 1,2 (the last two fall off the row
    // and are skipped), end of row, a 3-nibble literal 2,1,2, end of picture.
    const std::vector<std::uint8_t> rle = {5, 0x12, 0, 0, 0, 3, 0x21, 0x20, 0, 1};
    ASSERT_NE(decode(make_bmp(3, 2, 4, 2, {0x000000, 0xFF0000, 0x00FF00}, rle)), 0u);
    EXPECT_EQ(is_image(1)->source_depth, 4);
    const std::array<int, 4> red{255, 0, 0, 255}, green{0, 255, 0, 255};
    EXPECT_EQ(pixel(1, 0, 1), red);
    EXPECT_EQ(pixel(1, 1, 1), green);
    EXPECT_EQ(pixel(1, 2, 1), red);
    EXPECT_EQ(pixel(1, 0, 0), green);
    EXPECT_EQ(pixel(1, 1, 0), red);
    EXPECT_EQ(pixel(1, 2, 0), green);
}

TEST_F(Decode, RecycledPictureMemoryStartsClean) {
    // Big buffers are recycled: the next picture must not show the old one,
    // neither where an RLE file skips pixels nor in the row padding.
    const int w = 1001, h = 500;  // over 1 MB at 24 bits; rows padded by 1 byte
    for (int round = 0; round < 2; ++round) {
        ASSERT_NE(create_image(5, w, h, 24, 0xFFFFFF), 0u);
        std::memset(image_pixels(5).pixels, 0xAB, std::size_t(image_pixels(5).stride) * h);
        free_image(5);
        if (round == 0) {
            // Only an end-of-picture code: every pixel skipped.
            ASSERT_NE(decode(make_bmp(w, h, 8, 1, {0x00FFFFFF}, {0, 1})), 0u);
            const PixelView v = image_pixels(1);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < v.stride; ++x) ASSERT_EQ(v.row_from_top(y)[x], 0) << x << "," << y;
        } else {
            ASSERT_NE(create_image(6, w, h, 24, 0x000000), 0u);
            TempDir dir;
            ASSERT_NE(save_image(6, dir.file("black.png"), TAG_PNG), 0);
            free_image(6);
            ASSERT_NE(create_image(5, w, h, 24, 0xFFFFFF), 0u);
            std::memset(image_pixels(5).pixels, 0xAB, std::size_t(image_pixels(5).stride) * h);
            free_image(5);
            ASSERT_NE(load_image(1, dir.file("black.png")), 0u);
            const PixelView v = image_pixels(1);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < v.stride; ++x) ASSERT_EQ(v.row_from_top(y)[x], 0) << x << "," << y;
        }
    }
}

TEST_F(Decode, BmpTopDownRowsAndBitFields) {
    // Negative height: the first stored row is the top one.
    std::vector<std::uint8_t> px = {0, 0, 255, 0, 0, 255, 0, 0};  // top: red; bottom: green (padded rows)
    ASSERT_NE(decode(make_bmp(1, -2, 24, 0, {}, px)), 0u);
    EXPECT_EQ(image_height(1), 2);
    EXPECT_EQ(pixel(1, 0, 0), (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(pixel(1, 0, 1), (std::array<int, 4>{0, 255, 0, 255}));
    // 32-bit bit fields in R,G,B,A byte order.
    const std::vector<std::uint8_t> rgba = {10, 20, 30, 40};
    ASSERT_NE(decode(make_bmp(1, 1, 32, 3, {}, rgba, {0x000000FF, 0x0000FF00, 0x00FF0000})), 0u);
    EXPECT_EQ(pixel(1, 0, 0), (std::array<int, 4>{10, 20, 30, 255}));
}

TEST_F(Decode, BmpVariantsThatCannotBeDecodedFail) {
    ASSERT_NE(create_image(1, 2, 2), 0u);
    const std::vector<std::uint8_t> px(16, 0x55);
    EXPECT_EQ(decode(make_bmp(2, 2, 16, 4, {}, px)), 0u);  // 16 bits, JPEG compression
    EXPECT_FALSE(is_image(1));
    EXPECT_EQ(decode(make_bmp(2, 2, 2, 0, {}, px)), 0u);  // no 2-bit BMP
    EXPECT_EQ(decode(make_bmp(2, 2, 8, 2, {}, px)), 0u);  // RLE4 code on 8 bits
    EXPECT_EQ(decode(make_bmp(8, 8, 24, 0, {}, px)), 0u);  // pixel data too short
    EXPECT_EQ(decode(make_bmp(40000, 1, 24, 0, {}, px)), 0u);
    EXPECT_EQ(decode(make_bmp(1, 0, 24, 0, {}, px)), 0u);
    EXPECT_EQ(decode(make_bmp(-3, 2, 24, 0, {}, px)), 0u);
    auto reserved = make_bmp(1, 1, 24, 0, {}, px);
    reserved[6] = 1;
    EXPECT_EQ(decode(reserved), 0u);
}

std::vector<std::uint8_t> make_tga(int w, int h, int bits, bool rle, int descriptor,
                                   const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> f = {0, 0, std::uint8_t(rle ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    put16(f, unsigned(w));
    put16(f, unsigned(h));
    f.push_back(std::uint8_t(bits));
    f.push_back(std::uint8_t(descriptor));
    f.insert(f.end(), body.begin(), body.end());
    return f;
}

TEST_F(Decode, TgaFilesRawAndRle) {
    const Rgba rgb = read_netpbm(data_path("src-rgb.ppm")), rgba = read_netpbm(data_path("src-rgba.pam"));
    load("tga-24.tga", 24, 24, TAG_TGA);
    EXPECT_EQ(max_difference(1, rgb, false), 0);
    load("tga-24-top.tga", 24, 24, TAG_TGA);
    EXPECT_EQ(max_difference(1, rgb, false), 0);
    load("tga-24-rle.tga", 24, 24, TAG_TGA);
    EXPECT_EQ(max_difference(1, rgb, false), 0);
    load("tga-24-rle-top.tga", 24, 24, TAG_TGA);
    EXPECT_EQ(max_difference(1, rgb, false), 0);
    load("tga-32.tga", 32, 32, TAG_TGA);
    EXPECT_EQ(max_difference(1, rgba, true), 0);
    load("tga-32-rle-top.tga", 32, 32, TAG_TGA);
    EXPECT_EQ(max_difference(1, rgba, true), 0);
}

TEST_F(Decode, TgaRowOrdersAndSixteenBits) {
    // 2 x 2, 16-bit 5-5-5, stored top row first (descriptor bit 5).
    const std::vector<std::uint8_t> body = {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0xFF, 0x7F};
    ASSERT_NE(decode(make_tga(2, 2, 16, false, 0x20, body)), 0u);
    EXPECT_EQ(is_image(1)->depth, 24);
    EXPECT_EQ(is_image(1)->source_depth, 16);
    EXPECT_EQ(pixel(1, 0, 0), (std::array<int, 4>{248, 0, 0, 255}));
    EXPECT_EQ(pixel(1, 1, 0), (std::array<int, 4>{0, 248, 0, 255}));
    EXPECT_EQ(pixel(1, 0, 1), (std::array<int, 4>{0, 0, 248, 255}));
    // The same stored bottom row first, and right to left.
    ASSERT_NE(decode(make_tga(2, 2, 16, false, 0x10, body)), 0u);
    EXPECT_EQ(pixel(1, 1, 1), (std::array<int, 4>{248, 0, 0, 255}));
    EXPECT_EQ(pixel(1, 0, 1), (std::array<int, 4>{0, 248, 0, 255}));
    EXPECT_EQ(pixel(1, 1, 0), (std::array<int, 4>{0, 0, 248, 255}));
}

TEST_F(Decode, TgaRlePacketsCrossRowsAndTruncationFails) {
    // 3 x 2 24-bit from the top: a run of 4 blue pixels crossing into the
    // second row, then 2 literal pixels.
    const std::vector<std::uint8_t> body = {0x83, 255, 0, 0, 0x01, 0, 255, 0, 0, 0, 255};
    ASSERT_NE(decode(make_tga(3, 2, 24, true, 0x20, body)), 0u);
    EXPECT_EQ(pixel(1, 2, 0), (std::array<int, 4>{0, 0, 255, 255}));
    EXPECT_EQ(pixel(1, 0, 1), (std::array<int, 4>{0, 0, 255, 255}));
    EXPECT_EQ(pixel(1, 1, 1), (std::array<int, 4>{0, 255, 0, 255}));
    EXPECT_EQ(pixel(1, 2, 1), (std::array<int, 4>{255, 0, 0, 255}));
    // A colour map of three 15-bit entries (2 bytes each) before the pixels is skipped.
    std::vector<std::uint8_t> mapped = make_tga(3, 2, 24, true, 0x20, std::vector<std::uint8_t>(6, 0x77));
    mapped[1] = 1;
    mapped[5] = 3;
    mapped[7] = 15;
    mapped.insert(mapped.end(), body.begin(), body.end());
    ASSERT_NE(decode(mapped), 0u);
    EXPECT_EQ(pixel(1, 2, 1), (std::array<int, 4>{255, 0, 0, 255}));
    const std::vector<std::uint8_t> cut(body.begin(), body.end() - 3);
    EXPECT_EQ(decode(make_tga(3, 2, 24, true, 0x20, cut)), 0u);
    EXPECT_EQ(decode(make_tga(3, 2, 8, false, 0x20, body)), 0u);  // no 8-bit true colour
}

TEST_F(Decode, JpegMatchesDjpeg) {
    load("jpeg-rgb.jpg", 24, 24, TAG_JPEG);
    EXPECT_EQ(max_difference(1, read_netpbm(data_path("jpeg-rgb.ref.pnm")), false), 0);
    load("jpeg-progressive.jpg", 24, 24, TAG_JPEG);
    EXPECT_EQ(max_difference(1, read_netpbm(data_path("jpeg-progressive.ref.pnm")), false), 0);
    load("jpeg-grey.jpg", 24, 24, TAG_JPEG);
    EXPECT_EQ(max_difference(1, read_netpbm(data_path("jpeg-grey.ref.pnm")), false), 0);
}

TEST_F(Decode, JpegCmykUsesStoredValues) {
    load("jpeg-cmyk-white.jpg", 24, 32, TAG_JPEG);
    for (int c = 0; c < 3; ++c) EXPECT_GE(pixel(1, 3, 3)[std::size_t(c)], 253);
    load("jpeg-cmyk-red.jpg", 24, 32, TAG_JPEG);
    const auto p = pixel(1, 2, 2);
    EXPECT_GE(p[0], 250);
    EXPECT_LE(p[1], 5);
    EXPECT_LE(p[2], 5);
}

// A YCCK JPEG made by libjpeg itself from stored C,M,Y,K samples (16 x 16:
// left half 255,0,0,255 - red once the stored values are read as Adobe's
// inverted ink - and right half all 255, white).
std::vector<std::uint8_t> make_ycck_jpeg() {
    return libjpeg_encode(
        16, 16, 4, JCS_CMYK,
        [](jpeg_compress_struct& cinfo) {
            jpeg_set_colorspace(&cinfo, JCS_YCCK);
            jpeg_set_quality(&cinfo, 100, TRUE);
        },
        [](int, std::uint8_t* row) {
            for (int x = 0; x < 16; ++x) {
                const std::uint8_t px[4] = {255, std::uint8_t(x < 8 ? 0 : 255), std::uint8_t(x < 8 ? 0 : 255), 255};
                std::memcpy(row + x * 4, px, 4);
            }
        });
}

TEST_F(Decode, JpegYcckBecomesCmykThenBgr) {
    const auto bytes = make_ycck_jpeg();
    ASSERT_NE(decode(bytes), 0u);
    EXPECT_EQ(is_image(1)->source_depth, 32);
    EXPECT_EQ(is_image(1)->depth, 24);
    const auto red = pixel(1, 2, 8), white = pixel(1, 13, 8);
    EXPECT_GE(red[0], 250);
    EXPECT_LE(red[1], 5);
    EXPECT_LE(red[2], 5);
    for (int c = 0; c < 3; ++c) EXPECT_GE(white[std::size_t(c)], 250);
}

TEST_F(Decode, ThreadsDecodeSideBySide) {
    // Each decode keeps its state to itself: two threads, different formats.
    auto work = [](ImageId n, const char* name, const char* ref) {
        const Rgba want = read_netpbm(data_path(ref));
        for (int i = 0; i < 30; ++i) {
            ASSERT_NE(load_image(n, data_path(name)), 0u);
            ASSERT_EQ(max_difference(n, want, false), 0);
        }
    };
    std::thread a(work, 10, "jpeg-progressive.jpg", "jpeg-progressive.ref.pnm");
    std::thread b(work, 11, "png-rgb-interlaced.png", "src-rgb.ppm");
    std::thread c(work, 12, "tiff-rgb-lzw.tif", "src-rgb.ppm");
    a.join();
    b.join();
    c.join();
}

TEST_F(Decode, JpegScalesToTheCheapestSufficientSize) {
    // 40 x 24: eighths give 5x3, 10x6, 15x9, 20x12, 25x15, 30x18, 35x21, 40x24.
    DecodeOptions options;
    int seen_w = 0, seen_h = 0;
    DecodeScaling scaling = DecodeScaling::Filtered;
    options.min_size = [&](int w, int h, DecodeScaling how, int& mw, int& mh) {
        seen_w = w;
        seen_h = h;
        scaling = how;
        mw = 12;
        mh = 4;
    };
    const auto bytes = read_file(data_path("jpeg-rgb.jpg"));
    ASSERT_NE(decode(bytes, options), 0u);
    EXPECT_EQ(seen_w, 40);
    EXPECT_EQ(seen_h, 24);
    EXPECT_EQ(scaling, DecodeScaling::Coarse);  // the DCT's scaling: blockier than a filtered picture
    EXPECT_EQ(image_width(1), 15);
    EXPECT_EQ(image_height(1), 9);
    options.min_size = [](int, int, DecodeScaling, int& mw, int& mh) { mw = 1, mh = 22; };
    ASSERT_NE(decode(bytes, options), 0u);
    EXPECT_EQ(image_width(1), 40);
    // 6/8 and 7/8 have no SIMD code and take longer than the whole; 5/8 does not.
    for (const auto& [mw, want] : {std::pair{26, 40}, std::pair{31, 40}, std::pair{21, 25}}) {
        options.min_size = [mw = mw](int, int, DecodeScaling, int& w, int& h) { w = mw, h = 1; };
        ASSERT_NE(decode(bytes, options), 0u);
        EXPECT_EQ(image_width(1), want) << "at least " << mw;
    }
    options.min_size = [](int, int, DecodeScaling, int& mw, int& mh) { mw = 500, mh = 500; };
    ASSERT_NE(decode(bytes, options), 0u);
    EXPECT_EQ(image_width(1), 40);
    options.min_size = [](int, int, DecodeScaling, int& mw, int& mh) { mw = 0, mh = 0; };
    ASSERT_NE(decode(bytes, options), 0u);
    EXPECT_EQ(image_width(1), 5);
    EXPECT_EQ(image_height(1), 3);
}

TEST_F(Decode, ScaledJpegReportsHowMuchOfItsLastColumnAndRowIsPicture) {
    // 37 x 21 at 3/8 rounds 13.875 x 7.875 up to 14 x 8 pixels.
    TempDir dir;
    ASSERT_NE(create_image(5, 37, 21, 24, 0x336699), 0u);
    ASSERT_TRUE(save_image(5, dir.file("odd.jpg"), TAG_JPEG));
    const auto bytes = read_file(dir.file("odd.jpg"));
    PictureExtent extent{1, 1};
    DecodeOptions options;
    options.extent = &extent;
    options.min_size = [](int, int, DecodeScaling, int& mw, int& mh) { mw = 12, mh = 7; };
    ASSERT_NE(decode(bytes, options), 0u);
    EXPECT_EQ(image_width(1), 14);
    EXPECT_EQ(image_height(1), 8);
    EXPECT_EQ(extent.width, 13.875);
    EXPECT_EQ(extent.height, 7.875);
    // Full size, and another format: the whole picture.
    options.min_size = nullptr;
    ASSERT_NE(decode(bytes, options), 0u);
    EXPECT_TRUE(extent.width == 0 || extent.width == 37) << extent.width;
    EXPECT_TRUE(extent.height == 0 || extent.height == 21) << extent.height;
    extent = {1, 1};
    ASSERT_NE(load_image(1, data_path("png-rgb8.png"), options), 0u);
    EXPECT_EQ(extent.width, 0);
    EXPECT_EQ(extent.height, 0);
}

TEST_F(Decode, PngEveryColourTypeAndDepth) {
    const Rgba grey = read_netpbm(data_path("src-grey.ppm")), bw = read_netpbm(data_path("src-bw.ppm"));
    const Rgba rgb = read_netpbm(data_path("src-rgb.ppm")), rgba = read_netpbm(data_path("src-rgba.pam"));
    load("png-grey1.png", 24, 1, TAG_PNG);
    EXPECT_EQ(max_difference(1, bw, false), 0);
    load("png-grey2.png", 24, 2, TAG_PNG);
    EXPECT_EQ(max_difference(1, bw, false), 0);
    load("png-grey4.png", 24, 4, TAG_PNG);
    EXPECT_EQ(max_difference(1, bw, false), 0);
    load("png-grey8.png", 24, 8, TAG_PNG);
    EXPECT_EQ(max_difference(1, grey, false), 0);
    load("png-grey16.png", 24, 16, TAG_PNG);
    EXPECT_EQ(max_difference(1, grey, false), 0);
    load("png-pal8.png", 24, 8, TAG_PNG);
    EXPECT_EQ(max_difference(1, read_netpbm(data_path("src-pal40.ppm")), false), 0);
    load("png-pal4.png", 24, 4, TAG_PNG);
    EXPECT_EQ(max_difference(1, read_netpbm(data_path("src-pal16.ppm")), false), 0);
    load("png-rgb8.png", 24, 24, TAG_PNG);
    EXPECT_EQ(max_difference(1, rgb, false), 0);
    load("png-rgb16.png", 24, 24, TAG_PNG);
    EXPECT_EQ(max_difference(1, rgb, false), 0);
    load("png-rgba8.png", 32, 32, TAG_PNG);
    EXPECT_EQ(max_difference(1, rgba, true), 0);
    load("png-rgba16.png", 32, 32, TAG_PNG);
    EXPECT_EQ(max_difference(1, rgba, true), 0);
    load("png-rgb-interlaced.png", 24, 24, TAG_PNG);
    EXPECT_EQ(max_difference(1, rgb, false), 0);
}

TEST_F(Decode, PngPaletteTransparencyBecomesAlpha) {
    load("png-pal-trns.png", 32, 32, TAG_PNG);
    const Rgba pal = read_netpbm(data_path("src-pal16.ppm"));
    int transparent = 0;
    for (int y = 0; y < pal.height; ++y)
        for (int x = 0; x < pal.width; ++x) {
            const auto& want = pal.at(x, y);
            const auto got = pixel(1, x, y);
            const bool clear = want[0] == 0 && want[1] == 0 && want[2] == 255;
            EXPECT_EQ(got[3], clear ? 0 : 255);
            transparent += clear;
            if (!clear) {
                for (int c = 0; c < 3; ++c) EXPECT_EQ(got[std::size_t(c)], want[std::size_t(c)]);
            }
        }
    EXPECT_GT(transparent, 0);
}

TEST_F(Decode, TiffFiles) {
    const Rgba rgb = read_netpbm(data_path("src-rgb.ppm"));
    load("tiff-rgb.tif", 32, 24, TAG_TIFF);
    EXPECT_EQ(max_difference(1, rgb, true), 0);
    load("tiff-rgb-lzw.tif", 32, 24, TAG_TIFF);
    EXPECT_EQ(max_difference(1, rgb, true), 0);
    load("tiff-grey.tif", 32, 8, TAG_TIFF);
    EXPECT_EQ(max_difference(1, read_netpbm(data_path("src-grey.ppm")), true), 0);
    load("tiff-rgba-zip.tif", 32, 32, TAG_TIFF);
    // Alpha may be associated in the file; colours of opaque pixels must match.
    const Rgba rgba = read_netpbm(data_path("src-rgba.pam"));
    EXPECT_EQ(pixel(1, 0, 0)[3], rgba.at(0, 0)[3]);
    EXPECT_EQ(pixel(1, 6, 4)[3], rgba.at(6, 4)[3]);
}

// Rewrites the value of tag 259 (compression) in the first directory of a little-endian TIFF.
bool set_tiff_compression(std::vector<std::uint8_t>& f, unsigned value) {
    auto u16 = [&](std::size_t at) { return unsigned(f[at]) | unsigned(f[at + 1]) << 8; };
    const std::size_t ifd = std::size_t(f[4]) | std::size_t(f[5]) << 8 | std::size_t(f[6]) << 16 | std::size_t(f[7]) << 24;
    const unsigned count = u16(ifd);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t e = ifd + 2 + i * 12;
        if (u16(e) == 259) {
            f[e + 8] = std::uint8_t(value);
            f[e + 9] = std::uint8_t(value >> 8);
            return true;
        }
    }
    return false;
}

TEST_F(Decode, TiffOldDeflateIsRejected) {
    auto bytes = read_file(data_path("tiff-rgba-zip.tif"));
    ASSERT_NE(decode(bytes), 0u);
    ASSERT_TRUE(set_tiff_compression(bytes, 32946));
    EXPECT_EQ(decode(bytes), 0u);
    EXPECT_FALSE(is_image(1));
    ASSERT_TRUE(set_tiff_compression(bytes, 6));
    EXPECT_EQ(decode(bytes), 0u);
}

// Points tag `tag` of the first directory of a little-endian TIFF at `value`.
bool set_tiff_tag(std::vector<std::uint8_t>& f, unsigned tag, std::uint32_t value) {
    auto u16 = [&](std::size_t at) { return unsigned(f[at]) | unsigned(f[at + 1]) << 8; };
    const std::size_t ifd = std::size_t(f[4]) | std::size_t(f[5]) << 8 | std::size_t(f[6]) << 16 | std::size_t(f[7]) << 24;
    for (unsigned i = 0; i < u16(ifd); ++i) {
        const std::size_t e = ifd + 2 + i * 12;
        if (u16(e) == tag) {
            for (int k = 0; k < 4; ++k) f[e + 8 + std::size_t(k)] = std::uint8_t(value >> (8 * k));
            return true;
        }
    }
    return false;
}

TEST_F(Decode, TiffWhoseRasterCannotBeReadFails) {
    // The strip lies past the end of the data: no transparent stand-in picture.
    auto bytes = read_file(data_path("tiff-rgb.tif"));
    ASSERT_NE(decode(bytes), 0u);
    ASSERT_TRUE(set_tiff_tag(bytes, 273, std::uint32_t(bytes.size() + 1000)));
    EXPECT_EQ(decode(bytes), 0u);
    EXPECT_FALSE(is_image(1));
}

std::vector<std::uint8_t> icon_entry_dib(int size, int bits, std::uint32_t colour_index_or_bgra) {
    std::vector<std::uint8_t> d;
    put32(d, 40);
    put32(d, std::uint32_t(size));
    put32(d, std::uint32_t(size * 2));
    put16(d, 1);
    put16(d, unsigned(bits));
    for (int i = 0; i < 6; ++i) put32(d, 0);
    if (bits <= 8)
        for (int i = 0; i < (1 << bits); ++i) put32(d, i == 1 ? 0x00FF00 : 0);
    const std::size_t row = stride_for(size, bits);
    for (int y = 0; y < size; ++y) {
        std::vector<std::uint8_t> r(row, 0);
        for (int x = 0; x < size; ++x) {
            if (bits == 8) r[std::size_t(x)] = std::uint8_t(colour_index_or_bgra);
            if (bits == 4) r[std::size_t(x / 2)] = std::uint8_t(colour_index_or_bgra * 0x11);
            if (bits == 32) std::memcpy(&r[std::size_t(x) * 4], &colour_index_or_bgra, 4);
        }
        d.insert(d.end(), r.begin(), r.end());
    }
    // AND mask: the left column transparent.
    const std::size_t mrow = stride_for(size, 1);
    for (int y = 0; y < size; ++y) {
        std::vector<std::uint8_t> m(mrow, 0);
        m[0] = 0x80;
        d.insert(d.end(), m.begin(), m.end());
    }
    return d;
}

std::vector<std::uint8_t> make_icon(const std::vector<std::pair<int, std::vector<std::uint8_t>>>& entries,
                                    const std::vector<int>& bit_counts) {
    std::vector<std::uint8_t> f;
    put16(f, 0);
    put16(f, 1);
    put16(f, unsigned(entries.size()));
    std::uint32_t offset = 6 + 16 * std::uint32_t(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        f.push_back(std::uint8_t(entries[i].first));
        f.push_back(std::uint8_t(entries[i].first));
        f.push_back(0);
        f.push_back(0);
        put16(f, 1);
        put16(f, unsigned(bit_counts[i]));
        put32(f, std::uint32_t(entries[i].second.size()));
        put32(f, offset);
        offset += std::uint32_t(entries[i].second.size());
    }
    for (const auto& e : entries) f.insert(f.end(), e.second.begin(), e.second.end());
    return f;
}

TEST_F(Decode, IconFilesBecome32BitIconPictures) {
    load("icon-16.ico", 32, 32, TAG_ICON);
    EXPECT_EQ(image_width(1), 16);
    EXPECT_TRUE(image_pixels(1).is_icon);
    EXPECT_EQ(pixel(1, 5, 5), (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(pixel(1, 0, 0)[3], 0);
    load("icon-256.ico", 32, 32, TAG_ICON);
    EXPECT_EQ(image_width(1), 256);
    EXPECT_EQ(pixel(1, 10, 200), (std::array<int, 4>{0, 0, 255, 255}));
    EXPECT_EQ(pixel(1, 200, 10)[3], 0);
}

TEST_F(Decode, IconPicksTheDeepestEntryOfTheFirstSize) {
    // 16x16 at 4 bits (first), 32x32 at 32 bits (other size: ignored), 16x16
    // at 8 bits (wins), 16x16 at 8 bits again (a tie: the earlier one stays).
    const auto bytes = make_icon({{16, icon_entry_dib(16, 4, 0)},
                                  {32, icon_entry_dib(32, 32, 0xFFFF0000)},
                                  {16, icon_entry_dib(16, 8, 1)},
                                  {16, icon_entry_dib(16, 8, 0)}},
                                 {4, 32, 8, 8});
    ASSERT_NE(decode(bytes), 0u);
    EXPECT_EQ(image_width(1), 16);
    EXPECT_EQ(is_image(1)->format_tag, TAG_ICON);
    EXPECT_EQ(pixel(1, 5, 5), (std::array<int, 4>{0, 255, 0, 255}));
    EXPECT_EQ(pixel(1, 0, 5), (std::array<int, 4>{0, 255, 0, 0}));  // masked column
}

TEST_F(Decode, DataStartingLikeAnIconIsOnlyAnIcon) {
    // 00 00 01 00 followed by garbage: an icon that fails, no other decoder tried.
    std::vector<std::uint8_t> bytes = {0, 0, 1, 0, 1, 0};
    bytes.resize(64, 0xEE);
    ASSERT_NE(create_image(1, 1, 1), 0u);
    EXPECT_EQ(decode(bytes), 0u);
    EXPECT_FALSE(is_image(1));
}

TEST_F(Decode, UnreadableInputs) {
    TempDir dir;
    ASSERT_NE(create_image(1, 3, 3), 0u);
    // A file that cannot be read leaves the number alone.
    EXPECT_EQ(load_image(1, dir.file("missing.png")), 0u);
    EXPECT_EQ(image_width(1), 3);
    EXPECT_EQ(load_image(1, dir.path()), 0u);
    EXPECT_EQ(image_width(1), 3);
    // Empty and 1-byte files are read but decode to nothing.
    write_file(dir.file("empty.bmp"), {});
    EXPECT_EQ(load_image(1, dir.file("empty.bmp")), 0u);
    EXPECT_FALSE(is_image(1));
    write_file(dir.file("one.bmp"), {'B'});
    EXPECT_EQ(load_image(1, dir.file("one.bmp")), 0u);
    // A JPEG 2000 signature with nothing behind it.
    write_file(dir.file("x.jp2"), {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A, 0, 0, 0, 0x14});
    EXPECT_EQ(load_image(1, dir.file("x.jp2")), 0u);
    EXPECT_EQ(catch_image(ANY_NUMBER, "BM", 2), 0u);
}

TEST_F(Decode, AnyNumberGivesAnIdentifier) {
    const auto bytes = read_file(data_path("png-rgb8.png"));
    const ImageHandle id = catch_image(ANY_NUMBER, bytes.data(), bytes.size());
    ASSERT_NE(id, 0u);
    EXPECT_EQ(image_width(ImageId(id)), 7);
    EXPECT_EQ(is_image(ImageId(id))->format_tag, TAG_PNG);
}

TEST_F(Decode, CancelStopsEveryDecoder) {
    std::atomic<bool> cancel{true};
    DecodeOptions options;
    options.cancel = &cancel;
    for (const char* name : {"jpeg-rgb.jpg", "png-rgb8.png", "tiff-rgb.tif", "bmp-24.bmp", "tga-24.tga"}) {
        ASSERT_NE(create_image(1, 1, 1), 0u);
        EXPECT_EQ(load_image(1, data_path(name), options), 0u) << name;
        EXPECT_FALSE(is_image(1)) << name;
        cancel = false;
        EXPECT_NE(load_image(1, data_path(name), options), 0u) << name;
        cancel = true;
    }
}

}  // namespace
}  // namespace pixmold
