// Start-up and shutdown pieces that do not need the whole program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "app/click_sound.h"
#include "app/shell_state.h"
#include "app/single_instance.h"
#include "app/startup.h"
#include "platform/wave.h"
#include "toolkit/toolkit.h"
#include "temp_dir.h"

using namespace pixmold;

namespace {

class SingleInstance : public ::testing::Test {
protected:
    test::TempDir runtime;
    std::string saved;
    void SetUp() override {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) saved = old;
        ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    }
    void TearDown() override {
        if (saved.empty())
            ::unsetenv("XDG_RUNTIME_DIR");
        else
            ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    }
};

TEST_F(SingleInstance, SameNameIsRefusedOtherVersionRuns) {
    EXPECT_EQ(instance_lock_path("Pixmold  1.7.0"), runtime.file("Pixmold  1.7.0.lock"));
    int first = -1, second = -1, other = -1;
    EXPECT_EQ(claim_single_instance("Pixmold  1.7.0", first), InstanceCheck::OnlyOne);
    EXPECT_GE(first, 0);
    // flock locks belong to open files, so a second open in this process is refused like another process.
    EXPECT_EQ(claim_single_instance("Pixmold  1.7.0", second), InstanceCheck::AnotherRuns);
    EXPECT_EQ(second, -1);
    EXPECT_EQ(claim_single_instance("Pixmold  1.8.0", other), InstanceCheck::OnlyOne);
    ::close(first);  // what the system does when the process ends
    EXPECT_EQ(claim_single_instance("Pixmold  1.7.0", second), InstanceCheck::OnlyOne);
    ::close(second);
    ::close(other);
}

TEST_F(SingleInstance, MissingLockFolderDoesNotStopTheProgram) {
    ::setenv("XDG_RUNTIME_DIR", runtime.file("gone").c_str(), 1);
    int fd = 0;
    EXPECT_EQ(claim_single_instance("Pixmold  1.7.0", fd), InstanceCheck::OnlyOne);
    EXPECT_EQ(fd, -1);
}

TEST(ClickSound, EmbeddedWaveHasTheAgreedLayout) {
    auto wave = click_wave();
    ASSERT_EQ(wave.size(), 55776u);
    WaveInfo info = parse_wave(wave.data(), wave.size());
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.bits, 16);
    EXPECT_EQ(info.sample_rate, 22050);
    EXPECT_EQ(info.data_offset + info.data_size, wave.size());
    // Not silence: the click starts loud.
    int peak = 0;
    for (std::size_t i = info.data_offset; i + 1 < info.data_offset + 400; i += 2)
        peak = std::max(peak, std::abs(int(std::int16_t(wave[i] | wave[i + 1] << 8))));
    EXPECT_GT(peak, 8000);
}

TEST(ClickSound, WithoutSoundItReturnsAtOnce) {
    shell.sound_available = 0;
    auto start = std::chrono::steady_clock::now();
    play_click_sound(600);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
}

TEST(InterfaceFonts, SizesKeepTheirPixelsAtAnyDpi) {
    ASSERT_TRUE(init_toolkit());
    const int dpi = screen_dpi_x();
    // Created as if the screen had twice the density: points halve, so on
    // this screen the text comes out at half the usual pixel size.
    create_interface_fonts(dpi * 2);
    EXPECT_EQ(font_pixel_size(FONT_SANS_12_ITALIC), 8);
    create_interface_fonts(dpi);
    // 12 points at 96 dpi are 16 pixels, whatever this screen's dpi.
    EXPECT_EQ(font_pixel_size(FONT_SANS_12_ITALIC), 16);
    EXPECT_EQ(font_pixel_size(FONT_SANS_9), 12);
    EXPECT_EQ(shell.ui_fonts[5], FONT_SANS_12_ITALIC);
}

}  // namespace
