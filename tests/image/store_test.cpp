// The picture store and its object operations.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "image/image.h"

namespace pixmold {
namespace {

class Store : public ::testing::Test {
protected:
    void SetUp() override { init_image_engine(); }
    void TearDown() override { free_all_images(); }
};

std::uint32_t word_at(const PixelView& v, int x, int y_from_top) {
    std::uint32_t w;
    std::memcpy(&w, v.row_from_top(y_from_top) + std::size_t(x) * 4, 4);
    return w;
}

TEST(Layout, StrideFollowsTheRowRule) {
    EXPECT_EQ(stride_for(1, 1), 4u);
    EXPECT_EQ(stride_for(33, 1), 8u);
    EXPECT_EQ(stride_for(9, 4), 8u);
    EXPECT_EQ(stride_for(5, 8), 8u);
    EXPECT_EQ(stride_for(3, 16), 8u);
    EXPECT_EQ(stride_for(5, 24), 16u);
    EXPECT_EQ(stride_for(4, 24), 12u);
    EXPECT_EQ(stride_for(7, 32), 28u);
    EXPECT_EQ(stride_for(7, 12), 0u);
    EXPECT_EQ(stride_for(0, 24), 0u);
    EXPECT_EQ(stride_for(40000, 24), 0u);
}

TEST_F(Store, LowDepthsBecome24AndOddDepthsFail) {
    ASSERT_NE(create_image(2, 5, 3, 8), 0u);
    EXPECT_EQ(is_image(2)->depth, 24);
    EXPECT_EQ(is_image(2)->source_depth, 24);
    EXPECT_EQ(is_image(2)->frame_count, 1);
    EXPECT_EQ(is_image(2)->format_tag, 0u);
    EXPECT_EQ(image_pixels(2).stride, 16);
    EXPECT_EQ(create_image(3, 5, 3, 31), 0u);
    EXPECT_EQ(create_image(3, 5, 3, 0), 0u);
    EXPECT_EQ(create_image(3, 5, 3, 48), 0u);
    EXPECT_FALSE(is_image(3));
}

TEST_F(Store, OverwriteTargetClearsRowPaddingEvenInReusedMemory) {
    // Big enough to come from the recycled buffers, which then hold white.
    ASSERT_NE(create_image(1, 1001, 400, 24, 0x00FFFFFF), 0u);
    free_image(1);
    ASSERT_NE(create_image_for_overwrite(1, 1001, 400, 8), 0u);
    const PixelView v = image_pixels(1);
    EXPECT_EQ(v.width, 1001);
    EXPECT_EQ(v.height, 400);
    EXPECT_EQ(v.depth, 24);
    ASSERT_EQ(v.stride, 3004);
    for (int y = 0; y < v.height; ++y) ASSERT_EQ(v.row_from_top(y)[3003], 0) << "row " << y;
    EXPECT_EQ(create_image_for_overwrite(2, 0, 5), 0u);
    EXPECT_FALSE(is_image(2));
}

TEST_F(Store, FillColoursFollowTheByteOrder) {
    // 0x00BBGGRR in; B,G,R bytes out.
    ASSERT_NE(create_image(1, 3, 2, 24, 0x00336699), 0u);
    PixelView v = image_pixels(1);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const std::uint8_t* p = v.row_from_top(y) + x * 3;
            EXPECT_EQ(p[0], 0x33);
            EXPECT_EQ(p[1], 0x66);
            EXPECT_EQ(p[2], 0x99);
        }
    ASSERT_NE(create_image(1, 3, 2, 32, 0x00336699), 0u);
    v = image_pixels(1);
    EXPECT_EQ(word_at(v, 2, 1), 0xFF996633u);
    ASSERT_NE(create_image(1, 3, 2, 32, -1), 0u);
    v = image_pixels(1);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(word_at(v, x, y), 0u);
}

TEST_F(Store, FirstBytesAreTheBottomLeftPixel) {
    ASSERT_NE(create_image(4, 2, 2, 24, 0), 0u);
    PixelView v = image_pixels(4);
    std::uint8_t* bottom_left = v.row_from_top(1);
    bottom_left[0] = 1;
    bottom_left[1] = 2;
    bottom_left[2] = 3;
    EXPECT_EQ(v.pixels, bottom_left);
    EXPECT_EQ(v.pixels[0], 1);
    EXPECT_EQ(v.pixels[2], 3);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(v.pixels) % 32, 0u);
}

TEST_F(Store, ReusingANumberFreesTheOldPictureFirst) {
    const ImageHandle first = create_image(5, 10, 10);
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(handle_pixels(first));
    const ImageHandle second = create_image(5, 4, 4, 32);
    ASSERT_NE(second, 0u);
    EXPECT_EQ(image_width(5), 4);
    EXPECT_EQ(image_handle(5), second);
    // Failing to create on an occupied number leaves it empty: the old one is gone.
    EXPECT_EQ(create_image(5, 0, 4), 0u);
    EXPECT_FALSE(is_image(5));
    EXPECT_FALSE(handle_pixels(second));
}

TEST_F(Store, EmptyNumbersAnswerZero) {
    EXPECT_EQ(image_width(9), 0);
    EXPECT_EQ(image_height(9), 0);
    EXPECT_EQ(image_handle(9), 0u);
    EXPECT_FALSE(is_image(9));
    EXPECT_EQ(image_width(100000), 0);
    EXPECT_EQ(image_width(-7), 0);
    EXPECT_EQ(copy_image(9, 10), 0u);
    EXPECT_EQ(grab_image(9, 10, 0, 0, 1, 1), 0u);
    free_image(9);  // nothing to do, must not crash
    EXPECT_FALSE(handle_pixels(0));
    EXPECT_FALSE(handle_pixels(12345));
}

TEST_F(Store, GrowsToNumberPlus16) {
    const std::size_t before = image_store_capacity();
    ASSERT_GE(before, 16u);
    const ImageId n = ImageId(before) + 84;
    ASSERT_NE(create_image(n, 1, 1), 0u);
    EXPECT_EQ(image_store_capacity(), std::size_t(n) + 16);
    EXPECT_EQ(image_width(n), 1);
}

TEST_F(Store, SizesBeyondTheLimitAreRefused) {
    EXPECT_EQ(create_image(1, 32768, 1), 0u);
    EXPECT_EQ(create_image(1, 1, 32768), 0u);
    EXPECT_EQ(create_image(1, -5, 3), 0u);
    EXPECT_NE(create_image(1, 32767, 1), 0u);
    EXPECT_EQ(image_width(1), 32767);
}

TEST_F(Store, AnyNumberGivesIdentifiersThatWorkEverywhere) {
    const ImageHandle id = create_image(ANY_NUMBER, 6, 7, 32, 0x0000FF);
    ASSERT_NE(id, 0u);
    const ImageId as_id = ImageId(id);
    EXPECT_GE(std::size_t(as_id), image_store_capacity());
    EXPECT_EQ(image_width(as_id), 6);
    EXPECT_EQ(image_height(as_id), 7);
    EXPECT_NE(image_handle(as_id), id);
    const ImageHandle other = copy_image(as_id, ANY_NUMBER);
    ASSERT_NE(other, 0u);
    EXPECT_NE(other, id);
    EXPECT_EQ(word_at(image_pixels(ImageId(other)), 0, 0), 0xFFFF0000u);
    free_image(as_id);
    EXPECT_EQ(image_width(as_id), 0);
    EXPECT_EQ(image_width(ImageId(other)), 6);
    // Creating on a live list identifier reuses that record.
    EXPECT_NE(create_image(ImageId(other), 2, 2), 0u);
    EXPECT_EQ(image_width(ImageId(other)), 2);
}

TEST_F(Store, FreeAnyNumberFreesEverything) {
    ASSERT_NE(create_image(1, 2, 2), 0u);
    const ImageHandle id = create_image(ANY_NUMBER, 2, 2);
    ASSERT_NE(id, 0u);
    free_image(ANY_NUMBER);
    EXPECT_FALSE(is_image(1));
    EXPECT_FALSE(is_image(ImageId(id)));
}

TEST_F(Store, CopyIsIndependentAndKeepsTheRecord) {
    ASSERT_NE(create_image(1, 3, 3, 32, 0x112233), 0u);
    PixelView a = image_pixels(1);
    a.row_from_top(0)[3] = 0x7F;  // alpha of the top-left pixel
    ASSERT_NE(copy_image(1, 2), 0u);
    PixelView b = image_pixels(2);
    EXPECT_NE(a.pixels, b.pixels);
    EXPECT_EQ(0, std::memcmp(a.pixels, b.pixels, std::size_t(a.stride) * 3));
    b.pixels[0] = 0;
    EXPECT_NE(a.pixels[0], 0);
    EXPECT_EQ(is_image(2)->depth, 32);
    EXPECT_EQ(is_image(2)->source_depth, 32);
    // A picture copied onto its own number survives.
    ASSERT_NE(copy_image(1, 1), 0u);
    EXPECT_EQ(word_at(image_pixels(1), 0, 0) >> 24, 0x7Fu);
}

TEST_F(Store, GrabCopiesTheRectangleCountedFromTheTop) {
    ASSERT_NE(create_image(1, 4, 3, 24), 0u);
    PixelView v = image_pixels(1);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) v.row_from_top(y)[x * 3] = std::uint8_t(10 * y + x);
    ASSERT_NE(grab_image(1, 2, 1, 1, 2, 2), 0u);
    PixelView g = image_pixels(2);
    ASSERT_EQ(g.width, 2);
    ASSERT_EQ(g.height, 2);
    EXPECT_EQ(g.row_from_top(0)[0], 11);
    EXPECT_EQ(g.row_from_top(0)[3], 12);
    EXPECT_EQ(g.row_from_top(1)[0], 21);
    EXPECT_EQ(g.row_from_top(1)[3], 22);
    EXPECT_EQ(is_image(2)->format_tag, 0u);
    // The part outside the source stays black.
    ASSERT_NE(grab_image(1, 3, 3, 2, 2, 2), 0u);
    g = image_pixels(3);
    EXPECT_EQ(g.row_from_top(0)[0], 23);
    EXPECT_EQ(g.row_from_top(0)[3], 0);
    EXPECT_EQ(g.row_from_top(1)[0], 0);
}

TEST_F(Store, FailedGrabKeepsTheTarget) {
    ASSERT_NE(create_image(1, 4, 4), 0u);
    const ImageHandle kept = create_image(2, 7, 7);
    ASSERT_NE(kept, 0u);
    EXPECT_EQ(grab_image(1, 2, 0, 0, 0, 5), 0u);
    EXPECT_EQ(grab_image(1, 2, 0, 0, 40000, 5), 0u);
    EXPECT_EQ(image_handle(2), kept);
    EXPECT_EQ(image_width(2), 7);
}

TEST_F(Store, MovePixelsReplacesInPlace) {
    ASSERT_NE(create_image(1, 4, 4, 24), 0u);
    const ImageHandle scratch = create_image(ANY_NUMBER, 8, 2, 32, 0x0000FF);
    ASSERT_NE(scratch, 0u);
    const ImageHandle h = move_pixels(ImageId(scratch), 1);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(image_handle(1), h);
    EXPECT_EQ(image_width(1), 8);
    EXPECT_EQ(image_height(1), 2);
    EXPECT_EQ(is_image(1)->depth, 32);
    EXPECT_EQ(is_image(1)->source_depth, 24);
    EXPECT_FALSE(is_image(ImageId(scratch)));
    EXPECT_EQ(move_pixels(5, 1), 0u);
}

TEST_F(Store, ConcurrentUseOfDifferentNumbers) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i) {
                const ImageId n = 20 + t * 40 + i % 30;
                ASSERT_NE(create_image(n, 5 + i % 7, 3), 0u);
                const ImageHandle id = create_image(ANY_NUMBER, 2, 2);
                ASSERT_NE(id, 0u);
                free_image(ImageId(id));
                free_image(n);
            }
        });
    for (auto& th : threads) th.join();
}

// One thread keeps replacing and freeing a number (and an ANY_NUMBER
// picture) while another reads them through every lookup. Each picture is
// one colour from the moment it is stored, so a reader that sees two
// colours in one picture read memory that was freed and reused.
TEST_F(Store, FreeingANumberWhileAnotherThreadReadsItIsSafe) {
    constexpr ImageId kShared = 7;
    constexpr int kRounds = 3000;
    std::atomic<bool> done{false};
    std::atomic<ImageId> loose{0};
    std::atomic<int> mixed{0}, seen{0};
    auto uniform = [](const auto& v) {
        std::uint32_t first;
        std::memcpy(&first, v.pixels, 4);
        for (int y = 0; y < v.height; ++y)
            for (int x = 0; x < v.width; ++x)
                if (word_at(v, x, y) != first) return false;
        return true;
    };
    std::atomic<bool> reading{false};
    std::thread writer([&] {
        while (!reading) std::this_thread::yield();
        // Until the reader has met live pictures many times, so that the
        // two threads overlap however the machine schedules them.
        for (int i = 0; i < kRounds || seen < kRounds / 10; ++i) {
            const std::int32_t colour = 0x010101 * (i % 200 + 1);
            create_image(kShared, 32, 32, 32, colour);
            const ImageHandle id = create_image(ANY_NUMBER, 32, 32, 32, colour);
            loose.store(ImageId(id));
            free_image(kShared);
            loose.store(0);
            free_image(ImageId(id));
        }
        done = true;
    });
    std::thread reader([&] {
        reading = true;
        while (!done) {
            for (const ImageId n : {kShared, loose.load()}) {
                if (n == 0) continue;
                const auto pixels = image_pixels(n);  // a share in the pixels, not just their address
                if (pixels) {
                    ++seen;
                    if (!uniform(pixels)) ++mixed;
                }
                if (const auto info = is_image(n); info && (info->width != 32 || info->height != 32)) ++mixed;
                if (copy_image(n, 8) && !uniform(image_pixels(8))) ++mixed;
                if (grab_image(n, 9, 4, 4, 8, 8) && !uniform(image_pixels(9))) ++mixed;
                const int w = image_width(n);
                if (w != 0 && w != 32) ++mixed;
            }
        }
    });
    writer.join();
    reader.join();
    EXPECT_EQ(mixed.load(), 0);
    EXPECT_FALSE(is_image(kShared));
}

// Handles and ANY_NUMBER identifiers name one picture only: after it is
// freed they find nothing, even when a new picture of the same size comes
// into being at once (and would take over the freed memory).
TEST_F(Store, AStaleHandleDoesNotReachALaterPicture) {
    const ImageHandle first = create_image(5, 16, 16, 24, 0x0000FF);
    ASSERT_NE(first, 0u);
    free_image(5);
    const ImageHandle second = create_image(5, 16, 16, 24, 0x00FF00);
    ASSERT_NE(second, 0u);
    EXPECT_NE(first, second);
    EXPECT_FALSE(handle_pixels(first));
    ASSERT_TRUE(handle_pixels(second));
    EXPECT_EQ(handle_pixels(second).pixels[1], 0xFF);
    // Replacing without freeing first works the same way.
    const ImageHandle third = create_image(5, 16, 16, 24, 0xFF0000);
    EXPECT_FALSE(handle_pixels(second));
    EXPECT_EQ(image_handle(5), third);

    const ImageHandle old_id = create_image(ANY_NUMBER, 16, 16, 24, 0x0000FF);
    ASSERT_NE(old_id, 0u);
    const ImageHandle old_handle = image_handle(ImageId(old_id));
    free_image(ImageId(old_id));
    const ImageHandle new_id = create_image(ANY_NUMBER, 16, 16, 24, 0x00FF00);
    ASSERT_NE(new_id, 0u);
    EXPECT_NE(new_id, old_id);
    EXPECT_EQ(image_width(ImageId(old_id)), 0);
    EXPECT_FALSE(image_pixels(ImageId(old_id)));
    EXPECT_FALSE(handle_pixels(old_handle));
    EXPECT_EQ(copy_image(ImageId(old_id), 6), 0u);
    // Nor does a stale identifier bring a picture back into being.
    EXPECT_EQ(create_image(ImageId(old_id), 4, 4), 0u);
    EXPECT_EQ(image_width(ImageId(new_id)), 16);
}

}  // namespace
}  // namespace pixmold
