// Pixmold image engine: numbered in-memory pictures.
//
// Pictures live in a process-wide store under numbers the caller chooses
// (0, 1, 2 ...) or under a fresh identifier when ANY_NUMBER is passed to a
// creating operation. Every operation accepts either kind of identifier.
//
// Pixel memory layout (every codec, the resampler and the drawing layer rely
// on it):
//   * rows bottom-up: the first row in memory is the bottom picture row;
//   * stride is a multiple of 4: depth 24 -> ((w*3+3)/4)*4, depth 32 -> w*4;
//   * depth 24 = B,G,R bytes; depth 32 = B,G,R,A bytes (0xAARRGGBB as a
//     little-endian word), straight (not premultiplied) alpha.
//   * pictures are at most 32767 x 32767.
//
// Failures are results: creating operations return 0, queries return 0.
// No function of this library throws or shows anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace pixmold {

// A picture number (>= 0) or an identifier returned for ANY_NUMBER.
// Identifiers are never handed out twice, so a stale one finds nothing.
using ImageId = std::intptr_t;
// Opaque, non-zero handle of a picture's pixels; 0 means "none". Each new
// set of pixels gets a handle never used before, so a handle kept after its
// picture was freed or replaced finds nothing rather than a later picture.
using ImageHandle = std::uintptr_t;

inline constexpr ImageId ANY_NUMBER = -1;
inline constexpr int MAX_IMAGE_SIDE = 32767;

// Four ASCII letters in a little-endian word, first letter in the low byte.
using FormatTag = std::uint32_t;
inline constexpr FormatTag TAG_BMP = 0x00504D42;
inline constexpr FormatTag TAG_JPEG = 0x4745504A;
inline constexpr FormatTag TAG_PNG = 0x00474E50;
inline constexpr FormatTag TAG_TIFF = 0x46464954;
inline constexpr FormatTag TAG_TGA = 0x00414754;
inline constexpr FormatTag TAG_ICON = 0x4E4F4349;
inline constexpr FormatTag TAG_WEBP = 0x50424557;
inline constexpr FormatTag TAG_HEIF = 0x46494548;
inline constexpr FormatTag TAG_AVIF = 0x46495641;
inline constexpr FormatTag TAG_JP2 = 0x0032504A;

// The record behind a number. All fields are zero when the slot is empty.
struct Image {
    ImageHandle handle = 0;
    std::int16_t width = 0;
    std::int16_t height = 0;
    std::uint8_t depth = 0;         // 24 or 32
    std::uint8_t source_depth = 0;  // bits per pixel of the decoded file
    FormatTag format_tag = 0;       // decoder tag, TAG_ICON, or 0 if created
    std::int32_t frame_count = 0;
    std::uint32_t frame_delay = 0;
};

// Direct access to a picture's pixel memory (no copy). `pixels` points at
// the first memory row, i.e. the bottom picture row.
struct PixelView {
    std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int depth = 0;   // 24 or 32
    int stride = 0;  // bytes per row, multiple of 4
    bool is_icon = false;

    explicit operator bool() const { return pixels != nullptr; }
    // Address of picture row y counted from the top.
    std::uint8_t* row_from_top(int y) const { return pixels + std::size_t(height - 1 - y) * std::size_t(stride); }
};

// How much of a picture's pixels the picture fills, in pixels: all of them,
// or less when the last column or row holds only part of a pixel of picture
// (a JPEG decoded at a reduced scale: 6028 x 3391 at 6/8 gives 4521 x 2544
// pixels holding 4521 x 2543.25). Each side lies in (size - 1, size]; 0
// stands for the whole side.
//
// The picture may also begin inside the first column and row, at `left` and
// `top` in [0, 1), and then end as far past the last ones: a JPEG 2000
// resolution level keeps every 2^r-th pixel's neighbourhood, centred on that
// pixel rather than on the block of 2^r it stands for, so the picture starts
// (1 - 2^-r) / 2 of a pixel in.
struct PictureExtent {
    double width = 0;
    double height = 0;
    double left = 0;
    double top = 0;
};

// A view together with a share in the pixels it shows: the memory stays
// valid as long as this lives, even when another thread frees or replaces
// the picture meanwhile (its later writes are then to the old pixels). Keep
// the PixelRef itself, not a PixelView copied from it, wherever the number
// is not the caller's alone.
struct PixelRef : PixelView {
    std::shared_ptr<const void> owner;
};

// Bytes per row for a bits-per-pixel value (1, 4, 8, 15/16, 24, 32); 0 for
// other depths or when the result would overflow.
std::size_t stride_for(int width, int bits_per_pixel);

// Engine start-up: store, per-thread decode context, BMP codec. Idempotent.
void init_image_engine();

// Store operations. Colours are 0x00BBGGRR (red in the low byte); for depth
// 32 a colour of -1 means fully transparent.
ImageHandle create_image(ImageId number, int width, int height, int depth = 24, std::int32_t colour = 0);
// A picture whose pixels the caller is about to write in full (a resize or
// turn target): they are left uninitialised, only the row padding is cleared.
ImageHandle create_image_for_overwrite(ImageId number, int width, int height, int depth = 24);
ImageHandle copy_image(ImageId source, ImageId target);
ImageHandle grab_image(ImageId source, ImageId target, int x, int y, int width, int height);
void free_image(ImageId number);  // ANY_NUMBER frees every picture
void free_all_images();

int image_width(ImageId number);
int image_height(ImageId number);
ImageHandle image_handle(ImageId number);
// A copy of the record, or nothing when there is no picture.
std::optional<Image> is_image(ImageId number);

// Pixels of a live picture, by number or by handle. Empty when none.
PixelRef image_pixels(ImageId number);
PixelRef handle_pixels(ImageHandle handle);

// Number of slots in the numbered table (grows to n + 16 on demand).
std::size_t image_store_capacity();

// Moves the pixel memory of `from` into `to` (for in-place resizing: build
// the new pixels in a scratch picture, then move them over). `to` keeps its
// source_depth and format_tag and takes the width, height and depth of the
// moved pixels; `from` becomes empty. Returns the handle result for `to`, or
// 0 (nothing changed) when either picture is missing or is an icon.
ImageHandle move_pixels(ImageId from, ImageId to);

}  // namespace pixmold
