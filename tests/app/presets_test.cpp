#include "app/presets.h"

#include <gtest/gtest.h>

namespace pixmold {
namespace {

TEST(Presets, HeadersAndEmptyRowsAreNotChoosable) {
    for (int position : {0, 1, 8, 9, 12, 13}) EXPECT_FALSE(preset_at(position).has_value()) << position;
    EXPECT_FALSE(preset_at(-1).has_value());
    EXPECT_FALSE(preset_at(PRESET_COUNT).has_value());
}

TEST(Presets, RowsGiveTheirSizes) {
    auto p1080 = preset_at(11);
    ASSERT_TRUE(p1080);
    EXPECT_EQ(p1080->text, " 1080p ");
    EXPECT_EQ(p1080->width, 1920);
    EXPECT_EQ(p1080->height, 1080);
    auto p720 = preset_at(10);
    ASSERT_TRUE(p720);
    EXPECT_EQ(p720->text, "  720p ");
    EXPECT_EQ(p720->width, 1280);
    EXPECT_EQ(p720->height, 720);
    EXPECT_EQ(preset_at(2)->width, 2560);
    EXPECT_EQ(preset_at(20)->height, 240);
    // The 2048 row carries the multiplication sign.
    EXPECT_EQ(preset_at(14)->text, "  2048 \u00d7 1536");
    int choosable = 0;
    for (int i = 0; i < PRESET_COUNT; ++i) choosable += preset_at(i).has_value();
    EXPECT_EQ(choosable, 15);
}

TEST(SizeFields, KeepDigitsOnly) {
    EXPECT_EQ(mend_size_text("800"), "800");
    EXPECT_EQ(mend_size_text("8a0-0"), "800");
    EXPECT_EQ(mend_size_text("-5"), "5");
    EXPECT_EQ(mend_size_text(" 12 "), "12");
    EXPECT_EQ(mend_size_text("abc"), "");
    EXPECT_EQ(mend_size_text(""), "");
    EXPECT_EQ(mend_size_text("007"), "7");
    EXPECT_EQ(mend_size_text("000"), "0");
}

TEST(SizeFields, CapAtTheLargestPictureSide) {
    EXPECT_EQ(mend_size_text("32767"), "32767");
    // Values that used to wrap to a negative 16-bit size.
    EXPECT_EQ(mend_size_text("32768"), "32767");
    EXPECT_EQ(mend_size_text("65535"), "32767");
    EXPECT_EQ(mend_size_text("99999999999999999999"), "32767");
    EXPECT_EQ(size_field_value("40000"), 32767);
    EXPECT_EQ(size_field_value(""), 0);
    EXPECT_EQ(size_field_value("1920"), 1920);
    EXPECT_EQ(size_field_value("0001920"), 1920);
}

}  // namespace
}  // namespace pixmold
