// Pictures that keep a batch busy for seconds: many names of one big picture
// of noise, slow to decode (hard links, so that they take no more room than
// one). Needs the image engine with its codecs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "image/bitmap.h"
#include "image/codec.h"

namespace pixmold::test {

inline std::vector<std::string> slow_pictures(const std::string& folder, int count = 60) {
    const std::string first = folder + "/noise0.png";
    BitmapPtr noise = allocate_bitmap(2000, 2000, 24, false);
    if (!noise) return {};
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < noise->byte_size(); ++i) {
        state = state * 1664525u + 1013904223u;
        noise->pixels[i] = std::uint8_t(state >> 24);
    }
    if (!save_pixels(noise->view(), first, TAG_PNG)) return {};
    std::vector<std::string> paths{first};
    for (int i = 1; i < count; ++i) {
        paths.push_back(folder + "/noise" + std::to_string(i) + ".png");
        std::error_code error;
        std::filesystem::create_hard_link(first, paths.back(), error);
        if (error) return {};
    }
    return paths;
}

}  // namespace pixmold::test
