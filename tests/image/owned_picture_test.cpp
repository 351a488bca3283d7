// Pictures outside the store: a file read once, decoded into a bitmap of its
// own, resized into another and written from a view.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>

#include "image/bitmap.h"
#include "image/file_bytes.h"
#include "image/resample.h"
#include "test_support.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

class OwnedPicture : public EngineTest {};

DecodedPicture decode_file(const std::string& path, const DecodeOptions& options = {}) {
    FileBytes file;
    return file.read(path) ? decode_picture(file.bytes(), options) : DecodedPicture{};
}

// R,G,B,A of the pixel (x, y from the top) of a view.
std::array<int, 4> pixel_of(const PixelView& v, int x, int y) {
    const std::uint8_t* p = v.row_from_top(y) + std::size_t(x) * std::size_t(v.depth / 8);
    return {p[2], p[1], p[0], v.depth == 32 ? p[3] : 255};
}

TEST_F(OwnedPicture, FileBytesHoldTheWholeFileOrNothing) {
    std::vector<std::uint8_t> big(3 << 20);  // from the recycled picture memory
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = std::uint8_t(i * 7 + i / 4099);
    write_file(dir.file("big.bin"), big);
    FileBytes file;
    ASSERT_TRUE(file.read(dir.file("big.bin")));
    ASSERT_EQ(file.bytes().size(), big.size());
    EXPECT_TRUE(std::equal(big.begin(), big.end(), file.bytes().begin()));

    // A failed read drops what was held before.
    EXPECT_FALSE(file.read(dir.file("missing")));
    EXPECT_TRUE(file.bytes().empty());
    ASSERT_TRUE(file.read(dir.file("big.bin")));
    EXPECT_FALSE(file.read(dir.path()));
    EXPECT_TRUE(file.bytes().empty());

    write_file(dir.file("empty"), {});
    EXPECT_TRUE(file.read(dir.file("empty")));
    EXPECT_TRUE(file.bytes().empty());
    FileBytes moved = std::move(file);
    ASSERT_TRUE(moved.read(dir.file("big.bin")));
    moved.clear();
    EXPECT_TRUE(moved.bytes().empty());
}

TEST_F(OwnedPicture, DecodingLeavesTheStoreAlone) {
    ASSERT_NE(create_image(1, 3, 3, 24, 0x0000FF), 0u);
    const ImageHandle before = image_handle(1);
    struct Case {
        const char* name;
        int depth, source_depth;
        FormatTag tag;
    };
    for (const Case& c : {Case{"jpeg-rgb.jpg", 24, 24, TAG_JPEG}, Case{"png-rgba8.png", 32, 32, TAG_PNG},
                          Case{"tiff-rgb.tif", 32, 24, TAG_TIFF}, Case{"bmp-8.bmp", 24, 8, TAG_BMP},
                          Case{"tga-32.tga", 32, 32, TAG_TGA}, Case{"icon-16.ico", 32, 32, TAG_ICON},
                          Case{"webp-lossy.webp", 24, 24, TAG_WEBP}, Case{"heic-alpha.heic", 32, 32, TAG_HEIF},
                          Case{"avif-lossy.avif", 24, 24, TAG_AVIF}, Case{"jp2-lossy.jp2", 24, 24, TAG_JP2}}) {
        const DecodedPicture owned = decode_file(data_path(c.name));
        ASSERT_TRUE(owned) << c.name;
        EXPECT_EQ(owned.bitmap->depth, c.depth) << c.name;
        EXPECT_EQ(owned.source_depth, c.source_depth) << c.name;
        EXPECT_EQ(owned.format_tag, c.tag) << c.name;
        EXPECT_EQ(owned.bitmap->is_icon, c.tag == TAG_ICON) << c.name;
        // The same pixels as the store's decode of the file.
        ASSERT_NE(load_image(2, data_path(c.name)), 0u);
        const PixelView stored = image_pixels(2);
        const PixelView view = owned.bitmap->view();
        ASSERT_EQ(view.width, stored.width);
        ASSERT_EQ(view.height, stored.height);
        ASSERT_EQ(view.stride, stored.stride);
        EXPECT_EQ(std::memcmp(view.pixels, stored.pixels, std::size_t(view.stride) * std::size_t(view.height)), 0)
            << c.name;
        free_image(2);
    }
    EXPECT_EQ(image_handle(1), before);
    EXPECT_EQ(pixel(1, 1, 1), (std::array<int, 4>{255, 0, 0, 255}));
}

TEST_F(OwnedPicture, FailedDecodesGiveNoBitmap) {
    EXPECT_FALSE(decode_picture({}));
    const std::vector<std::uint8_t> garbage(100, 0xEE);
    const DecodedPicture none = decode_picture(garbage);
    EXPECT_FALSE(none);
    EXPECT_EQ(none.format_tag, 0u);
    std::vector<std::uint8_t> icon_like = {0, 0, 1, 0, 1, 0};
    icon_like.resize(64, 0xEE);
    EXPECT_FALSE(decode_picture(icon_like));

    // The memory hook refuses, or a stop comes: no pixels.
    DecodeOptions refuse;
    int asked = 0;
    refuse.before_pixels = [&](const DecodePlan& plan) {
        ++asked;
        EXPECT_EQ(plan.width, 7);
        EXPECT_EQ(plan.depth, 24);
        return plan.height < 0;
    };
    EXPECT_FALSE(decode_file(data_path("png-rgb8.png"), refuse));
    EXPECT_EQ(asked, 1);
    std::atomic<bool> stop{true};
    DecodeOptions stopped;
    stopped.cancel = &stop;
    EXPECT_FALSE(decode_file(data_path("jpeg-rgb.jpg"), stopped));
}

TEST_F(OwnedPicture, ResizedBitmapsHaveCleanPaddingAndRefuseWhatCannotBeResized) {
    // Recycled memory full of white first, so stale bytes would show.
    {
        BitmapPtr white = allocate_bitmap(1001, 400, 24, false);
        ASSERT_TRUE(white);
        std::memset(white->pixels, 0xFF, white->byte_size());
    }
    const DecodedPicture photo = decode_file(data_path("jpeg-rgb.jpg"));
    ASSERT_TRUE(photo);
    const BitmapPtr resized = resize_bitmap(photo.bitmap->view(), 1001, 400);
    ASSERT_TRUE(resized);
    EXPECT_EQ(resized->width, 1001);
    EXPECT_EQ(resized->height, 400);
    EXPECT_EQ(resized->depth, 24);
    for (int y = 0; y < resized->height; ++y) EXPECT_EQ(resized->row(y)[3003], 0);  // 3003 bytes used of 3004

    EXPECT_FALSE(resize_bitmap(photo.bitmap->view(), 0, 10));
    EXPECT_FALSE(resize_bitmap(photo.bitmap->view(), 10, MAX_IMAGE_SIDE + 1));
    EXPECT_FALSE(resize_bitmap(PixelView{}, 10, 10));
    const DecodedPicture icon = decode_file(data_path("icon-16.ico"));
    ASSERT_TRUE(icon);
    EXPECT_FALSE(resize_bitmap(icon.bitmap->view(), 8, 8));
    const std::atomic<bool> stop{true};
    EXPECT_FALSE(resize_bitmap(photo.bitmap->view(), 50, 20, RESIZE_SMOOTH, 1, &stop));
}

TEST_F(OwnedPicture, PixelsAreWrittenFromAViewAtTheDepthAsked) {
    BitmapPtr b = allocate_bitmap(2, 1, 32, true);
    ASSERT_TRUE(b);
    const std::uint8_t px[8] = {10, 20, 30, 0, 10, 20, 30, 255};  // transparent, then opaque
    std::memcpy(b->pixels, px, sizeof px);
    // depth -1: the view's own, alpha kept.
    ASSERT_NE(save_pixels(b->view(), dir.file("alpha.png"), TAG_PNG), 0);
    const DecodedPicture alpha = decode_file(dir.file("alpha.png"));
    ASSERT_TRUE(alpha);
    EXPECT_EQ(alpha.bitmap->depth, 32);
    EXPECT_EQ(pixel_of(alpha.bitmap->view(), 0, 0)[3], 0);
    EXPECT_EQ(pixel_of(alpha.bitmap->view(), 1, 0), (std::array<int, 4>{30, 20, 10, 255}));
    // 24: flattened onto white.
    ASSERT_NE(save_pixels(b->view(), dir.file("flat.png"), TAG_PNG, 7, 24), 0);
    const DecodedPicture flat = decode_file(dir.file("flat.png"));
    ASSERT_TRUE(flat);
    EXPECT_EQ(flat.bitmap->depth, 24);
    EXPECT_EQ(pixel_of(flat.bitmap->view(), 0, 0), (std::array<int, 4>{255, 255, 255, 255}));

    // Refused before any file is made; a writer's failure is told.
    FileError error = FileError::NoSpace;
    EncodeOptions options;
    options.file_error = &error;
    const DecodedPicture icon = decode_file(data_path("icon-16.ico"));
    ASSERT_TRUE(icon);
    EXPECT_EQ(save_pixels(icon.bitmap->view(), dir.file("icon.png"), TAG_PNG, 7, -1, options), 0);
    EXPECT_EQ(error, FileError::None);
    EXPECT_EQ(save_pixels(PixelView{}, dir.file("none.png"), TAG_PNG, 7, -1, options), 0);
    EXPECT_EQ(save_pixels(b->view(), dir.file("x.gif"), FormatTag(0x00464947), 7, -1, options), 0);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"alpha.png", "flat.png"}));
    EXPECT_EQ(save_pixels(b->view(), dir.file("gone/x.png"), TAG_PNG, 7, -1, options), 0);
    EXPECT_EQ(error, FileError::NoFolder);
}

}  // namespace
}  // namespace pixmold
