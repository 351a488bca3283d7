// JPEG files damaged in the scan data fail to decode rather than come out
// partly grey; harmless oddities (extra bytes before a marker) still decode.
// The damaged files are made here from good ones written by libjpeg.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstring>

#include "jpeg_damage.h"
#include "test_support.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

// Restarts: a restart marker after every row of blocks. ScanPerComponent:
// sequential, but each colour component in a scan of its own.
enum class Coding { Baseline, Progressive, Restarts, ScanPerComponent };
constexpr Coding kAllCodings[] = {Coding::Baseline, Coding::Progressive, Coding::Restarts, Coding::ScanPerComponent};

// A 160 x 120 photograph-like picture (shading, texture, edges) at quality 90, 4:2:0.
Bytes make_jpeg(Coding coding) {
    unsigned seed = 1;
    return libjpeg_encode(
        160, 120, 3, JCS_RGB,
        [&](jpeg_compress_struct& cinfo) {
            jpeg_set_quality(&cinfo, 90, TRUE);
            if (coding == Coding::Progressive) jpeg_simple_progression(&cinfo);
            if (coding == Coding::Restarts) cinfo.restart_in_rows = 1;
            static const jpeg_scan_info one_each[3] = {{1, {0}, 0, 63, 0, 0}, {1, {1}, 0, 63, 0, 0}, {1, {2}, 0, 63, 0, 0}};
            if (coding == Coding::ScanPerComponent) {
                cinfo.scan_info = one_each;
                cinfo.num_scans = 3;
            }
        },
        [&](int y, std::uint8_t* row) {
            for (int x = 0; x < 160; ++x) {
                seed = seed * 1103515245u + 12345u;
                const double shade = 120 + 70 * std::sin(x * 0.05) * std::cos(y * 0.07) + double(seed >> 27);
                const bool box = (x / 23 + y / 17) % 3 == 0;
                for (int c = 0; c < 3; ++c)
                    row[x * 3 + c] = std::uint8_t(std::clamp(shade + (box ? 50.0 * (c - 1) : 0.0), 0.0, 255.0));
            }
        });
}

const char* name(Coding c) {
    switch (c) {
    case Coding::Baseline: return "baseline";
    case Coding::Progressive: return "progressive";
    case Coding::Restarts: return "restart markers";
    case Coding::ScanPerComponent: return "a scan per component";
    }
    return "";
}

class DamagedJpeg : public EngineTest {
protected:

    // Whether the bytes decode; a failure must also leave the number empty.
    static bool decodes(const Bytes& bytes, const DecodeOptions& options = {}) {
        create_image(1, 2, 2);
        const bool ok = catch_image(1, bytes.data(), bytes.size(), options) != 0;
        EXPECT_EQ(ok, is_image(1).has_value());
        return ok;
    }
    // The decoded pixels, row by row from the top (empty when the decode fails).
    static Bytes pixels_of(const Bytes& bytes) {
        Bytes out;
        if (!catch_image(2, bytes.data(), bytes.size())) return out;
        const PixelView v = image_pixels(2);
        for (int y = 0; y < v.height; ++y) out.insert(out.end(), v.row_from_top(y), v.row_from_top(y) + v.width * 3);
        return out;
    }
};

TEST_F(DamagedJpeg, TheGoodFilesDecodeAndHaveWhatTheTestsCut) {
    for (Coding c : kAllCodings) {
        const Bytes good = make_jpeg(c);
        EXPECT_TRUE(decodes(good)) << name(c);
        const auto scans = jpeg_scans(good);
        EXPECT_EQ(scans.size(), c == Coding::Progressive ? 10u : c == Coding::ScanPerComponent ? 3u : 1u) << name(c);
        EXPECT_GT(scan_bytes(scans), 5000u) << name(c);
    }
}

TEST_F(DamagedJpeg, AnEndMarkerInsideTheScansFails) {
    // The rest of the picture would be grey (baseline) or the finer detail
    // and colour missing (progressive).
    for (Coding c : kAllCodings)
        for (double fraction : {0.05, 0.3, 0.7, 0.85}) {
            const Bytes damaged = end_marker_early(make_jpeg(c), fraction);
            EXPECT_FALSE(decodes(damaged)) << name(c) << ", end marker after " << fraction << " of the scan data";
        }
}

TEST_F(DamagedJpeg, AnEndMarkerBetweenScansFails) {
    // No warning from libjpeg here: the scans that came leave coefficients
    // short of full precision, or components without any data.
    for (Coding c : {Coding::Progressive, Coding::ScanPerComponent}) {
        const Bytes good = make_jpeg(c);
        for (std::size_t scans = 1; scans < jpeg_scans(good).size(); ++scans)
            EXPECT_FALSE(decodes(end_marker_after_scans(good, scans))) << name(c) << ", end marker after scan " << scans;
    }
}

TEST_F(DamagedJpeg, ScaledDecodesFailToo) {
    // Scaling by the DCT changes the rows per block, which the check of how
    // much data is missing works in.
    DecodeOptions quarter;
    quarter.min_size = [](int, int, DecodeScaling, int& w, int& h) { w = 40, h = 30; };
    for (Coding c : {Coding::Baseline, Coding::Progressive, Coding::ScanPerComponent}) {
        const Bytes good = make_jpeg(c);
        ASSERT_TRUE(decodes(good, quarter));
        EXPECT_EQ(image_width(1), 40);
        EXPECT_FALSE(decodes(end_marker_early(good, 0.3), quarter)) << name(c);
        EXPECT_FALSE(decodes(cut_short(good, 0.3), quarter)) << name(c);
        EXPECT_FALSE(decodes(corrupt_scan(good, 0.4), quarter)) << name(c);
    }
}

TEST_F(DamagedJpeg, CutFilesFail) {
    for (Coding c : kAllCodings)
        for (double fraction : {0.3, 0.9})
            EXPECT_FALSE(decodes(cut_short(make_jpeg(c), fraction))) << name(c) << ", cut at " << fraction;
}

TEST_F(DamagedJpeg, CorruptScanDataFails) {
    for (Coding c : kAllCodings)
        for (double fraction : {0.1, 0.4, 0.8})
            EXPECT_FALSE(decodes(corrupt_scan(make_jpeg(c), fraction))) << name(c) << ", corrupt at " << fraction;
    // Restart markers out of order: the segments in between are lost.
    for (double fraction : {0.2, 0.6})
        EXPECT_FALSE(decodes(skip_restart_marker(make_jpeg(Coding::Restarts), fraction))) << fraction;
}

TEST_F(DamagedJpeg, ExtraBytesBeforeAMarkerStillGiveThePicture) {
    for (Coding c : kAllCodings) {
        const Bytes good = make_jpeg(c);
        const Bytes want = pixels_of(good);
        ASSERT_FALSE(want.empty());
        EXPECT_EQ(pixels_of(garbage_before_scan(good, 0)), want) << name(c) << ", before the first scan";
        EXPECT_EQ(pixels_of(garbage_before_end_marker(good)), want) << name(c) << ", before the end marker";
        const std::size_t scans = jpeg_scans(good).size();
        if (scans > 1) {
            EXPECT_EQ(pixels_of(garbage_before_scan(good, scans / 2)), want) << name(c) << ", before a later scan";
        }
    }
}

TEST_F(DamagedJpeg, ASingleScanFileMissingOnlyItsEndMarkerIsAccepted) {
    for (Coding c : {Coding::Baseline, Coding::Restarts}) {
        const Bytes good = make_jpeg(c);
        const Bytes want = pixels_of(good);
        EXPECT_EQ(pixels_of(Bytes(good.begin(), good.end() - 2)), want) << name(c);
    }
}

}  // namespace
}  // namespace pixmold
