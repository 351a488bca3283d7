// pixmold-batch's output options on real files: pictures never enlarged,
// WebP outputs, and the GPS position kept out of the carried EXIF.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "image/exif.h"
#include "job_fixture.h"
#include "tool_run.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

const std::string kImages = std::string(PIXMOLD_TEST_DATA) + "/image/";

class OutputOptions : public ::testing::Test {
protected:
    void SetUp() override { start_engine(); }
    TempDir dir;

    // Runs pixmold-batch on `source` (a file of the test data) with `args`;
    // the output's path, or empty when the run failed.
    std::string resize(const std::string& source, std::vector<std::string> args) {
        const std::string name = std::filesystem::path(source).filename().string();
        if (std::filesystem::path(source).parent_path() != dir.folder())
            std::filesystem::copy_file(source, dir.folder() / name, std::filesystem::copy_options::overwrite_existing);
        args.insert(args.end(), {"--prefix", "p_", name});
        const ToolRun r = run_tool(dir.folder(), args);
        EXPECT_EQ(r.status, 0) << r.err;
        for (const std::string& entry : dir.entries())
            if (entry.rfind("p_", 0) == 0) return dir.file(entry);
        return {};
    }
};

struct EnlargeCase {
    std::string name;
    std::string source;  // stored 32 x 16; meta_ii.jpg is shown 16 x 32 (orientation 6)
    std::vector<std::string> sizes;
    int width_as_usual, height_as_usual;      // without the option
    int width_never_enlarged, height_never_enlarged;
};

class NeverEnlarge : public OutputOptions, public ::testing::WithParamInterface<EnlargeCase> {};

TEST_P(NeverEnlarge, PicturesWithinTheTargetKeepTheirOwnSize) {
    const EnlargeCase& c = GetParam();
    for (const bool never : {false, true}) {
        std::vector<std::string> args = c.sizes;
        if (never) args.push_back("--no-enlarge");
        const Decoded out(resize(kData + c.source, args));
        ASSERT_TRUE(out) << c.source;
        EXPECT_EQ(out.width(), never ? c.width_never_enlarged : c.width_as_usual) << c.source << " " << never;
        EXPECT_EQ(out.height(), never ? c.height_never_enlarged : c.height_as_usual) << c.source << " " << never;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NeverEnlarge,
    ::testing::Values(
        // Relative mode, smaller on both sides, landscape and (turned upright) portrait.
        EnlargeCase{"RelativeSmaller", "base.jpg", {"--mode", "rel", "--landscape-width", "64", "--portrait-height", "64"},
                    64, 32, 32, 16},
        EnlargeCase{"RelativeSmallerTurned", "meta_ii.jpg",
                    {"--mode", "rel", "--landscape-width", "64", "--portrait-height", "64"}, 32, 64, 16, 32},
        // Free mode, smaller on both sides; then larger than the height only.
        EnlargeCase{"FreeSmaller", "base.jpg", {"--mode", "free", "--width", "64", "--height", "40"}, 64, 40, 32, 16},
        EnlargeCase{"FreeSmallerOnOneSide", "base.jpg", {"--mode", "free", "--width", "64", "--height", "8"}, 64, 8, 64, 8},
        // Bigger than the target: shrunk either way.
        EnlargeCase{"RelativeBigger", "base.jpg", {"--mode", "rel", "--landscape-width", "24", "--portrait-height", "24"},
                    24, 12, 24, 12}),
    [](const auto& info) { return info.param.name; });

// WebP outputs at their size, with a source's alpha, and with its EXIF
// (orientation reset) and ICC profile.
TEST_F(OutputOptions, WebpOutputsKeepAlphaAndMetadata) {
    const std::vector<std::string> args = {"--format", "webp", "--mode", "free", "--width", "20", "--height", "10"};
    for (const std::string& source : {kImages + "png-rgba8.png", kData + "meta_ii.jpg"}) {
        const std::string output = resize(source, args);
        EXPECT_EQ(std::filesystem::path(output).extension(), ".webp");
        const Decoded out(output);
        std::filesystem::remove(output);
        ASSERT_TRUE(out) << source;
        EXPECT_EQ(out.width(), 20);
        EXPECT_EQ(out.height(), 10);
        if (source.ends_with(".png")) {  // transparent in places
            ASSERT_EQ(out.view.depth, 32);
            bool see_through = false;
            for (int y = 0; y < out.height(); ++y)
                for (int x = 0; x < out.width(); ++x) see_through |= out.view.row_from_top(y)[x * 4 + 3] < 128;
            EXPECT_TRUE(see_through);
        } else {
            EXPECT_EQ(std::string(out.metadata.icc.begin(), out.metadata.icc.end()), read_bytes(kData + "test.icc"));
            ASSERT_FALSE(out.metadata.exif.empty());
            EXPECT_EQ(exif_orientation(out.metadata.exif), 1);
        }
    }
}

// exiftool's answer for `file` (tag names and values), or empty.
std::string exiftool(const std::string& args) {
    std::string text;
    if (FILE* pipe = popen(("exiftool -s -s " + args + " 2>/dev/null").c_str(), "r")) {
        char buf[4096];
        std::size_t n = 0;
        while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) text.append(buf, n);
        pclose(pipe);
    }
    return text;
}

class StripLocation : public OutputOptions, public ::testing::WithParamInterface<std::string> {};

TEST_P(StripLocation, LeavesNoGpsTagNorItsBytes) {
    // A camera's picture with a position; the datum's text stands for the GPS values' bytes.
    const std::string source = dir.file("gps.jpg");
    std::filesystem::copy_file(kData + "meta_ii.jpg", source);
    const std::string datum = "PIXMOLD-SECRET-DATUM";
    ASSERT_EQ(std::system(("exiftool -q -overwrite_original -GPSLatitude=48.8584 -GPSLatitudeRef=N "
                           "-GPSLongitude=2.2945 -GPSLongitudeRef=E -GPSMapDatum=" + datum + " " + quoted(source))
                              .c_str()),
              0);
    ASSERT_NE(exiftool("-GPSLatitude " + quoted(source)), "");
    for (const bool strip : {false, true}) {
        std::vector<std::string> args = {"--format", GetParam(), "--landscape-width", "20", "--portrait-height", "20"};
        if (strip) args.push_back("--strip-location");
        const std::string output = resize(source, args);
        const std::string tags = exiftool("-a -G1 " + quoted(output));
        EXPECT_EQ(tags.find("[GPS]") == std::string::npos, strip) << tags;
        EXPECT_EQ(read_bytes(output).find(datum) == std::string::npos, strip) << output;
        // The rest stays: the camera, the EXIF sub-IFD and the colour profile.
        EXPECT_NE(tags.find("Make: PixmoldTestCam"), std::string::npos) << tags;
        EXPECT_NE(tags.find("[ExifIFD]"), std::string::npos) << tags;
        EXPECT_NE(tags.find("ProfileCopyright"), std::string::npos) << tags;
        std::filesystem::remove(output);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, StripLocation, ::testing::Values("jpg", "png", "webp"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace pixmold
