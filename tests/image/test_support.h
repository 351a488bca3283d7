// Helpers shared by the image tests: test data, reference pictures, pixels.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "image/codec.h"
#include "image/image.h"
#include "temp_dir.h"

namespace pixmold::test {

inline std::string data_path(const std::string& name) { return std::string(PIXMOLD_TEST_DATA) + "/image/" + name; }

inline std::vector<std::uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A picture as R,G,B,A per pixel, rows from the top.
struct Rgba {
    int width = 0;
    int height = 0;
    std::vector<std::array<int, 4>> px;
    const std::array<int, 4>& at(int x, int y) const { return px[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

// Reads binary Netpbm files (P5 grey, P6 RGB, P7 RGB_ALPHA) as written by
// the data script and by djpeg.
inline Rgba read_netpbm(const std::string& path) {
    const std::vector<std::uint8_t> bytes = read_file(path);
    Rgba out;
    std::string text(bytes.begin(), bytes.end());
    std::size_t pos = 0;
    auto token = [&]() {
        while (pos < text.size() && (isspace(static_cast<unsigned char>(text[pos])) || text[pos] == '#')) {
            if (text[pos] == '#')
                while (pos < text.size() && text[pos] != '\n') ++pos;
            else
                ++pos;
        }
        const std::size_t start = pos;
        while (pos < text.size() && !isspace(static_cast<unsigned char>(text[pos]))) ++pos;
        return text.substr(start, pos - start);
    };
    const std::string magic = token();
    int channels = 0;
    if (magic == "P7") {
        for (std::string t = token(); t != "ENDHDR" && !t.empty(); t = token()) {
            if (t == "WIDTH") out.width = std::stoi(token());
            else if (t == "HEIGHT") out.height = std::stoi(token());
            else if (t == "DEPTH") channels = std::stoi(token());
            else if (t == "MAXVAL" || t == "TUPLTYPE") token();
        }
    } else {
        channels = magic == "P5" ? 1 : 3;
        out.width = std::stoi(token());
        out.height = std::stoi(token());
        token();
    }
    ++pos;  // the single whitespace before the samples
    for (int i = 0; i < out.width * out.height; ++i) {
        const std::uint8_t* p = bytes.data() + pos + std::size_t(i) * std::size_t(channels);
        if (channels == 1) out.px.push_back({p[0], p[0], p[0], 255});
        else if (channels == 3) out.px.push_back({p[0], p[1], p[2], 255});
        else out.px.push_back({p[0], p[1], p[2], p[3]});
    }
    return out;
}

// Pixel (x, y from the top) of a live picture as R,G,B,A (alpha 255 for 24 bits).
inline std::array<int, 4> pixel(ImageId number, int x, int y) {
    const PixelView v = image_pixels(number);
    const std::uint8_t* p = v.row_from_top(y) + std::size_t(x) * std::size_t(v.depth / 8);
    return {p[2], p[1], p[0], v.depth == 32 ? p[3] : 255};
}

// Largest channel difference between a picture and a reference (alpha compared when asked).
inline int max_difference(ImageId number, const Rgba& ref, bool alpha) {
    int worst = 0;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            const auto got = pixel(number, x, y);
            const auto& want = ref.at(x, y);
            for (int c = 0; c < (alpha ? 4 : 3); ++c) worst = std::max(worst, std::abs(got[std::size_t(c)] - want[std::size_t(c)]));
        }
    return worst;
}

// Little-endian writers for building files in tests.
inline void put16(std::vector<std::uint8_t>& v, unsigned x) {
    v.push_back(std::uint8_t(x));
    v.push_back(std::uint8_t(x >> 8));
}
inline void put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

// A JPEG written by libjpeg itself, w x h of `components` samples in `space`:
// `setup` changes what it needs after the library's defaults, `fill` writes
// each row in turn.
std::vector<std::uint8_t> libjpeg_encode(int w, int h, int components, J_COLOR_SPACE space,
                                         const std::function<void(jpeg_compress_struct&)>& setup,
                                         const std::function<void(int y, std::uint8_t* row)>& fill);

// The engine with every codec, emptied of pictures after each test, and a
// temporary folder for files.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { register_all_codecs(); }
    void TearDown() override { free_all_images(); }
    TempDir dir;
};

}  // namespace pixmold::test
