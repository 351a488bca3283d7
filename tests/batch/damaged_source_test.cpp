// A damaged JPEG is a failed picture: no output is written, and with the
// prefix "0" the source is not replaced by a partly grey picture.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "job_fixture.h"
#include "jpeg_damage.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

Bytes read_bytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void write_bytes(const std::filesystem::path& p, const Bytes& b) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

class DamagedSource : public ::testing::Test {
protected:
    void SetUp() override {
        start_engine();
        // A shaded 400 x 300 picture, written by the engine as a baseline JPEG.
        create_image(970, 400, 300, 24);
        const PixelView v = image_pixels(970);
        for (int y = 0; y < v.height; ++y)
            for (int x = 0; x < v.width; ++x)
                for (int c = 0; c < 3; ++c)
                    v.row_from_top(y)[x * 3 + c] = std::uint8_t(128 + 100 * std::sin(x * 0.03 + c) * std::cos(y * 0.05));
        const std::string good = (dir.path / "good.jpg").string();
        ASSERT_TRUE(save_image(970, good, TAG_JPEG, 9));
        free_image(970);
        good_bytes = read_bytes(good);
        ASSERT_GT(scan_bytes(jpeg_scans(good_bytes)), 10000u);
    }
    TempDir dir;
    Bytes good_bytes;
};

TEST_F(DamagedSource, FailsWithoutOutputAndTheSourceStays) {
    write_bytes(dir.path / "ends_early.jpg", end_marker_early(good_bytes, 0.3));
    write_bytes(dir.path / "corrupt.jpg", corrupt_scan(good_bytes, 0.4));
    const PictureList list{(dir.path / "ends_early.jpg").string(), (dir.path / "corrupt.jpg").string(),
                           (dir.path / "good.jpg").string()};
    for (const char* prefix : {"p_", "0"}) {
        BatchJob job;
        run_batch(job, list, make_settings("REL", 200, 200, "JPG", prefix));
        EXPECT_EQ(job.failed(), 2) << "prefix " << prefix;
        EXPECT_EQ(job.failed_pictures(), (std::vector<FailedPicture>{{list[0], FailReason::Unreadable},
                                                                     {list[1], FailReason::Unreadable}}))
            << "prefix " << prefix;
        EXPECT_EQ(read_bytes(list[0]), end_marker_early(good_bytes, 0.3)) << "prefix " << prefix;
        EXPECT_EQ(read_bytes(list[1]), corrupt_scan(good_bytes, 0.4)) << "prefix " << prefix;
    }
    // Only the good picture has outputs: its own with the prefix, and itself replaced.
    EXPECT_EQ(folder_names(dir.path), (std::vector<std::string>{"corrupt.jpg", "ends_early.jpg", "good.jpg", "p_good.jpg"}));
    EXPECT_EQ(Decoded(list[2]).width(), 200);
}

}  // namespace
}  // namespace pixmold
