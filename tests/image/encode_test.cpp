// Encoders: quality mapping, flattening onto white, palette output, BMP
// depths, metadata, and saves that must never destroy an existing file.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>

#include "test_support.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

class Encode : public EngineTest {};

// Fills number `n` from a reference picture (24-bit, or 32-bit with alpha).
void put_picture(ImageId n, const Rgba& ref, int depth) {
    ASSERT_NE(create_image(n, ref.width, ref.height, depth), 0u);
    const PixelView v = image_pixels(n);
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            std::uint8_t* p = v.row_from_top(y) + std::size_t(x) * std::size_t(depth / 8);
            const auto& c = ref.at(x, y);
            p[0] = std::uint8_t(c[2]);
            p[1] = std::uint8_t(c[1]);
            p[2] = std::uint8_t(c[0]);
            if (depth == 32) p[3] = std::uint8_t(c[3]);
        }
}

void noise(ImageId n, int w, int h, int depth) {
    ASSERT_NE(create_image(n, w, h, depth), 0u);
    const PixelView v = image_pixels(n);
    std::mt19937 rng(7);
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < w * depth / 8; ++i) v.row_from_top(y)[i] = std::uint8_t(rng());
}

struct PngInfo {
    int width = 0, height = 0, bit_depth = 0, colour_type = -1, palette_entries = 0;
    bool trns = false, iccp = false, exif = false;
};

PngInfo png_info(const std::vector<std::uint8_t>& f) {
    PngInfo info;
    auto be32 = [&](std::size_t at) {
        return std::uint32_t(f[at]) << 24 | std::uint32_t(f[at + 1]) << 16 | std::uint32_t(f[at + 2]) << 8 | f[at + 3];
    };
    for (std::size_t at = 8; at + 8 <= f.size();) {
        const std::uint32_t length = be32(at);
        const std::string type(f.begin() + long(at) + 4, f.begin() + long(at) + 8);
        if (type == "IHDR") {
            info.width = int(be32(at + 8));
            info.height = int(be32(at + 12));
            info.bit_depth = f[at + 16];
            info.colour_type = f[at + 17];
        }
        if (type == "PLTE") info.palette_entries = int(length / 3);
        info.trns |= type == "tRNS";
        info.iccp |= type == "iCCP";
        info.exif |= type == "eXIf";
        at += 12 + length;
    }
    return info;
}

TEST_F(Encode, JpegQualityMapsToTimesTenWithLibraryDefaults) {
    // Same pixels through cjpeg -quality 80: the files must be identical.
    put_picture(1, read_netpbm(data_path("src-photo.ppm")), 24);
    ASSERT_NE(save_image(1, dir.file("q8.jpg"), TAG_JPEG, 8), 0);
    EXPECT_EQ(read_file(dir.file("q8.jpg")), read_file(data_path("jpeg-q80.ref.jpg")));
    ASSERT_NE(save_image(1, dir.file("q10.jpg"), TAG_JPEG, 10), 0);
    EXPECT_EQ(read_file(dir.file("q10.jpg")), read_file(data_path("jpeg-q100.ref.jpg")));
    ASSERT_NE(save_image(1, dir.file("q11.jpg"), TAG_JPEG, 11), 0);
    EXPECT_EQ(read_file(dir.file("q11.jpg")), read_file(dir.file("q10.jpg")));
    ASSERT_NE(save_image(1, dir.file("q0.jpg"), TAG_JPEG, 0), 0);
    ASSERT_NE(save_image(1, dir.file("qm3.jpg"), TAG_JPEG, -3), 0);
    EXPECT_EQ(read_file(dir.file("q0.jpg")), read_file(dir.file("qm3.jpg")));
    EXPECT_NE(read_file(dir.file("q0.jpg")), read_file(dir.file("q8.jpg")));
    // A JPEG written from 32 bits is read back as 24-bit RGB.
    ASSERT_NE(load_image(2, dir.file("q8.jpg")), 0u);
    EXPECT_EQ(is_image(2)->source_depth, 24);
    EXPECT_LE(max_difference(2, read_netpbm(data_path("src-photo.ppm")), false), 40);
}

TEST_F(Encode, ThirtyTwoBitsAreFlattenedOntoWhite) {
    ASSERT_NE(create_image(1, 3, 1, 32, -1), 0u);
    std::uint8_t* p = image_pixels(1).pixels;
    const std::uint8_t px[12] = {10, 20, 30, 0, 10, 20, 30, 255, 0, 100, 255, 128};
    std::memcpy(p, px, sizeof px);
    ASSERT_NE(save_image(1, dir.file("flat.bmp"), TAG_BMP, 7, 24), 0);
    ASSERT_NE(load_image(2, dir.file("flat.bmp")), 0u);
    EXPECT_EQ(pixel(2, 0, 0), (std::array<int, 4>{255, 255, 255, 255}));  // alpha 0: white
    EXPECT_EQ(pixel(2, 1, 0), (std::array<int, 4>{30, 20, 10, 255}));     // opaque: unchanged
    EXPECT_EQ(pixel(2, 2, 0), (std::array<int, 4>{255, 177, 127, 255}));   // blue 0 at alpha 128 -> 127
    // JPEG has no 32-bit path: a transparent picture comes out white.
    ASSERT_NE(create_image(3, 16, 16, 32, -1), 0u);
    ASSERT_NE(save_image(3, dir.file("clear.jpg"), TAG_JPEG, 8), 0);
    ASSERT_NE(load_image(4, dir.file("clear.jpg")), 0u);
    EXPECT_EQ(pixel(4, 7, 7), (std::array<int, 4>{255, 255, 255, 255}));
}

TEST_F(Encode, PngTrueColourKeepsEveryPixel) {
    const Rgba rgb = read_netpbm(data_path("src-rgb.ppm")), rgba = read_netpbm(data_path("src-rgba.pam"));
    put_picture(1, rgb, 24);
    ASSERT_NE(save_image(1, dir.file("rgb.png"), TAG_PNG), 0);
    PngInfo info = png_info(read_file(dir.file("rgb.png")));
    EXPECT_EQ(info.colour_type, 2);
    EXPECT_EQ(info.bit_depth, 8);
    ASSERT_NE(load_image(2, dir.file("rgb.png")), 0u);
    EXPECT_EQ(max_difference(2, rgb, false), 0);

    put_picture(1, rgba, 32);
    ASSERT_NE(save_image(1, dir.file("rgba.png"), TAG_PNG), 0);
    EXPECT_EQ(png_info(read_file(dir.file("rgba.png"))).colour_type, 6);
    ASSERT_NE(load_image(2, dir.file("rgba.png")), 0u);
    EXPECT_EQ(max_difference(2, rgba, true), 0);

    // A 32-bit picture from a 24-bit TIFF is flattened and written as RGB.
    ASSERT_NE(load_image(3, data_path("tiff-rgb.tif")), 0u);
    ASSERT_NE(save_image(3, dir.file("from-tiff.png"), TAG_PNG), 0);
    EXPECT_EQ(png_info(read_file(dir.file("from-tiff.png"))).colour_type, 2);
}

TEST_F(Encode, PngPaletteOfTwoToTheDepthColours) {
    // A 256-colour palette source stays a 256-entry palette PNG.
    ASSERT_NE(load_image(1, data_path("png-pal8.png")), 0u);
    ASSERT_NE(save_image(1, dir.file("pal.png"), TAG_PNG), 0);
    PngInfo info = png_info(read_file(dir.file("pal.png")));
    EXPECT_EQ(info.colour_type, 3);
    EXPECT_EQ(info.bit_depth, 8);
    EXPECT_EQ(info.palette_entries, 256);
    EXPECT_FALSE(info.trns);

    for (int d : {2, 4}) {
        ASSERT_NE(save_image(1, dir.file("d.png"), TAG_PNG, 7, d), 0) << d;
        info = png_info(read_file(dir.file("d.png")));
        EXPECT_EQ(info.colour_type, 3);
        EXPECT_EQ(info.bit_depth, d);
        EXPECT_EQ(info.palette_entries, 1 << d);
    }
    // libpng has no 3-bit palettes: the save fails and writes nothing.
    EXPECT_EQ(save_image(1, dir.file("d3.png"), TAG_PNG, 7, 3), 0);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"d.png", "pal.png"}));
}

// A picture of 20 x 20 blocks in the 40 colours of src-pal40.ppm.
Rgba forty_colour_blocks() {
    const Rgba pal = read_netpbm(data_path("src-pal40.ppm"));
    Rgba out;
    out.width = 160;
    out.height = 100;
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) out.px.push_back(pal.px[std::size_t((x / 20 + 8 * (y / 20)) % 35)]);
    return out;
}

TEST_F(Encode, PaletteKeepsTheColoursOfAFewColourPicture) {
    const Rgba blocks = forty_colour_blocks();
    put_picture(1, blocks, 24);
    ASSERT_NE(save_image(1, dir.file("p8.png"), TAG_PNG, 7, 8), 0);
    ASSERT_NE(load_image(2, dir.file("p8.png")), 0u);
    EXPECT_LE(max_difference(2, blocks, false), 4);
    ASSERT_NE(save_image(1, dir.file("p8.bmp"), TAG_BMP, 7, 8), 0);
    ASSERT_NE(load_image(2, dir.file("p8.bmp")), 0u);
    EXPECT_LE(max_difference(2, blocks, false), 4);
}

TEST_F(Encode, OneBitIsALuminanceThreshold) {
    // Luminance 0.2126 R + 0.7152 G + 0.0722 B against 160.
    ASSERT_NE(create_image(1, 4, 1, 24), 0u);
    std::uint8_t* p = image_pixels(1).pixels;
    const std::uint8_t px[12] = {0, 224, 0, 0, 223, 0, 255, 255, 255, 255, 0, 255};  // G 224 -> 160.2, G 223 -> 159.5
    std::memcpy(p, px, sizeof px);
    ASSERT_NE(save_image(1, dir.file("bw.png"), TAG_PNG, 7, 1), 0);
    const PngInfo info = png_info(read_file(dir.file("bw.png")));
    EXPECT_EQ(info.bit_depth, 1);
    EXPECT_EQ(info.palette_entries, 2);
    ASSERT_NE(load_image(2, dir.file("bw.png")), 0u);
    EXPECT_EQ(pixel(2, 0, 0)[0], 255);
    EXPECT_EQ(pixel(2, 1, 0)[0], 0);
    EXPECT_EQ(pixel(2, 2, 0)[0], 255);
    EXPECT_EQ(pixel(2, 3, 0)[0], 0);
}

TEST_F(Encode, NeuQuantFindsTheColoursOfAFewColourPicture) {
    // Four flat colours on a large picture: a 16-entry palette must hold each closely.
    const int w = 200, h = 120;
    ASSERT_NE(create_image(1, w, h, 24), 0u);
    const PixelView v = image_pixels(1);
    const std::uint8_t colours[4][3] = {{20, 40, 200}, {250, 250, 250}, {0, 160, 30}, {90, 10, 90}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) std::memcpy(v.row_from_top(y) + x * 3, colours[(x / 50 + y / 60) % 4], 3);
    ASSERT_NE(save_image(1, dir.file("four.png"), TAG_PNG, 7, 4), 0);
    ASSERT_NE(load_image(2, dir.file("four.png")), 0u);
    int worst = 0;
    for (int y = 0; y < h; y += 7)
        for (int x = 0; x < w; x += 5) {
            const auto got = pixel(2, x, y);
            const std::uint8_t* want = colours[(x / 50 + y / 60) % 4];
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(got[std::size_t(c)] - want[2 - c]));
        }
    EXPECT_LE(worst, 6);
}

TEST_F(Encode, BmpEveryDepth) {
    ASSERT_NE(load_image(1, data_path("bmp-4.bmp")), 0u);  // 16 colours
    for (int d : {1, 4, 8, 24, 32}) {
        const std::string path = dir.file("out" + std::to_string(d) + ".bmp");
        ASSERT_NE(save_image(1, path, TAG_BMP, 7, d), 0) << d;
        const auto f = read_file(path);
        ASSERT_GE(f.size(), 54u);
        EXPECT_EQ(f[0], 'B');
        EXPECT_EQ(f[28], d);
        const std::uint32_t offset = f[10] | f[11] << 8;
        EXPECT_EQ(offset, 54u + (d <= 8 ? 4u << d : 0u));
        EXPECT_EQ(f.size(), offset + stride_for(7, d) * 5);
        ASSERT_NE(load_image(2, path), 0u) << d;
        EXPECT_EQ(is_image(2)->source_depth, d);
        if (d >= 24) {
            EXPECT_EQ(max_difference(2, read_netpbm(data_path("src-pal16.ppm")), false), 0) << d;
        }
    }
    EXPECT_EQ(save_image(1, dir.file("bad.bmp"), TAG_BMP, 7, 16), 0);
    // A 24-bit picture written as 32 bits gets a zero fourth byte.
    const auto f = read_file(dir.file("out32.bmp"));
    EXPECT_EQ(f[54 + 3], 0);
}

TEST_F(Encode, MetadataRoundTrips) {
    // A small well-formed profile: header and one text tag. (libpng 1.6.39
    // cannot read back an iCCP chunk that compresses below about 85 bytes,
    // so the text is made varied enough not to.)
    std::vector<std::uint8_t> icc(200, 0);
    icc[3] = 200;
    icc[131] = 1;  // one tag: 'cprt' at 144, 56 bytes of type 'text'
    std::memcpy(&icc[132], "cprt", 4);
    icc[139] = 144;
    icc[143] = 56;
    std::memcpy(&icc[144], "text", 4);
    for (int i = 152; i < 199; ++i) icc[std::size_t(i)] = std::uint8_t('!' + (i * 37) % 90);
    std::memcpy(&icc[12], "mntr", 4);
    std::memcpy(&icc[16], "RGB ", 4);
    std::memcpy(&icc[20], "XYZ ", 4);
    std::memcpy(&icc[36], "acsp", 4);
    icc[8] = 2;  // version 2
    const std::uint8_t d50[12] = {0, 0, 0xF6, 0xD6, 0, 1, 0, 0, 0, 0, 0xD3, 0x2D};
    std::memcpy(&icc[68], d50, 12);
    Metadata in;
    in.icc = icc;
    in.exif = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EncodeOptions options;
    options.metadata = &in;
    put_picture(1, read_netpbm(data_path("src-rgb.ppm")), 24);
    for (FormatTag tag : {TAG_JPEG, TAG_PNG}) {
        const std::string path = dir.file(tag == TAG_JPEG ? "m.jpg" : "m.png");
        ASSERT_NE(save_image(1, path, tag, 8, -1, options), 0);
        Metadata out;
        DecodeOptions decode;
        decode.metadata = &out;
        ASSERT_NE(load_image(2, path, decode), 0u);
        EXPECT_EQ(out.icc, in.icc) << path;
        EXPECT_EQ(out.exif, in.exif) << path;
    }
    EXPECT_TRUE(png_info(read_file(dir.file("m.png"))).iccp);
    // Too big for one APP1 segment: left out, the picture still saved.
    in.exif.resize(70000, 0);
    ASSERT_NE(save_image(1, dir.file("big.jpg"), TAG_JPEG, 8, -1, options), 0);
    Metadata out;
    DecodeOptions decode;
    decode.metadata = &out;
    ASSERT_NE(load_image(2, dir.file("big.jpg"), decode), 0u);
    EXPECT_TRUE(out.exif.empty());
    EXPECT_EQ(out.icc, in.icc);
}

TEST_F(Encode, ExifWrittenByExiftoolIsRead) {
    Metadata out;
    DecodeOptions decode;
    decode.metadata = &out;
    ASSERT_NE(load_image(1, data_path("jpeg-exif.jpg"), decode), 0u);
    ASSERT_GE(out.exif.size(), 8u);
    const bool le = out.exif[0] == 'I';
    auto u16 = [&](std::size_t at) { return le ? out.exif[at] | out.exif[at + 1] << 8 : out.exif[at] << 8 | out.exif[at + 1]; };
    auto u32 = [&](std::size_t at) { return le ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2); };
    const std::size_t ifd = std::size_t(u32(4));
    int orientation = 0;
    for (int i = 0; i < u16(ifd); ++i) {
        const std::size_t e = ifd + 2 + std::size_t(i) * 12;
        if (u16(e) == 0x0112) orientation = u16(e + 8);
    }
    EXPECT_EQ(orientation, 6);
}

TEST_F(Encode, RowsWrittenAsTheyComeGiveTheWholePicturesFile) {
    std::mt19937 rng(77);
    Metadata meta;
    meta.icc.assign(600, 0x42);
    EncodeOptions options;
    options.metadata = &meta;
    struct Case {
        FormatTag format;
        int pixels, depth;
        bool writes;
    } cases[] = {{TAG_JPEG, 24, -1, true},  {TAG_PNG, 24, -1, true},   {TAG_PNG, 32, 32, true},
                 {TAG_PNG, 24, 16, true},   {TAG_PNG, 24, 8, false},   {TAG_PNG, 32, 24, false},
                 {TAG_JPEG, 32, -1, false}, {TAG_WEBP, 24, -1, false}, {TAG_BMP, 24, -1, false}};
    for (const Case& c : cases) {
        ASSERT_NE(create_image(1, 61, 45, c.pixels), 0u);
        const PixelView v = image_pixels(1);
        for (int y = 0; y < v.height; ++y)
            for (int x = 0; x < v.width * c.pixels / 8; ++x) v.row_from_top(y)[x] = std::uint8_t(rng() % 256);
        ASSERT_TRUE(save_pixels(v, dir.file("whole"), c.format, 8, c.depth, options));
        RowWriter writer;
        const std::string path = dir.file("rows");
        ASSERT_EQ(writer.open(path, v.width, v.height, c.pixels, c.format, 8, c.depth, options), c.writes)
            << c.format << " " << c.pixels << " " << c.depth;
        if (!c.writes) {
            EXPECT_FALSE(std::filesystem::exists(path));
            continue;
        }
        for (int y = 0; y < v.height; y += 7) {
            const std::uint8_t* rows[7];
            const int n = std::min(7, v.height - y);
            for (int k = 0; k < n; ++k) rows[k] = v.row_from_top(y + k);
            ASSERT_TRUE(writer.put(rows, n));
            EXPECT_FALSE(std::filesystem::exists(path)) << "named only once complete";
        }
        ASSERT_TRUE(writer.commit());
        EXPECT_EQ(read_file(path), read_file(dir.file("whole"))) << c.format << " " << c.pixels << " " << c.depth;
        std::filesystem::remove(path);
    }
    // A file short of rows is never named.
    RowWriter short_of_rows;
    ASSERT_TRUE(short_of_rows.open(dir.file("short"), 61, 45, 24, TAG_JPEG, 8, -1, options));
    EXPECT_FALSE(short_of_rows.commit());
    EXPECT_FALSE(std::filesystem::exists(dir.file("short")));
}

TEST_F(Encode, RefusedSavesTouchNothing) {
    ASSERT_NE(create_image(1, 4, 4), 0u);
    EXPECT_EQ(save_image(1, "", TAG_PNG), 0);
    EXPECT_EQ(save_image(9, dir.file("none.png"), TAG_PNG), 0);
    EXPECT_EQ(save_image(1, dir.file("x.tif"), TAG_TIFF), 0);
    // A folder that does not exist: 0, and nothing is created.
    EXPECT_EQ(save_image(1, dir.file("missing/out.png"), TAG_PNG), 0);
    EXPECT_TRUE(dir.entries().empty());
    // Icons cannot be saved.
    ASSERT_NE(load_image(2, data_path("icon-16.ico")), 0u);
    EXPECT_EQ(save_image(2, dir.file("icon.png"), TAG_PNG), 0);
    EXPECT_TRUE(dir.entries().empty());
}

TEST_F(Encode, SavingReplacesAnExistingFileKeepingItsMode) {
    write_file(dir.file("out.png"), {'o', 'l', 'd'});
    ASSERT_EQ(chmod(dir.file("out.png").c_str(), 0640), 0);
    ASSERT_NE(create_image(1, 4, 4), 0u);
    ASSERT_NE(save_image(1, dir.file("out.png"), TAG_PNG), 0);
    EXPECT_EQ(png_info(read_file(dir.file("out.png"))).width, 4);
    struct stat st {};
    ASSERT_EQ(stat(dir.file("out.png").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.png"});
}

// Lets writes stop with EFBIG after `bytes` for the lifetime of the object.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = old_;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, old_handler_);
    }

private:
    rlimit old_{};
    void (*old_handler_)(int) = nullptr;
};

TEST_F(Encode, ASaveThatFailsHalfWayLeavesTheOldFile) {
    noise(1, 600, 400, 24);
    noise(2, 300, 300, 32);
    const std::vector<std::uint8_t> original = {'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'};
    struct Case {
        ImageId n;
        FormatTag tag;
        int depth;
        const char* name;
    };
    for (const Case& c : {Case{1, TAG_JPEG, -1, "a.jpg"}, Case{1, TAG_PNG, -1, "a.png"}, Case{2, TAG_PNG, -1, "b.png"},
                          Case{1, TAG_PNG, 8, "c.png"}, Case{1, TAG_BMP, 24, "a.bmp"}, Case{2, TAG_BMP, 32, "b.bmp"}}) {
        write_file(dir.file(c.name), original);
        int result;
        {
            FileSizeLimit limit(20000);
            result = save_image(c.n, dir.file(c.name), c.tag, 9, c.depth);
        }
        EXPECT_EQ(result, 0) << c.name;
        EXPECT_EQ(read_file(dir.file(c.name)), original) << c.name;
        EXPECT_EQ(dir.entries(), std::vector<std::string>{c.name}) << "temporary file left by " << c.name;
        std::remove(dir.file(c.name).c_str());
    }
}

TEST_F(Encode, CancelledSaveLeavesNoFile) {
    noise(1, 64, 64, 24);
    std::atomic<bool> cancel{true};
    EncodeOptions options;
    options.cancel = &cancel;
    for (FormatTag tag : {TAG_JPEG, TAG_PNG, TAG_BMP}) {
        EXPECT_EQ(save_image(1, dir.file("out"), tag, 8, -1, options), 0);
        EXPECT_TRUE(dir.entries().empty());
    }
}

}  // namespace
}  // namespace pixmold
