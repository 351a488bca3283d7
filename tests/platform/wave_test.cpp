#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/wave.h"

using namespace pixmold;

namespace {

std::vector<std::uint8_t> wave(int channels, int rate, int bits, std::size_t data_bytes, bool pcm = true,
                               bool extra_chunk = false) {
    std::vector<std::uint8_t> out;
    auto put = [&](const char* s) {
        for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(s[i]));
    };
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
    };
    auto u16 = [&](std::uint16_t v) {
        out.push_back(std::uint8_t(v));
        out.push_back(std::uint8_t(v >> 8));
    };
    put("RIFF");
    u32(0);
    put("WAVE");
    if (extra_chunk) {
        put("LIST");
        u32(3);
        out.insert(out.end(), {1, 2, 3, 0});  // odd length, padded
    }
    put("fmt ");
    u32(16);
    u16(pcm ? 1 : 3);
    u16(std::uint16_t(channels));
    u32(std::uint32_t(rate));
    u32(std::uint32_t(rate * channels * bits / 8));
    u16(std::uint16_t(channels * bits / 8));
    u16(std::uint16_t(bits));
    put("data");
    u32(std::uint32_t(data_bytes));
    out.resize(out.size() + data_bytes, 0);
    return out;
}

TEST(Wave, ReadsPcmLayoutAndSkipsOtherChunks) {
    auto data = wave(2, 22050, 16, 400, true, true);
    WaveInfo info = parse_wave(data.data(), data.size());
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.sample_rate, 22050);
    EXPECT_EQ(info.bits, 16);
    EXPECT_EQ(info.data_size, 400u);
    EXPECT_EQ(info.data_offset, data.size() - 400);
}

TEST(Wave, RejectsWhatItCannotPlay) {
    auto float_data = wave(2, 22050, 32, 16, false);
    EXPECT_EQ(parse_wave(float_data.data(), float_data.size()).channels, 0);
    auto six_channels = wave(6, 22050, 16, 16);
    EXPECT_EQ(parse_wave(six_channels.data(), six_channels.size()).channels, 0);
    auto truncated = wave(2, 22050, 16, 400);
    truncated.pop_back();  // data chunk claims more than there is
    EXPECT_EQ(parse_wave(truncated.data(), truncated.size()).channels, 0);
    const std::uint8_t junk[] = "RIFX....WAVE";
    EXPECT_EQ(parse_wave(junk, sizeof junk).channels, 0);
    EXPECT_EQ(parse_wave(nullptr, 0).channels, 0);
}

}  // namespace
