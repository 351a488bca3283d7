// RIFF/WAVE files read from memory, for the sounds the program carries.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pixmold {

// The PCM layout of a RIFF/WAVE file in memory; empty (channels 0) when the
// data is not a PCM WAVE file.
struct WaveInfo {
    int channels = 0;
    int sample_rate = 0;
    int bits = 0;
    std::size_t data_offset = 0;
    std::size_t data_size = 0;
};
WaveInfo parse_wave(const std::uint8_t* data, std::size_t size);

}  // namespace pixmold
