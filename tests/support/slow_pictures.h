// Pictures that keep a batch busy for seconds: one big picture of noise,
// slow to decode, listed many times. A drop lists a file as often as it is
// given and the job works through every entry, one after the other since
// they share their output. Needs the image engine with its codecs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "image/codec.h"

namespace pixmold::test {

inline std::vector<std::string> slow_pictures(const std::string& folder, int count = 60) {
    const std::string path = folder + "/noise.png";
    BitmapPtr noise = allocate_bitmap(2000, 2000, 24, false);
    if (!noise) return {};
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < noise->byte_size(); ++i) {
        state = state * 1664525u + 1013904223u;
        noise->pixels[i] = std::uint8_t(state >> 24);
    }
    if (!save_pixels(noise->view(), path, TAG_PNG)) return {};
    return std::vector<std::string>(std::size_t(count), path);
}

}  // namespace pixmold::test
