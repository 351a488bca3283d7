// The resize job on WebP, HEIC, AVIF and JPEG 2000 pictures (made by
// Debian's encoders, tests/data/image/make-data.sh): turned once and only
// once, metadata carried, alpha kept.
#include <gtest/gtest.h>

#include "image/exif.h"
#include "batch/intake.h"
#include "job_fixture.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

const std::string kImages = std::string(PIXMOLD_TEST_DATA) + "/image/";

class Formats : public ::testing::Test {
protected:
    void SetUp() override { start_engine(); }
    TempDir dir;

    std::string copy_image_file(const std::string& name) {
        const auto target = dir.folder() / name;
        std::filesystem::copy_file(kImages + name, target, std::filesystem::copy_options::overwrite_existing);
        return target.string();
    }
};

PictureReport process(const std::string& path, const BatchSettings& s) { return process_picture(path, s, {}); }

// Red, green, blue of a picture file's pixel (x, y from the top), from a Netpbm reference.
std::array<int, 3> reference_rgb(const std::string& name, int x, int y) {
    std::ifstream in(kImages + name, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, max = 0;
    in >> magic >> w >> h >> max;
    in.get();
    in.seekg(std::streamoff(y * w + x) * 3, std::ios::cur);
    std::array<int, 3> rgb{};
    for (int& c : rgb) c = in.get();
    return rgb;
}

int max_difference_from_photo(const Decoded& out) {
    int worst = 0;
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const auto bgr = out.bgr(x, y);
            const auto rgb = reference_rgb("src-photo.ppm", x, y);
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(bgr[std::size_t(2 - c)] - rgb[std::size_t(c)]));
        }
    return worst;
}

TEST_F(Formats, ContainerRotationIsNotAppliedASecondTime) {
    // Stored 24 x 40 with irot turning it to the 40 x 24 photo, and an EXIF
    // orientation 6 that would turn it a second time if it were obeyed.
    for (const char* name : {"heic-irot-exif.heic", "avif-irot-exif.avif"}) {
        const std::string src = copy_image_file(name);
        EXPECT_EQ(read_orientation(src), 1) << name;
        for (const char* type : {"PNG", "JPG"}) {
            const PictureReport r = process(src, make_settings("LIB", 40, 24, type));
            ASSERT_EQ(r.outcome, PictureOutcome::Written) << name << " " << type;
            const Decoded out(r.output_path);
            ASSERT_TRUE(out) << r.output_path;
            ASSERT_EQ(out.width(), 40) << name;
            ASSERT_EQ(out.height(), 24) << name;
            EXPECT_LE(max_difference_from_photo(out), std::string(type) == "PNG" ? 1 : 12) << name << " " << type;
            if (std::string(type) == "JPG") {
                // The EXIF is carried, saying the pixels need no turn.
                ASSERT_FALSE(out.metadata.exif.empty()) << name;
                EXPECT_EQ(exif_orientation(out.metadata.exif), 1) << name;
                EXPECT_EQ(out.metadata.icc.size(), std::string(name).find("avif") != std::string::npos ? 132u : 0u);
            }
        }
    }
}

TEST_F(Formats, WebpIsTurnedByItsExifOrientationLikeAJpeg) {
    // 40 x 24 stored, EXIF orientation 6: shown 24 x 40.
    const std::string src = copy_image_file("webp-metadata.webp");
    const PictureReport r = process(src, make_settings("LIB", 24, 40, "JPG"));
    ASSERT_EQ(r.outcome, PictureOutcome::Written);
    EXPECT_EQ(r.orientation, 6);
    const Decoded out(r.output_path);
    ASSERT_EQ(out.width(), 24);
    ASSERT_EQ(out.height(), 40);
    // Turned clockwise: the stored bottom-left corner is now the top-left one.
    const auto bgr = out.bgr(2, 2);
    const auto rgb = reference_rgb("src-photo.ppm", 2, 21);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(bgr[std::size_t(2 - c)], rgb[std::size_t(c)], 16);
    EXPECT_EQ(exif_orientation(out.metadata.exif), 1);
    EXPECT_EQ(out.metadata.icc.size(), 132u);
    EXPECT_EQ(read_orientation(copy_image_file("webp-lossy.webp")), 1);
}

TEST_F(Formats, AlphaSourcesKeepAlphaInPngOutputs) {
    std::ifstream in(kImages + "src-rgba.pam", std::ios::binary);
    const std::string pam{std::istreambuf_iterator<char>(in), {}};
    const std::size_t start = pam.find("ENDHDR\n") + 7;
    for (const char* name : {"webp-lossless-alpha.webp", "avif-lossless-alpha.avif", "jp2-alpha.jp2", "jp2-grey-alpha.jp2"}) {
        const PictureReport r = process(copy_image_file(name), make_settings("LIB", 7, 5, "PNG"));
        ASSERT_EQ(r.outcome, PictureOutcome::Written) << name;
        const Decoded out(r.output_path);
        ASSERT_EQ(out.view.depth, 32) << name;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) {
                const std::uint8_t alpha = out.view.row_from_top(y)[x * 4 + 3];
                EXPECT_EQ(alpha, std::uint8_t(pam[start + std::size_t(y * 7 + x) * 4 + 3])) << name << " " << x << "," << y;
            }
    }
}

TEST_F(Formats, EveryNewKindIsTakenByTheDropAndResized) {
    const char* names[] = {"heic-lossy.heic", "avif-lossy.avif", "webp-lossy.webp", "jp2-lossy.jp2", "j2k-photo.j2k"};
    for (const char* name : names) copy_image_file(name);
    // An upper-case name, as phones write them, and the other HEIF spelling.
    std::filesystem::rename(dir.folder() / "heic-lossy.heic", dir.folder() / "IMG_0001.HEIC");
    std::filesystem::copy_file(dir.folder() / "IMG_0001.HEIC", dir.folder() / "other.heif");
    PictureList list = build_picture_list({dir.path()});
    EXPECT_EQ(list.size(), 6u);
    BatchJob job;
    run_batch(job, list, make_settings("REL", 20, 20, "JPG"));
    EXPECT_TRUE(job.failed_pictures().empty());
    for (const char* out : {"p_IMG_0001.jpg", "p_other.jpg", "p_avif-lossy.jpg", "p_webp-lossy.jpg", "p_jp2-lossy.jpg",
                            "p_j2k-photo.jpg"}) {
        const Decoded d((dir.folder() / out).string());
        ASSERT_TRUE(d) << out;
        EXPECT_EQ(d.width(), 20) << out;
        EXPECT_EQ(d.height(), 12) << out;
    }
}

}  // namespace
}  // namespace pixmold
