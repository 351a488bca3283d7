// The TIFF structure's byte-order reader shared by the TIFF decoder and the
// EXIF code.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "image/byte_order.h"

namespace pixmold {
namespace {

TEST(ByteOrder, HeadersNameTheirOrder) {
    const std::uint8_t ii[] = {'I', 'I', 42, 0}, mm[] = {'M', 'M', 0, 42};
    const std::uint8_t ii_big[] = {'I', 'I', 43, 0}, mm_big[] = {'M', 'M', 0, 43};
    const std::uint8_t mixed[] = {'I', 'M', 42, 0}, swapped[] = {'I', 'I', 0, 42};
    EXPECT_EQ(tiff_byte_order(ii), ByteOrder::Little);
    EXPECT_EQ(tiff_byte_order(mm), ByteOrder::Big);
    // The 64-bit-offset variant only where the reader can follow it.
    EXPECT_FALSE(tiff_byte_order(ii_big));
    EXPECT_FALSE(tiff_byte_order(mm_big));
    EXPECT_EQ(tiff_byte_order(ii_big, true), ByteOrder::Little);
    EXPECT_EQ(tiff_byte_order(mm_big, true), ByteOrder::Big);
    EXPECT_FALSE(tiff_byte_order(mixed, true));
    EXPECT_FALSE(tiff_byte_order(swapped, true));
    EXPECT_FALSE(tiff_byte_order(std::span<const std::uint8_t>(ii, 3)));
}

TEST(ByteOrder, NumbersWrittenReadBackInBothOrdersAndReadsStayInside) {
    for (ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        std::vector<std::uint8_t> block(7, 0);
        put_u16(&block[0], 0xBEEF, order);
        put_u32(&block[3], 0x12345678, order);
        EXPECT_EQ(block[0], order == ByteOrder::Big ? 0xBE : 0xEF);
        EXPECT_EQ(block[3], order == ByteOrder::Big ? 0x12 : 0x78);
        const OrderedBytes bytes(block, order);
        EXPECT_EQ(bytes.u16(0), 0xBEEFu);
        EXPECT_EQ(bytes.u32(3), 0x12345678u);
        // The last whole numbers, and nothing past them, even from offsets
        // that would wrap around.
        EXPECT_TRUE(bytes.u16(5));
        EXPECT_FALSE(bytes.u16(6));
        EXPECT_FALSE(bytes.u32(4));
        EXPECT_FALSE(bytes.u32(7));
        EXPECT_FALSE(bytes.u32(SIZE_MAX - 1));
        EXPECT_FALSE(bytes.u16(SIZE_MAX));
    }
}

}  // namespace
}  // namespace pixmold
