// resize_image on stored pictures: sizes, KEEP_SIZE, what survives, failures.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/image.h"
#include "image/resample.h"
#include "image/resample_internal.h"

namespace pixmold {
namespace {

class ResizeImage : public ::testing::Test {
protected:
    void SetUp() override { init_image_engine(); }
    void TearDown() override {
        resample::set_scratch_limit(0);
        free_all_images();
    }
};

std::vector<std::uint8_t> snapshot(ImageId n) {
    const PixelView v = image_pixels(n);
    return std::vector<std::uint8_t>(v.pixels, v.pixels + std::size_t(v.stride) * v.height);
}

TEST_F(ResizeImage, SameSizeReturnsTheHandleAndLeavesPixelsAlone) {
    ASSERT_NE(create_image(1, 40, 30, 32, 0x102030), 0u);
    PixelView v = image_pixels(1);
    v.pixels[5] = 77;  // a pixel the smooth filter would blur
    const ImageHandle before = image_handle(1);
    const auto bytes = snapshot(1);
    EXPECT_EQ(resize_image(1, 40, 30), before);
    EXPECT_EQ(resize_image(1, KEEP_SIZE, KEEP_SIZE), before);
    EXPECT_EQ(resize_image(1, 40, KEEP_SIZE, RESIZE_RAW), before);
    EXPECT_EQ(image_handle(1), before);
    EXPECT_EQ(snapshot(1), bytes);
}

TEST_F(ResizeImage, KeepSizeHoldsOneDimension) {
    ASSERT_NE(create_image(2, 64, 48, 24, 0x808080), 0u);
    ASSERT_NE(resize_image(2, 20, KEEP_SIZE), 0u);
    EXPECT_EQ(image_width(2), 20);
    EXPECT_EQ(image_height(2), 48);
    ASSERT_NE(resize_image(2, KEEP_SIZE, 7), 0u);
    EXPECT_EQ(image_width(2), 20);
    EXPECT_EQ(image_height(2), 7);
}

TEST_F(ResizeImage, KeepsNumberDepthSourceDepthAndTagAndReturnsTheNewHandle) {
    for (int depth : {24, 32}) {
        ASSERT_NE(create_image(3, 50, 50, depth, 0x00FF8040), 0u);
        const ImageHandle h = resize_image(3, 25, 70);
        ASSERT_NE(h, 0u);
        EXPECT_EQ(h, image_handle(3));
        const std::optional<Image> img = is_image(3);
        ASSERT_TRUE(img);
        EXPECT_EQ(img->depth, depth);
        EXPECT_EQ(img->source_depth, depth);
        EXPECT_EQ(img->width, 25);
        EXPECT_EQ(img->height, 70);
        // Uniform colour survives exactly, in the right byte order.
        const PixelView v = image_pixels(3);
        EXPECT_EQ(v.row_from_top(69)[0], 0xFF);
        EXPECT_EQ(v.row_from_top(0)[depth / 8 * 24 + 2], 0x40);
    }
}

TEST_F(ResizeImage, PicturesUnderAnyNumberIdentifiersResizeInPlace) {
    const ImageId id = ImageId(create_image(ANY_NUMBER, 10, 10, 24, 0x123456));
    ASSERT_NE(id, 0);
    ASSERT_NE(resize_image(id, 30, 5, RESIZE_RAW), 0u);
    EXPECT_EQ(image_width(id), 30);
    EXPECT_EQ(image_height(id), 5);
    EXPECT_EQ(image_pixels(id).row_from_top(0)[0], 0x12);
}

TEST_F(ResizeImage, MissingPictureOrBadSizeFailsWithoutTouchingAnything) {
    EXPECT_EQ(resize_image(9, 10, 10), 0u);
    EXPECT_FALSE(is_image(9));
    ASSERT_NE(create_image(4, 10, 10), 0u);
    const ImageHandle h = image_handle(4);
    for (auto [w, hgt] : {std::pair{0, 5}, {5, -3}, {40000, 5}, {5, 32768}}) {
        EXPECT_EQ(resize_image(4, w, hgt), 0u) << w << "x" << hgt;
        EXPECT_EQ(image_handle(4), h);
    }
}

TEST_F(ResizeImage, FailureLeavesTheNumberEmpty) {
    for (int depth : {24, 32}) {
        ASSERT_NE(create_image(5, 300, 200, depth), 0u);
        resample::set_scratch_limit(16);  // the intermediate buffer cannot be had
        EXPECT_EQ(resize_image(5, 120, 90), 0u);
        resample::set_scratch_limit(0);
        EXPECT_FALSE(is_image(5));
        EXPECT_EQ(image_handle(5), 0u);
        EXPECT_EQ(image_width(5), 0);
    }
}

TEST_F(ResizeImage, RowPaddingOfNew24BitPicturesIsCleared) {
    ASSERT_NE(create_image(6, 9, 9, 24, 0xFFFFFF), 0u);
    ASSERT_NE(resize_image(6, 5, 4), 0u);  // 15 bytes used of a 16-byte row
    const PixelView v = image_pixels(6);
    for (int y = 0; y < v.height; ++y) EXPECT_EQ(v.pixels[std::size_t(y) * v.stride + 15], 0);
}

}  // namespace
}  // namespace pixmold
