#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "image/exif.h"
#include "exif_builder.h"
#include "temp_dir.h"

namespace pixmold {
namespace {

using test::TempDir;

using test::ExifBuilder;

const std::string kData = std::string(PIXMOLD_TEST_DATA) + "/batch/";

std::vector<std::uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The payload of a JPEG's first APP1 "Exif" segment.
std::vector<std::uint8_t> jpeg_exif(const std::vector<std::uint8_t>& jpeg) {
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
        const std::size_t length = std::size_t(jpeg[at + 2]) << 8 | jpeg[at + 3];
        if (jpeg[at + 1] == 0xE1 && length >= 8 && std::memcmp(&jpeg[at + 4], "Exif\0\0", 6) == 0)
            return {jpeg.begin() + long(at + 10), jpeg.begin() + long(at + 2 + length)};
        at += 2 + length;
    }
    return {};
}

TEST(ExifOrientation, BothByteOrdersAllValues) {
    for (bool big : {false, true}) {
        for (std::uint32_t v = 1; v <= 8; ++v) {
            const auto payload = ExifBuilder(big).build({ExifBuilder::shortTag(0x0112, v)}, {}, {});
            EXPECT_EQ(exif_orientation(payload), int(v)) << (big ? "MM " : "II ") << v;
        }
    }
}

TEST(ExifOrientation, AbsentOrOutOfRangeIsOne) {
    EXPECT_EQ(exif_orientation(ExifBuilder(true).build({ExifBuilder::ascii(0x010F, "Cam")}, {}, {})), 1);
    EXPECT_EQ(exif_orientation(ExifBuilder(false).build({ExifBuilder::shortTag(0x0112, 9)}, {}, {})), 1);
    EXPECT_EQ(exif_orientation(ExifBuilder(false).build({ExifBuilder::shortTag(0x0112, 0)}, {}, {})), 1);
    // The tag in the Exif sub-IFD is not the picture's orientation.
    EXPECT_EQ(exif_orientation(ExifBuilder(false).build({ExifBuilder::ascii(0x010F, "Cam")},
                                                        {ExifBuilder::shortTag(0x0112, 6)}, {})),
              1);
}

TEST(ExifOrientation, MalformedPayloadsAreSafe) {
    const auto good = ExifBuilder(true).build({ExifBuilder::shortTag(0x0112, 6)}, {}, {});
    // Every truncation either still holds the whole entry or reads as 1.
    for (std::size_t n = 0; n < good.size(); ++n) {
        const int o = exif_orientation(std::span<const std::uint8_t>(good.data(), n));
        EXPECT_TRUE(o == 1 || o == 6) << n;
        if (n < 8 + 2 + 12) {
            EXPECT_EQ(o, 1) << n;
        }
    }
    auto bad_offset = good;
    bad_offset[4] = 0x7F;  // IFD0 far past the end
    EXPECT_EQ(exif_orientation(bad_offset), 1);
    auto bad_count = good;
    bad_count[8] = 0xFF;  // entry count past the end
    EXPECT_EQ(exif_orientation(bad_count), 1);
    std::vector<std::uint8_t> not_tiff = {'X', 'X', 0, 42, 0, 0, 0, 8, 0, 0};
    EXPECT_EQ(exif_orientation(not_tiff), 1);
}

TEST(ReadOrientation, FromFilesOfEveryKind) {
    EXPECT_EQ(read_orientation(kData + "orient6_ii.jpg"), 6);
    EXPECT_EQ(read_orientation(kData + "orient6_mm.jpg"), 6);
    EXPECT_EQ(read_orientation(kData + "orient8_mm.jpg"), 8);
    EXPECT_EQ(read_orientation(kData + "orient6.png"), 6);
    EXPECT_EQ(read_orientation(kData + "orient6.tif"), 6);
    EXPECT_EQ(read_orientation(kData + "meta_ii.jpg"), 6);
    EXPECT_EQ(read_orientation(kData + "base.jpg"), 1);
}

TEST(ReadOrientation, StrayBytesOutsideExifAreIgnored) {
    // The comment holds 12 01 ... 06 00, which a raw byte scan would take for the tag.
    EXPECT_EQ(read_orientation(kData + "false_tag.jpg"), 1);
}

TEST(ReadOrientation, UnreadableAndForeignFilesAreOne) {
    EXPECT_EQ(read_orientation(kData + "no-such-file.jpg"), 1);
    EXPECT_EQ(read_orientation(kData + "corrupt.jpg"), 1);
    EXPECT_EQ(read_orientation(kData + "truncated.jpg"), 1);
    TempDir dir;
    const std::string path = (dir.folder() / "cut.jpg").string();
    auto bytes = read_file(kData + "orient6_mm.jpg");
    // Cut inside the APP1 segment: its declared length runs past the end.
    bytes.resize(40);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    EXPECT_EQ(read_orientation(path), 1);
}

TEST(ReadOrientation, PngChunkLengthBeyondTheFileIsIgnored) {
    TempDir dir;
    const std::string path = (dir.folder() / "long.png").string();
    std::string bytes("\x89PNG\r\n\x1a\n", 8);
    bytes += std::string("\x7f\xff\xff\xf0", 4) + "eXIf" + "MM";  // claims almost 2 GiB
    std::ofstream(path, std::ios::binary) << bytes;
    // In a child with little address space, so that believing the length fails loudly.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit{512u << 20, 512u << 20};
        setrlimit(RLIMIT_AS, &limit);
        _exit(read_orientation(path));
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

TEST(ExifForOutput, ResetsOrientationUpdatesSizeAndDropsThumbnail) {
    for (bool big : {false, true}) {
        const std::vector<std::uint8_t> thumb(300, 0xAB);
        const auto payload = ExifBuilder(big).build(
            {ExifBuilder::ascii(0x010F, "PixmoldCam"), ExifBuilder::shortTag(0x0112, 8)},
            {ExifBuilder::longTag(0xA002, 4000), ExifBuilder::shortTag(0xA003, 3000)}, thumb);
        const auto edited = exif_for_output(payload, 800, 600);
        ASSERT_FALSE(edited.empty());
        EXPECT_EQ(exif_orientation(edited), 1);
        EXPECT_LE(edited.size() + thumb.size(), payload.size()) << "thumbnail bytes kept";
        // Everything before the thumbnail IFD is kept byte for byte except the edited values.
        const auto expected = ExifBuilder(big).build(
            {ExifBuilder::ascii(0x010F, "PixmoldCam"), ExifBuilder::shortTag(0x0112, 1)},
            {ExifBuilder::longTag(0xA002, 800), ExifBuilder::shortTag(0xA003, 600)}, {});
        EXPECT_EQ(edited, expected) << (big ? "MM" : "II");
    }
}

TEST(ExifForOutput, RejectsGarbage) {
    const std::vector<std::uint8_t> garbage = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_TRUE(exif_for_output(garbage, 10, 10).empty());
    EXPECT_TRUE(exif_for_output({}, 10, 10).empty());
}

TEST(ExifForOutput, SelfLinkedIfdsDoNotLoop) {
    auto payload = ExifBuilder(false).build({ExifBuilder::shortTag(0x0112, 3)}, {ExifBuilder::longTag(0xA002, 5)}, {});
    // Point IFD0's next link back at IFD0 itself.
    const std::size_t next = 8 + 2 + 2 * 12;
    payload[next] = 8;
    const auto edited = exif_for_output(payload, 1, 1);
    ASSERT_FALSE(edited.empty());
    EXPECT_EQ(exif_orientation(edited), 1);
}

TEST(ExifForOutput, CameraFileMadeByExiftool) {
    const auto payload = jpeg_exif(read_file(kData + "meta_ii.jpg"));
    ASSERT_FALSE(payload.empty());
    EXPECT_EQ(exif_orientation(payload), 6);
    const auto edited = exif_for_output(payload, 16, 32);
    EXPECT_EQ(exif_orientation(edited), 1);
    EXPECT_LT(edited.size() + 150, payload.size());  // its 159-byte thumbnail is gone
    const std::string text(edited.begin(), edited.end());
    EXPECT_NE(text.find("PixmoldTestCam"), std::string::npos);
}

}  // namespace
}  // namespace pixmold
