// Truncated and corrupted files of every format (tests/data/image/crashers,
// made by make-data.sh). Run under AddressSanitizer and UBSan by `make asan`.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "test_support.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

std::vector<std::filesystem::path> crasher_files(const std::string& prefix) {
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(data_path("crashers")))
        if (e.path().filename().string().rfind(prefix, 0) == 0) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

class Crashers : public EngineTest {};

TEST_F(Crashers, TruncatedFilesFailAndLeaveTheNumberEmpty) {
    const auto files = crasher_files("trunc-");
    ASSERT_GT(files.size(), 40u);
    for (const auto& f : files) {
        ASSERT_NE(create_image(1, 2, 2), 0u);
        EXPECT_EQ(load_image(1, f.string()), 0u) << f.filename();
        EXPECT_FALSE(is_image(1)) << f.filename();
    }
}

TEST_F(Crashers, CorruptedFilesNeverCrash) {
    const auto files = crasher_files("corrupt-");
    ASSERT_GT(files.size(), 100u);
    Metadata metadata;
    DecodeOptions options;
    options.metadata = &metadata;
    for (const auto& f : files) {
        // Whatever the outcome, a picture that is reported must be whole and readable.
        if (load_image(1, f.string(), options)) {
            const PixelView v = image_pixels(1);
            ASSERT_TRUE(v) << f.filename();
            unsigned sum = 0;
            for (int y = 0; y < v.height; ++y)
                for (int x = 0; x < v.width * v.depth / 8; ++x) sum += v.row_from_top(y)[x];
            (void)sum;
        }
    }
}

TEST_F(Crashers, EveryPrefixOfAFileIsSafeAndNeverHalfDecoded) {
    // Every length of a few small files: no read past the end at any cut, and
    // a cut that still decodes (only trailing chunks or tags are missing)
    // gives exactly the whole picture.
    for (const char* name : {"bmp-8-rle.bmp", "tga-32-rle-top.tga", "png-rgb-interlaced.png", "jpeg-progressive.jpg",
                             "tiff-rgb-lzw.tif", "icon-16.ico", "bmp-4.bmp", "webp-lossy-alpha.webp",
                             "webp-animated.webp", "heic-lossy.heic", "avif-lossless-alpha.avif", "jp2-alpha.jp2",
                             "j2k-photo.j2k"}) {
        const auto bytes = read_file(data_path(name));
        ASSERT_NE(catch_image(2, bytes.data(), bytes.size()), 0u) << name;
        const PixelView whole = image_pixels(2);
        for (std::size_t n = 0; n < bytes.size(); ++n) {
            // A copy of exactly n bytes, so any overread hits the sanitiser's red zone.
            const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + long(n));
            if (!catch_image(1, cut.data(), cut.size())) continue;
            const PixelView v = image_pixels(1);
            ASSERT_EQ(v.stride * v.height, whole.stride * whole.height) << name << " cut at " << n;
            for (int y = 0; y < v.height; ++y)
                ASSERT_EQ(0, std::memcmp(v.row_from_top(y), whole.row_from_top(y), std::size_t(v.width * v.depth / 8)))
                    << name << " cut at " << n << " row " << y;
        }
    }
}

}  // namespace
}  // namespace pixmold
