// The pictures carried inside the program, by picture number, and their
// decoding into the image store at start-up.
#pragma once

#include <cstddef>
#include <span>

#include "image/image.h"

namespace pixmold {

// Main window.
inline constexpr ImageId PIC_BANNER = 3;            // 275 x 47
inline constexpr ImageId PIC_MENU_HELP = 4;         // icon file
inline constexpr ImageId PIC_MENU_OPEN = 5;         // 16 x 16
inline constexpr ImageId PIC_APP = 6;               // icon file, the window's own icon
inline constexpr ImageId PIC_MENU_UPDATE = 7;       // icon file
inline constexpr ImageId PIC_MENU_WEBSITE = 8;      // icon file
inline constexpr ImageId PIC_MENU_FRENCH = 9;       // icon file
inline constexpr ImageId PIC_MENU_EXIT = 10;        // icon file
inline constexpr ImageId PIC_MENU_ENGLISH = 11;     // icon file
inline constexpr ImageId PIC_MENU_EFFECTS = 12;     // icon file
inline constexpr ImageId PIC_MENU_DESKTOP = 13;     // icon file
inline constexpr ImageId PIC_FX_BUTTON = 14;        // 100 x 30, panel closed
inline constexpr ImageId PIC_FX_BUTTON_HOT = 15;    // 100 x 30, pointer over it
inline constexpr ImageId PIC_SWITCH_BACK = 20;      // 150 x 20, made at start-up
inline constexpr ImageId PIC_SWITCH_ON = 21;        // 56 x 30
inline constexpr ImageId PIC_SWITCH_OFF = 22;       // 56 x 30
inline constexpr ImageId PIC_FORMAT_JPG = 23;       // FORMAT_WIDTH x 20, drawn at start-up
inline constexpr ImageId PIC_FORMAT_PNG = 24;       // FORMAT_WIDTH x 20, drawn at start-up
inline constexpr ImageId PIC_FORMAT_WEBP = 25;      // FORMAT_WIDTH x 20, drawn at start-up

// FX panel icons (32-bit with alpha): normal and highlighted or active.
inline constexpr ImageId PIC_FX_CROP = 30;          // 39 x 29
inline constexpr ImageId PIC_FX_CROP_ACTIVE = 31;   // 39 x 29
// 32-39: the effects' icons, which the effects name by file (fx/effect_table.cpp).
inline constexpr ImageId PIC_FX_WEBCAM_OFF = 40;
inline constexpr ImageId PIC_FX_WEBCAM_ON = 41;
inline constexpr ImageId PIC_INFO = 42;             // 16 x 16

struct EmbeddedPicture {
    ImageId number;
    const char* name;  // file name under app/artwork
    const unsigned char* data;
    std::size_t size;
};

// The 28 pictures compiled into the program.
std::span<const EmbeddedPicture> embedded_pictures();

// Decodes every embedded picture under its number with catch_image and
// makes the switch background; returns how many pictures failed (0: all
// present). The codecs must be registered first.
int decode_embedded_pictures();

}  // namespace pixmold
