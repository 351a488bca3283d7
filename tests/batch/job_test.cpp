#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <random>
#include <thread>

#include "image/exif.h"
#include "batch/progress.h"
#include "image/bitmap.h"
#include "job_fixture.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

class Job : public ::testing::Test {
protected:
    void SetUp() override { start_engine(); }
    TempDir dir;
};

// Stored 32 x 16: top-left red, top-right green, bottom-left blue, bottom-right white.
enum Colour { Red, Green, Blue, White };
Colour nearest(std::array<int, 3> bgr) {
    const int b = bgr[0], g = bgr[1], r = bgr[2];
    if (r > 128 && g > 128 && b > 128) return White;
    if (r > 128) return Red;
    if (g > 128) return Green;
    return Blue;
}

PictureReport process(const std::string& path, const BatchSettings& s) { return process_picture(path, s, {}); }

TEST_F(Job, OrientationTurnsJpegAndPngOutputsInBothByteOrders) {
    struct Case {
        const char* file;
        Colour top_left, top_right;
    };
    // 6 shows the stored picture turned clockwise, 8 counter-clockwise.
    const Case cases[] = {{"orient6_ii.jpg", Blue, Red}, {"orient6_mm.jpg", Blue, Red}, {"orient8_mm.jpg", Green, White},
                          {"orient6.png", Blue, Red},    {"orient6.tif", Blue, Red},
                          {"orient8.tif", Green, White}};
    for (const Case& c : cases) {
        for (const char* type : {"JPG", "PNG"}) {
            const std::string src = copy_in(dir, c.file);
            const PictureReport r = process(src, make_settings("REL", 64, 32, type));
            ASSERT_EQ(r.outcome, PictureOutcome::Written) << c.file << " " << type;
            EXPECT_EQ(r.orientation, std::string(c.file).find('8') != std::string::npos ? 8 : 6);
            const Decoded out(r.output_path);
            ASSERT_TRUE(out) << r.output_path;
            // Shown 16 x 32, a portrait: it takes the portrait height.
            EXPECT_EQ(out.width(), 16) << c.file << " " << type;
            EXPECT_EQ(out.height(), 32) << c.file << " " << type;
            EXPECT_EQ(nearest(out.bgr(2, 2)), c.top_left) << c.file << " " << type;
            EXPECT_EQ(nearest(out.bgr(13, 2)), c.top_right) << c.file << " " << type;
            // The output is upright: nothing tells a viewer to turn it again.
            EXPECT_EQ(read_orientation(r.output_path), 1) << c.file << " " << type;
        }
    }
}

TEST_F(Job, UpsideDownTiffIsTurnedOnce) {
    const PictureReport r = process(copy_in(dir, "orient3.tif"), make_settings("REL", 32, 32, "PNG"));
    ASSERT_EQ(r.outcome, PictureOutcome::Written);
    const Decoded out(r.output_path);
    EXPECT_EQ(out.width(), 32);
    EXPECT_EQ(nearest(out.bgr(2, 2)), White);
    EXPECT_EQ(nearest(out.bgr(29, 13)), Red);
}

TEST_F(Job, StrayTagBytesDoNotTurnThePicture) {
    const PictureReport r = process(copy_in(dir, "false_tag.jpg"), make_settings("REL", 32, 32, "JPG"));
    ASSERT_EQ(r.outcome, PictureOutcome::Written);
    const Decoded out(r.output_path);
    EXPECT_EQ(out.width(), 32);
    EXPECT_EQ(out.height(), 16);
    EXPECT_EQ(nearest(out.bgr(2, 2)), Red);
}

TEST_F(Job, PortraitOrLandscapeIsJudgedAsShown) {
    // Stored 32 x 16 but shown 16 x 32: the portrait height applies.
    const PictureReport r = process(copy_in(dir, "orient6_mm.jpg"), make_settings("REL", 20, 10, "PNG"));
    ASSERT_EQ(r.outcome, PictureOutcome::Written);
    EXPECT_EQ(r.target, (TargetSize{5, 10}));
    const Decoded out(r.output_path);
    EXPECT_EQ(out.width(), 5);
    EXPECT_EQ(out.height(), 10);
}

TEST_F(Job, FreeModeGivesExactlyTheSizeAsShown) {
    const PictureReport r = process(copy_in(dir, "orient6_ii.jpg"), make_settings("LIB", 40, 24, "JPG"));
    ASSERT_EQ(r.outcome, PictureOutcome::Written);
    const Decoded out(r.output_path);
    EXPECT_EQ(out.width(), 40);
    EXPECT_EQ(out.height(), 24);
}

TEST_F(Job, JpegOutputKeepsEditedExifAndIcc) {
    const std::vector<std::uint8_t> icc = [] {
        std::ifstream in(kData + "test.icc", std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
    }();
    const PictureReport r = process(copy_in(dir, "meta_ii.jpg"), make_settings("REL", 64, 20, "JPG"));
    ASSERT_EQ(r.outcome, PictureOutcome::Written);
    const Decoded out(r.output_path);
    ASSERT_TRUE(out);
    EXPECT_EQ(out.width(), 10);
    EXPECT_EQ(out.height(), 20);
    EXPECT_EQ(out.metadata.icc, icc);
    ASSERT_FALSE(out.metadata.exif.empty());
    EXPECT_EQ(exif_orientation(out.metadata.exif), 1);
    const std::string text(out.metadata.exif.begin(), out.metadata.exif.end());
    EXPECT_NE(text.find("PixmoldTestCam"), std::string::npos);
    // The 159-byte thumbnail is gone, and with it the JPEG start marker it held.
    EXPECT_EQ(text.find("\xFF\xD8"), std::string::npos);
    const auto source_exif = Decoded(kData + "meta_ii.jpg").metadata.exif;
    EXPECT_LT(out.metadata.exif.size() + 150, source_exif.size());
}

// `png` with an eXIf chunk of `exif` put before its pixel data, or after it.
std::string with_exif_chunk(std::string png, const std::string& exif, bool after_pixels) {
    const auto crc = [](const std::string& bytes) {
        std::uint32_t c = 0xFFFFFFFF;
        for (unsigned char b : bytes) {
            c ^= b;
            for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320 & (0 - (c & 1)));
        }
        return ~c;
    };
    const auto be32 = [](std::uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    const std::string chunk = be32(std::uint32_t(exif.size())) + "eXIf" + exif + be32(crc("eXIf" + exif));
    const std::size_t at = after_pixels ? png.find("IEND") - 4 : png.find("IDAT") - 4;
    return png.insert(at, chunk);
}

TEST_F(Job, PngSourcesKeepTheirMetadataWhereverTheirExifComes) {
    const std::vector<std::uint8_t> icc = [] {
        std::ifstream in(kData + "test.icc", std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
    }();
    std::ifstream in(kData + "meta.png", std::ios::binary);
    const std::string png{std::istreambuf_iterator<char>(in), {}};
    const std::string exif = std::string("II*\0\x08\0\0\0\x01\0\x0F\x01\x02\0\x08\0\0\0\x1A\0\0\0\0\0\0\0", 26) +
                             std::string("TestCam\0", 8);
    for (bool after : {false, true})
        for (const char* format : {"PNG", "JPG"}) {
            const std::string source = dir.file(after ? "after.png" : "before.png");
            std::ofstream(source, std::ios::binary) << with_exif_chunk(png, exif, after);
            const PictureReport r = process(source, make_settings("REL", 16, 16, format));
            ASSERT_EQ(r.outcome, PictureOutcome::Written) << source;
            const Decoded out(r.output_path);
            ASSERT_TRUE(out);
            EXPECT_EQ(out.width(), 16);
            EXPECT_EQ(out.metadata.icc, icc) << source << " to " << format;
            const std::string text(out.metadata.exif.begin(), out.metadata.exif.end());
            EXPECT_NE(text.find("TestCam"), std::string::npos) << source << " to " << format;
        }
}

TEST_F(Job, PrefixZeroReplacesTheSourceAndOtherExtensionsGetANewFile) {
    const std::string a = copy_in(dir, "base.jpg", "a.jpg");
    const std::string b = copy_in(dir, "base.jpg", "b.jpeg");
    BatchJob job;
    run_batch(job, {a, b}, make_settings("REL", 16, 16, "JPG", "0"));
    EXPECT_EQ(folder_names(dir.folder()), (std::vector<std::string>{"a.jpg", "b.jpeg", "b.jpg"}));
    EXPECT_EQ(Decoded(a).width(), 16);
    EXPECT_EQ(Decoded(b).width(), 32);  // the source stays
    EXPECT_EQ(Decoded((dir.folder() / "b.jpg").string()).width(), 16);
    EXPECT_EQ(job.failed(), 0);
}

TEST_F(Job, ADuplicateIsProcessedOnce) {
    const std::string a = copy_in(dir, "base.jpg", "a.jpg");
    BatchJob job;
    BatchJob::Options o;
    const BatchSettings s = make_settings("REL", 16, 16, "JPG", "0");
    o.settings = s;
    o.threads = 2;
    std::mutex m;
    std::vector<std::size_t> done;
    o.on_picture = [&](const PictureEvent& e) {
        std::lock_guard l(m);
        done.push_back(e.index);
    };
    ASSERT_TRUE(job.start({a, a}, o));
    job.wait();
    EXPECT_EQ(done, (std::vector<std::size_t>{0}));  // the second is the same picture
    EXPECT_EQ(job.total(), 1);
    EXPECT_EQ(job.remaining(), 0);
    EXPECT_EQ(job.failed(), 0);
    EXPECT_EQ(Decoded(a).width(), 16);
}

TEST_F(Job, UnreadablePicturesAreCountedAndNamedWithoutOutput) {
    const std::string bad = copy_in(dir, "corrupt.jpg");
    const std::string good = copy_in(dir, "base.jpg");
    const std::string missing = (dir.folder() / "gone.png").string();
    BatchJob job;
    run_batch(job, {bad, good, missing}, make_settings("REL", 16, 16, "JPG"));
    EXPECT_EQ(job.total(), 3);
    EXPECT_EQ(job.remaining(), 0);
    EXPECT_EQ(job.failed(), 2);
    EXPECT_FALSE(job.stopped());
    EXPECT_EQ(job.failed_pictures(),
              (std::vector<FailedPicture>{{bad, FailReason::Unreadable}, {missing, FailReason::Unreadable}}));
    EXPECT_EQ(folder_names(dir.folder()), (std::vector<std::string>{"base.jpg", "corrupt.jpg", "p_base.jpg"}));
}

TEST_F(Job, ZeroSideUnknownTypeAndUnknownModeAreFailures) {
    const std::string src = copy_in(dir, "base.jpg");
    // 32 x 16 to 1 wide gives a height of 0.
    PictureReport r = process(src, make_settings("REL", 1, 1, "JPG"));
    EXPECT_EQ(r.outcome, PictureOutcome::Failed);
    EXPECT_EQ(r.reason, FailReason::Unresizable);
    r = process(src, make_settings("REL", 16, 16, "GIF"));
    EXPECT_EQ(r.outcome, PictureOutcome::Failed);
    EXPECT_EQ(r.reason, FailReason::Unwritable);
    EXPECT_EQ(folder_names(dir.folder()), std::vector<std::string>{"base.jpg"});

    // An unknown MODE gives no size: "the previous picture's" is none in a
    // batch whose settings cannot change, so every picture fails.
    const std::string b = copy_in(dir, "orient6_ii.jpg", "b.jpg");
    BatchJob job;
    run_batch(job, {src, b}, make_settings("XXX", 24, 12, "PNG"));
    EXPECT_EQ(job.failed_pictures(),
              (std::vector<FailedPicture>{{src, FailReason::Unresizable}, {b, FailReason::Unresizable}}));
    EXPECT_EQ(folder_names(dir.folder()), (std::vector<std::string>{"b.jpg", "base.jpg"}));
}

TEST_F(Job, EntriesSharingAFileFinishInListOrder) {
    // The slow first entry writes p_x.jpg, which the quick second reads: it
    // must read the first one's output, not the file that was there before.
    create_image(960, 1500, 1500, 24, 0x0000FF);  // red
    ASSERT_TRUE(save_image(960, (dir.folder() / "x.png").string(), TAG_PNG));
    create_image(960, 8, 8, 24, 0xFF0000);  // blue
    ASSERT_TRUE(save_image(960, (dir.folder() / "p_x.jpg").string(), TAG_JPEG));
    free_image(960);
    BatchJob job;
    run_batch(job, {(dir.folder() / "x.png").string(), (dir.folder() / "p_x.jpg").string()},
              make_settings("REL", 16, 16, "JPG"), 2);
    const Decoded out((dir.folder() / "p_p_x.jpg").string());
    ASSERT_TRUE(out);
    EXPECT_EQ(nearest(out.bgr(4, 4)), Red);
}

TEST_F(Job, ShrinkOnLoadSize) {
    int w = 0, h = 0;
    for (DecodeScaling scaling : {DecodeScaling::Coarse, DecodeScaling::Filtered}) {
        shrink_on_load_size(4000, 3000, scaling, {0, 600}, w, h);
        EXPECT_EQ(w, 4000);
        EXPECT_EQ(h, 3000);
        shrink_on_load_size(4000, 3000, scaling, {4001, 1500}, w, h);  // wider than the picture: full size
        EXPECT_EQ(w, 4000);
    }
    // A coarse scaled decode keeps twice the target.
    shrink_on_load_size(4000, 3000, DecodeScaling::Coarse, {800, 600}, w, h);
    EXPECT_EQ(w, 1600);
    EXPECT_EQ(h, 1200);
    shrink_on_load_size(4000, 3000, DecodeScaling::Coarse, {2001, 1500}, w, h);  // less than half on one side
    EXPECT_EQ(w, 4000);
    EXPECT_EQ(h, 3000);
    // A filtered one only the target.
    shrink_on_load_size(4000, 3000, DecodeScaling::Filtered, {800, 600}, w, h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    shrink_on_load_size(4000, 3000, DecodeScaling::Filtered, {4000, 3000}, w, h);
    EXPECT_EQ(w, 4000);
    EXPECT_EQ(h, 3000);
}

// A photograph-like test picture: smooth shading, fine texture and hard edges.
void make_photo_like(const std::string& path, int w, int h, FormatTag format = TAG_JPEG) {
    create_image(961, w, h, 24);
    const PixelView v = image_pixels(961);
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 6.0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = v.row_from_top(y) + x * 3;
            const double shade = 110 + 60 * std::sin(x * 0.013) * std::cos(y * 0.021) + 25 * std::sin((x + y) * 0.11);
            const bool box = (x / 97 + y / 131) % 3 == 0;
            for (int c = 0; c < 3; ++c) {
                const double val = shade + (box ? 40 * (c - 1) : 0) + noise(rng);
                p[c] = std::uint8_t(std::clamp(val, 0.0, 255.0));
            }
        }
    ASSERT_TRUE(save_image(961, path, format, 9));
    free_image(961);
}

// Over the pixels [x0, x1) x [y0, y1) counted from the top.
double psnr(const PixelView& a, const PixelView& b, int x0, int y0, int x1, int y1) {
    double sum = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0 * 3; x < x1 * 3; ++x) {
            const double d = double(a.row_from_top(y)[x]) - double(b.row_from_top(y)[x]);
            sum += d * d;
        }
    const double mse = sum / (double(x1 - x0) * (y1 - y0) * 3);
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

// The batch's output of a picture shrunk on load ("fast_" + name) against its
// output from the full decode ("full_" + name), quarter by quarter: an edge
// scaled by the wrong size would shift its far quarters most.
void expect_quarters_close(const TempDir& dir, const std::string& name, const std::string& target, double min_db) {
    const Decoded a((dir.folder() / ("fast_" + name)).string());
    const Decoded full_decode((dir.folder() / ("full_" + name)).string());
    ASSERT_TRUE(a);
    ASSERT_TRUE(full_decode);
    const PixelView b = full_decode.view;
    ASSERT_EQ(a.width(), b.width);
    ASSERT_EQ(a.height(), b.height);
    const int w = b.width, h = b.height;
    const struct {
        const char* name;
        int x0, y0, x1, y1;
    } quarters[] = {{"top", 0, 0, w, h / 4},
                    {"bottom", 0, h - h / 4, w, h},
                    {"left", 0, 0, w / 4, h},
                    {"right", w - w / 4, 0, w, h}};
    for (const auto& q : quarters) {
        const double db = psnr(a.view, b, q.x0, q.y0, q.x1, q.y1);
        ::testing::Test::RecordProperty("psnr_db_" + name + "_target_" + target + "_" + q.name, std::to_string(db));
        EXPECT_GE(db, min_db) << name << ", target " << target << ", " << q.name << " quarter";
    }
}

TEST_F(Job, ShrinkOnLoadStaysWithin48DbOfTheFullDecodeOnEveryQuarter) {
    // 1507 x 851 fills no whole number of pixels at any scale but 1: 6/8
    // decodes 1131 x 639 pixels for 1130.25 x 638.25 of picture. Scaling by
    // the padded size would shift the far quarters by up to half a pixel.
    const std::string src = (dir.folder() / "photo.jpg").string();
    make_photo_like(src, 1507, 851);
    // Scales 7/8, 6/8, 4/8 and 2/8 of the DCT. (1/8 keeps only each block's
    // mean, which this picture's pixel noise punishes by itself: about 49 dB
    // at the top, 48 at the bottom.)
    for (std::int64_t target : {650, 540, 300, 180}) {
        PictureContext fast, full;
        full.shrink_on_load = false;
        BatchSettings s = make_settings("REL", target, target, "PNG", "fast_");
        ASSERT_EQ(process_picture(src, s, fast).outcome, PictureOutcome::Written);
        s.prefix = "full_";
        ASSERT_EQ(process_picture(src, s, full).outcome, PictureOutcome::Written);
        expect_quarters_close(dir, "photo.png", std::to_string(target), 48.0);
    }
}

// The photo-like picture as a JPEG 2000 file from OpenJPEG's own encoder, as
// cameras and scanners write them: the 9/7 wavelet, six resolution levels, 1:20.
void make_jp2(const TempDir& dir, const std::string& name, int w, int h) {
    const std::string png = dir.file("jp2-source.png");
    make_photo_like(png, w, h, TAG_PNG);
    const std::string command =
        "opj_compress -I -r 20 -i '" + png + "' -o '" + dir.file(name) + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << "opj_compress (scripts/install-deps installs it) failed";
    std::filesystem::remove(png);
}

TEST_F(Job, Jpeg2000ShrunkToTheTargetLevelStaysWithin44DbOfTheFullDecode) {
    // Odd sides: every reduced level ends in a partial column and row.
    make_jp2(dir, "photo.jp2", 2011, 1389);
    // The levels are 1006 x 695, 503 x 348, 252 x 174 and 126 x 87: each
    // target is decoded at the smallest that still covers it (the first at
    // full size). Those of exactly a level's size are resampled all the same:
    // the level's picture begins inside its first column and row.
    const BatchSettings targets[] = {make_settings("REL", 1500, 1500, "PNG"), make_settings("REL", 1006, 1006, "PNG"),
                                     make_settings("LIB", 1006, 695, "PNG"),  make_settings("REL", 650, 650, "PNG"),
                                     make_settings("LIB", 503, 348, "PNG"),   make_settings("REL", 300, 300, "PNG"),
                                     make_settings("REL", 180, 180, "PNG")};
    for (BatchSettings s : targets) {
        PictureContext fast, full;
        full.shrink_on_load = false;
        s.prefix = "fast_";
        ASSERT_EQ(process_picture(dir.file("photo.jp2"), s, fast).outcome, PictureOutcome::Written);
        s.prefix = "full_";
        ASSERT_EQ(process_picture(dir.file("photo.jp2"), s, full).outcome, PictureOutcome::Written);
        const std::string target = s.mode == Mode::Free
                                       ? std::to_string(s.free_width) + "x" + std::to_string(s.free_height)
                                       : std::to_string(s.landscape_width);
        expect_quarters_close(dir, "photo.png", target, 44.0);
    }
}

TEST_F(Job, Jpeg2000IsDecodedAtTheSmallestLevelThatCoversTheTarget) {
    // 2011 x 1389 to 300 wide: the 503 x 348 level, not the 1006 x 695 one
    // that twice the target (a JPEG's margin) would take. The memory the
    // picture reserves tells which was decoded: the larger level's samples
    // alone, at the library's 4 bytes each, would take more.
    make_jp2(dir, "scan.jp2", 2011, 1389);
    MemoryBudget budget(std::uint64_t(1) << 30);
    PictureContext c;
    c.memory = &budget;
    const PictureReport r = process_picture(dir.file("scan.jp2"), make_settings("REL", 300, 300, "PNG"), c);
    ASSERT_EQ(r.outcome, PictureOutcome::Written);
    EXPECT_EQ(r.target.width, 300);
    EXPECT_GE(budget.peak(), 503u * 348 * 3);
    EXPECT_LT(budget.peak(), 1006u * 695 * 3 * 4);
    EXPECT_EQ(budget.in_flight(), 0u);
}

TEST_F(Job, StopMidBatchLeavesNoPartialOrTemporaryFile) {
    const std::string big = (dir.folder() / "big0.jpg").string();
    make_photo_like(big, 4000, 3000);
    std::vector<std::string> names{"big0.jpg"};
    PictureList list{big};
    for (int i = 1; i < 6; ++i) {
        names.push_back("big" + std::to_string(i) + ".jpg");
        std::filesystem::copy_file(big, dir.folder() / names.back());
        list.push_back((dir.folder() / names.back()).string());
    }
    const auto original_size = std::filesystem::file_size(big);
    BatchJob job;
    BatchJob::Options o;
    // Big targets need full decodes, which keep each picture busy a while.
    const BatchSettings s = make_settings("REL", 3000, 3000, "JPG", "0");
    o.settings = s;
    o.threads = 2;
    ASSERT_TRUE(job.start(list, o));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    job.stop();
    EXPECT_FALSE(job.running());
    EXPECT_TRUE(job.stopped());
    EXPECT_LT(job.total() - job.remaining(), 6);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(folder_names(dir.folder()), names);  // no temporary file, nothing else
    // Every file is whole: either the untouched source or the complete output.
    int replaced = 0;
    for (const std::string& n : names) {
        const auto path = (dir.folder() / n).string();
        const Decoded d(path);
        ASSERT_TRUE(d) << n;
        if (d.width() == 3000) ++replaced;
        else EXPECT_EQ(std::filesystem::file_size(path), original_size) << n;
    }
    EXPECT_EQ(replaced, job.total() - job.remaining());
}

TEST_F(Job, RefusesASecondStartWhileRunning) {
    const std::string big = (dir.folder() / "big.jpg").string();
    make_photo_like(big, 3000, 2000);
    BatchJob job;
    BatchJob::Options o;
    const std::string copy = (dir.folder() / "copy.jpg").string();
    std::filesystem::copy_file(big, copy);
    const BatchSettings s = make_settings("REL", 2900, 2900, "PNG");
    o.settings = s;
    ASSERT_TRUE(job.start({big, copy}, o));
    EXPECT_FALSE(job.start({big}, o));
    EXPECT_EQ(job.total(), 2);
    job.wait();
    EXPECT_EQ(job.remaining(), 0);
    EXPECT_FALSE(job.start({}, o));
}

// The status loop of the window and of pixmold-batch. The batch is held
// still by a memory budget someone else has spent, so it is surely running
// while it is followed.
TEST_F(Job, FollowingABatchLastsUntilItEndsOrTheDisplayGivesUp) {
    const std::string a = copy_in(dir, "base.jpg", "a.jpg");
    const std::string b = copy_in(dir, "base.jpg", "b.jpg");
    auto budget = std::make_shared<MemoryBudget>(std::uint64_t(64) << 20);
    auto spent = budget->reserve(budget->limit());
    BatchJob job;
    BatchJob::Options o;
    o.settings = make_settings("REL", 16, 16, "JPG");
    o.memory = budget;
    o.threads = 1;  // a is taken first, and alone
    ASSERT_TRUE(job.start({a, b}, o));
    std::vector<BatchProgress> seen;
    EXPECT_FALSE(follow_batch(job, 5, [&](const BatchProgress& p) {
        seen.push_back(p);
        return p.current_output.empty() || seen.size() < 3;  // until a worker has taken its picture
    }));
    ASSERT_GE(seen.size(), 3u);
    EXPECT_TRUE(job.running());
    EXPECT_EQ(seen.back().total, 2);
    EXPECT_EQ(seen.back().remaining, 2);
    EXPECT_EQ(seen.back().current_output, (dir.folder() / "p_a.jpg").string());

    spent = {};  // the batch goes on, and following it now lasts to its end
    EXPECT_TRUE(follow_batch(job, 5, [](const BatchProgress&) { return true; }));
    EXPECT_FALSE(job.running());
    EXPECT_EQ(job.remaining(), 0);
    EXPECT_TRUE(std::filesystem::exists(dir.folder() / "p_a.jpg"));
}

// Counts how often files are opened, by any process and through any library
// (the kernel reports each open of a watched file). Closes are watched too:
// the kernel merges an event with an identical one still unread, so two
// opens in a row would otherwise count once.
class OpenCounter {
public:
    OpenCounter() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~OpenCounter() {
        if (fd_ >= 0) close(fd_);
    }
    OpenCounter(const OpenCounter&) = delete;
    OpenCounter& operator=(const OpenCounter&) = delete;

    bool watch(const std::string& path) {
        const int wd = fd_ >= 0 ? inotify_add_watch(fd_, path.c_str(), IN_OPEN | IN_CLOSE) : -1;
        if (wd < 0) return false;
        paths_[wd] = path;
        return true;
    }
    // Opens of each watched file since the last call (every watched path is listed).
    std::map<std::string, int> opens() {
        std::map<std::string, int> counts;
        for (const auto& [wd, path] : paths_) counts[path] = 0;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t got; (got = read(fd_, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < got;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                if ((e->mask & IN_OPEN) && paths_.count(e->wd)) ++counts[paths_[e->wd]];
                at += ssize_t(sizeof(inotify_event) + e->len);
            }
        }
        return counts;
    }

private:
    int fd_;
    std::map<int, std::string> paths_;
};

TEST_F(Job, EachSourceFileIsOpenedOnce) {
    // Orientation and metadata of every kind that has them: read from the
    // same bytes that are decoded.
    PictureList list;
    OpenCounter counter;
    // (The TIFF under a name of its own: with the PNG's, both would write one output.)
    for (const char* name : {"orient6_ii.jpg", "orient6.png", "orient6.tif", "meta_ii.jpg", "meta.png", "base.jpg"}) {
        list.push_back(copy_in(dir, name, std::string(name) == "orient6.tif" ? "orient6t.tif" : name));
        ASSERT_TRUE(counter.watch(list.back())) << name;
    }
    // And the kinds whose decoders come from other libraries.
    const std::string images = std::string(PIXMOLD_TEST_DATA) + "/image/";
    for (const char* name : {"webp-metadata.webp", "heic-irot-exif.heic", "avif-irot-exif.avif", "jp2-lossy.jp2"}) {
        list.push_back((dir.folder() / name).string());
        std::filesystem::copy_file(images + name, list.back());
        ASSERT_TRUE(counter.watch(list.back())) << name;
    }
    for (int threads : {1, 3}) {
        counter.opens();
        BatchJob job;
        run_batch(job, list, make_settings("REL", 20, 20, "PNG"), threads);
        ASSERT_EQ(job.failed(), 0);
        for (const auto& [path, opens] : counter.opens()) EXPECT_EQ(opens, 1) << path << ", threads " << threads;
    }
    // The files were turned as their tags say: the orientation was read.
    EXPECT_EQ(Decoded((dir.folder() / "p_orient6_ii.png").string()).height(), 20);
    EXPECT_EQ(Decoded((dir.folder() / "p_orient6_ii.png").string()).width(), 10);
    EXPECT_EQ(Decoded((dir.folder() / "p_orient6.png").string()).width(), 10);
    // A 40 x 24 photo: the WebP turned by its EXIF, the HEIC by its container only.
    EXPECT_EQ(Decoded((dir.folder() / "p_webp-metadata.png").string()).width(), 12);
    EXPECT_EQ(Decoded((dir.folder() / "p_heic-irot-exif.png").string()).width(), 20);
}

// Each output comes from its own source: two batches at once (each with
// several workers) never work on each other's pictures.
TEST_F(Job, TwoBatchesAtOnceEachWriteTheirOwnPictures) {
    constexpr int kCount = 24;
    const PictureList a = distinct_pictures(dir, "a", kCount, 0), b = distinct_pictures(dir, "b", kCount, 250);
    ASSERT_EQ(a.size(), std::size_t(kCount));
    ASSERT_EQ(b.size(), std::size_t(kCount));
    BatchJob first, second;
    BatchJob::Options o;
    o.settings = make_settings("LIB", 60, 40, "PNG");
    o.threads = 3;
    ASSERT_TRUE(first.start(a, o));
    ASSERT_TRUE(second.start(b, o));
    first.wait();
    second.wait();
    EXPECT_EQ(first.failed() + second.failed(), 0);
    for (const auto& [stem, shade] : {std::pair{"a", 0}, std::pair{"b", 250}})
        for (int i = 0; i < kCount; ++i) {
            const std::string name = "p_" + std::string(stem) + std::to_string(i) + ".png";
            const Decoded out((dir.folder() / name).string());
            ASSERT_TRUE(out) << name;
            EXPECT_EQ(out.width(), 60) << name;
            EXPECT_EQ(out.height(), 40) << name;
            const std::array<int, 3> want{shade, 10 * i, 255 - 10 * i};
            int worst = 0;
            for (int y = 0; y < out.height(); ++y)
                for (int x = 0; x < out.width(); ++x)
                    for (int k = 0; k < 3; ++k) worst = std::max(worst, std::abs(out.bgr(x, y)[k] - want[k]));
            EXPECT_LE(worst, 1) << name;
        }
}

// The batch works on pictures of its own: the pictures of the window and of
// the editor, whatever their numbers, stay as they are, and the numbered
// table does not grow.
TEST_F(Job, ABatchLeavesTheNumberedPicturesAlone) {
    PictureList list;
    for (const char* name : {"orient6_ii.jpg", "orient6.tif", "base.jpg", "meta.png"}) list.push_back(copy_in(dir, name));
    for (const std::vector<ImageId>& numbers : {std::vector<ImageId>{0, 1}, std::vector<ImageId>{0, 1000, 1001, 1003, 1006}}) {
        std::map<ImageId, ImageHandle> handles;
        for (ImageId n : numbers) {
            ASSERT_NE(create_image(n, 6, 5, 24, 0x00FF00), 0u);
            handles[n] = image_handle(n);
        }
        const ImageHandle loose = create_image(ANY_NUMBER, 4, 4, 32, 0x0000FF);
        ASSERT_NE(loose, 0u);
        const std::size_t capacity = image_store_capacity();
        BatchJob job;
        run_batch(job, list, make_settings("REL", 12, 12, "JPG"), 3);
        EXPECT_EQ(job.failed(), 0);
        EXPECT_EQ(image_store_capacity(), capacity);
        for (const auto& [n, handle] : handles) {
            EXPECT_EQ(image_handle(n), handle) << n;
            const PixelView v = image_pixels(n);
            ASSERT_TRUE(v) << n;
            EXPECT_EQ(v.row_from_top(4)[4], 0xFF) << n;  // green of pixel (1, 4)
            free_image(n);
        }
        EXPECT_EQ(image_width(ImageId(loose)), 4);
        free_image(ImageId(loose));
    }
}

}  // namespace
}  // namespace pixmold
