// Y'CbCr planes of any depth from 8 to 16 bits to 8-bit blue, green, red
// rows, as video decoders (HEVC, AV1) deliver them: full or limited range,
// the matrices of BT.601, BT.709 and BT.2020 among others.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace pixmold {

struct YccPlane {
    const std::uint8_t* data = nullptr;  // first row; samples of 1 byte, or 2 (native order) above 8 bits
    int stride = 0;                       // bytes per row
    int width = 0;
    int height = 0;
};

struct YccPicture {
    int width = 0;
    int height = 0;
    int bits = 8;            // of every plane but alpha
    bool monochrome = false; // Y alone
    int chroma_shift_x = 0;  // 1 for 4:2:0 and 4:2:2
    int chroma_shift_y = 0;  // 1 for 4:2:0
    YccPlane y, cb, cr;
    YccPlane alpha;          // data null when there is none
    int alpha_bits = 8;
};

// The conversion of one picture; nullopt for a matrix it does not know
// (H.273 matrix coefficients 1, 2, 4, 5, 6, 7, 9 are known; 2, unstated, is
// read as BT.601) or for planes smaller than the picture needs.
class YccConverter {
public:
    static std::optional<YccConverter> make(const YccPicture& picture, int matrix, bool full_range);
    // Writes picture row y as B,G,R (and A when `with_alpha`, 255 without an alpha plane).
    void row(int y, std::uint8_t* out, bool with_alpha) const;

private:
    YccPicture p_;
    // 16.16 fixed-point contributions to the 8-bit outputs, by sample value.
    std::vector<std::int32_t> luma_, red_from_cr_, green_from_cb_, green_from_cr_, blue_from_cb_;
    std::vector<std::uint8_t> alpha_;  // by alpha sample value
};

}  // namespace pixmold
