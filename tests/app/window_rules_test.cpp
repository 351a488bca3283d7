#include "app/window_rules.h"

#include <gtest/gtest.h>

namespace pixmold {
namespace {

TEST(QualitySliderRule, CellsAreTwentyFiveWide) {
    EXPECT_EQ(quality_for_x(0), 0);
    EXPECT_EQ(quality_for_x(24), 0);
    EXPECT_EQ(quality_for_x(25), 1);
    EXPECT_EQ(quality_for_x(249), 9);
    EXPECT_EQ(quality_for_x(250), 10);
    EXPECT_EQ(quality_for_x(269), 10);
    // Outside the canvas (a press dragged beyond it) stays within 0..10.
    EXPECT_EQ(quality_for_x(-3), 0);
    EXPECT_EQ(quality_for_x(400), 10);
}

TEST(FormatSelectorRule, ZonesAreOpenIntervals) {
    const int t = 30;
    EXPECT_EQ(format_zone(0, t), FormatZone::None);
    EXPECT_EQ(format_zone(1, t), FormatZone::Jpg);
    EXPECT_EQ(format_zone(9, t), FormatZone::Jpg);
    EXPECT_EQ(format_zone(10, t), FormatZone::None);
    EXPECT_EQ(format_zone(t + 55, t), FormatZone::None);
    EXPECT_EQ(format_zone(t + 56, t), FormatZone::Png);
    EXPECT_EQ(format_zone(t + 64, t), FormatZone::Png);
    EXPECT_EQ(format_zone(t + 65, t), FormatZone::None);
    EXPECT_EQ(png_marker_x(t), 85);
    EXPECT_EQ(png_word_x(t), 100);
}

TEST(AlwaysOnTopRule, ZoneAndCycle) {
    // Canvas 170 wide, "off" picture 56 wide: zone 134 < x < 155.
    EXPECT_FALSE(switch_zone(134, 170, 56));
    EXPECT_TRUE(switch_zone(135, 170, 56));
    EXPECT_TRUE(switch_zone(154, 170, 56));
    EXPECT_FALSE(switch_zone(155, 170, 56));
    EXPECT_EQ(next_visible(1), 0);
    EXPECT_EQ(next_visible(0), 1);
    // A hand-edited value other than 1 counts up rather than switching off.
    EXPECT_EQ(next_visible(2), 3);
    EXPECT_EQ(next_visible(-1), 0);
}

Settings sizes(Mode mode) {
    Settings s;
    s.mode = mode;
    s.landscape_width = 800;
    s.portrait_height = 600;
    s.adjusted_free_width = 11;
    s.adjusted_free_height = 12;
    s.free_width = 640;
    s.free_height = 480;
    return s;
}

TEST(AdjustToDesktop, RelativeModeSetsTheRelativeSizes) {
    Settings s = sizes(Mode::Relative);
    adjust_to_desktop(s, 1920, 1080);
    EXPECT_EQ(s.landscape_width, 1920);
    EXPECT_EQ(s.portrait_height, 1080);
    EXPECT_EQ(s.free_width, 1920);
    EXPECT_EQ(s.free_height, 1080);
    EXPECT_EQ(s.adjusted_free_width, 11);
    EXPECT_EQ(s.adjusted_free_height, 12);
}

// A mode word the program does not know adjusts like free mode.
TEST(AdjustToDesktop, FreeModeSetsTheStoredFreeSizes) {
    for (const Mode mode : {Mode::Free, Mode::Other}) {
        Settings s = sizes(mode);
        adjust_to_desktop(s, 2560, 1440);
        EXPECT_EQ(s.landscape_width, 800);
        EXPECT_EQ(s.portrait_height, 600);
        EXPECT_EQ(s.adjusted_free_width, 2560);
        EXPECT_EQ(s.adjusted_free_height, 1440);
        EXPECT_EQ(s.free_width, 2560);
        EXPECT_EQ(s.free_height, 1440);
    }
}

TEST(PrefixRule, Outcomes) {
    EXPECT_EQ(prefix_outcome("prefix_", "small_"), PrefixOutcome::NewPrefix);
    EXPECT_EQ(prefix_outcome("prefix_", "prefix_"), PrefixOutcome::Unchanged);
    EXPECT_EQ(prefix_outcome("prefix_", ""), PrefixOutcome::AskOverwrite);
    EXPECT_EQ(prefix_outcome("prefix_", "0"), PrefixOutcome::AskOverwrite);
    // Already no prefix: an empty answer changes nothing.
    EXPECT_EQ(prefix_outcome("0", ""), PrefixOutcome::Unchanged);
    // Refused before anything else, even when it equals the old one.
    EXPECT_EQ(prefix_outcome("prefix_", "../x_"), PrefixOutcome::Refused);
    EXPECT_EQ(prefix_outcome("../x_", "../x_"), PrefixOutcome::Refused);
}

}  // namespace
}  // namespace pixmold
