// Pixmold image engine: decoding files and memory blocks into numbered
// pictures or owned bitmaps, and encoding pictures and pixel views to files.
//
// Decoders are tried in registration order (BMP first, then JPEG, PNG,
// TIFF, TGA, WebP, HEIC, AVIF, JPEG 2000 as start-up registers them); icon
// files are recognised before the registry. Encoders exist for BMP, JPEG,
// PNG and WebP.
//
// Saving never destroys an existing file: the encoder writes a temporary
// file in the target's folder that takes the target's name only after a
// complete, flushed write (platform/atomic_file.h: modes, owners, read-only
// targets).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "image/image.h"
#include "platform/file_error.h"

namespace pixmold {

// Metadata carried from a source to an output.
struct Metadata {
    // TIFF-structured EXIF payload, starting with "II*\0" or "MM\0*" (what
    // follows "Exif\0\0" in a JPEG APP1 segment, or a PNG eXIf chunk).
    std::vector<std::uint8_t> exif;
    // ICC colour profile, uncompressed.
    std::vector<std::uint8_t> icc;
};

// How a decoder that can scale while decoding makes its smaller picture.
enum class DecodeScaling {
    // Coarser than the full picture filtered down to the same size (JPEG's
    // DCT scaling, WebP's area averaging): a caller that filters afterwards
    // may want some size to spare.
    Coarse,
    // The format's own lower resolutions (JPEG 2000's wavelet levels), each
    // already a filtered picture: as good as the full one filtered down.
    Filtered,
};

// What a decoder is about to allocate, told to DecodeOptions::before_pixels.
struct DecodePlan {
    int width = 0;  // the picture's pixels as decoded (stored orientation)
    int height = 0;
    int depth = 0;  // 24 or 32
    // Memory the decode takes besides these pixels and the block it reads:
    // the library's own buffers at their peak (whole coefficient or sample
    // arrays for progressive JPEG, JPEG 2000, lossless WebP, HEIF planes,
    // a TIFF strip), and the turned copy of a picture turned upright.
    std::uint64_t working_bytes = 0;
    // The rows are resampled as they are decoded (DecodeOptions::resize_to):
    // width and height are the resampled picture's, and working_bytes holds
    // the decoded rows kept at a time.
    bool resampled = false;
    // The rows go out as they are made (DecodeOptions::rows_to): no pixels
    // are held whole, only working_bytes.
    bool rows_out = false;
};

// Rows of a picture, top first, handed on a few at a time (valid during the
// call); false stops the work that hands them on.
using PictureRows = std::function<bool(const std::uint8_t* const* rows, int n)>;

struct DecodeOptions {
    // Called once the decoder knows the full size, with the way it scales;
    // returns the smallest size the caller can use. A decoder that can scale
    // while decoding (JPEG DCT scaling, WebP, JPEG 2000 resolution levels)
    // picks the smallest scale whose result is still at least that size on
    // both sides. Empty: decode at full size.
    std::function<void(int full_width, int full_height, DecodeScaling scaling, int& min_width, int& min_height)>
        min_size;
    // Called with what the decoder settled on, before the pixel memory and
    // the decoder's own big buffers are allocated; it may block (to wait for
    // memory). False gives the decode up (it fails). Empty: go ahead.
    std::function<bool(const DecodePlan& plan)> before_pixels;
    // When set, called with the decoded size once it is known (after
    // min_size, before before_pixels); sets the size, as stored, that the
    // picture should come out at. A decoder that gives its rows in order
    // (JPEG, PNG that is not interlaced) hands them to a resampler as they
    // come, so the decoded picture is never held whole: the result has the
    // bytes resize_pixels would give in smooth mode, and `extent` is reset
    // to the whole of it. Other pictures come out at their decoded size, for
    // the caller to resize. Leaving the size unchanged resizes nothing.
    std::function<void(int width, int height, int& out_width, int& out_height)> resize_to;
    // Asked while such rows are resampled, until it says yes: from then on
    // the resampler works on a thread of its own beside the decoder (a
    // batch says yes once a core is spare). Empty: all on the calling thread.
    std::function<bool()> spare_thread;
    // When set, asked with the size and pixel depth the picture comes out at
    // (as stored; after resize_to) and the source's depth (as
    // DecodedPicture::source_depth) when its decoder gives rows in order and has
    // read its metadata by then (JPEG), unless `upright` turns it. What it
    // returns takes the rows as they are made instead of a bitmap, so that
    // the picture is never held whole (DecodedPicture::handed_on); empty:
    // a bitmap as usual.
    std::function<PictureRows(int width, int height, int depth, int source_depth)> rows_to;
    // When set, receives the source's EXIF orientation (1..8; 1 without one,
    // and for HEIC and AVIF, which their decoder turns as the container
    // says) before min_size and before_pixels are called. Their sizes are
    // those of the picture as stored: orientations 5..8 show it sides swapped.
    int* orientation = nullptr;
    // Turns the picture as its orientation says it is shown, so that it comes
    // out upright (DecodedPicture::orientation 1). Not with min_size: a
    // scaled picture's partial last column or row would move.
    bool upright = false;
    // Polled during decoding; when it becomes true the decode fails (returns 0).
    const std::atomic<bool>* cancel = nullptr;
    // When set, receives the source's EXIF and ICC profile where the format has them.
    Metadata* metadata = nullptr;
    // When set, receives how much of the decoded pixels the picture fills:
    // all of them (0 or the decoded size) unless a scaled decode ends in a
    // partial column or row.
    PictureExtent* extent = nullptr;
};

struct EncodeOptions {
    // Written into the output where the format allows (JPEG: APP1 Exif and
    // APP2 ICC_PROFILE; PNG: iCCP and eXIf; WebP: EXIF and ICCP chunks). An Exif block too big for one
    // APP1 segment (over 65527 bytes) is left out of a JPEG; libpng drops an
    // ICC profile it finds malformed.
    const Metadata* metadata = nullptr;
    // Polled during encoding; when it becomes true the save fails and leaves no file.
    const std::atomic<bool>* cancel = nullptr;
    // When set, receives why the file could not be written (FileError::None
    // after a success, or when the save failed for another reason: a stop, a
    // picture that cannot be saved).
    FileError* file_error = nullptr;
};

void register_bmp_codec();
void register_jpeg_decoder();
void register_jpeg_encoder();
void register_png_decoder();
void register_png_encoder();
void register_webp_encoder();
void register_tiff_decoder();
void register_tga_decoder();
// WebP; HEIF with HEVC (HEIC) and with AV1 (AVIF); JPEG 2000 (.jp2 files and
// bare codestreams). Each registers at most once.
void register_webp_decoder();
void register_heif_decoders();
void register_jp2_decoder();
// All of the above, in the order start-up uses. Idempotent.
void register_all_codecs();

// Handle result as for create_image; 0 when the data cannot be read or no
// decoder accepts it. The stored picture is as the file stores it unless
// `options.upright` asks for it turned. `path` is UTF-8. A file that cannot be read leaves the
// number as it was; anything later (unknown or broken data, truncated
// pixels, no memory) leaves it empty. A decode never reports a picture it
// has not fully read.
ImageHandle load_image(ImageId number, const std::string& path, const DecodeOptions& options = {});
ImageHandle catch_image(ImageId number, const void* data, std::size_t size, const DecodeOptions& options = {});

// quality: JPEG and WebP 0..10 (library quality = clamp(q,0,10)*10); for
// PNG/BMP only bit 0x100 (dithering of the palette quantiser) has a meaning.
// WebP is lossy, keeps alpha when a 32-bit picture has any, and takes no
// side over 16383.
// depth -1: the picture's source_depth. Returns non-zero on success.
int save_image(ImageId number, const std::string& path, FormatTag format = TAG_BMP, int quality = 7, int depth = -1,
               const EncodeOptions& options = {});

// A picture decoded into a bitmap of its own, outside the store.
struct DecodedPicture {
    BitmapPtr bitmap;          // null when the data could not be decoded
    int source_depth = 0;      // bits per pixel of the encoded data
    FormatTag format_tag = 0;  // the decoder's tag, or TAG_ICON
    // The EXIF orientation (1..8) the pixels still need to be shown upright:
    // the source's, less what its decoder did itself (a TIFF reader mirrors,
    // HEIC and AVIF come turned); 1 when DecodeOptions::upright was asked.
    int orientation = 1;
    // Every row went to DecodeOptions::rows_to: decoded, with no bitmap.
    bool handed_on = false;

    explicit operator bool() const { return bitmap || handed_on; }
};

// Decodes a block as catch_image does (the same decoders, options and
// guarantees), into a bitmap the caller owns.
DecodedPicture decode_picture(std::span<const std::uint8_t> data, const DecodeOptions& options = {});

// Writes pixels as save_image writes a picture (save_image goes through
// here). depth -1: the view's depth. An icon's view is refused.
int save_pixels(const PixelView& pixels, const std::string& path, FormatTag format = TAG_BMP, int quality = 7,
                int depth = -1, const EncodeOptions& options = {});

// Writes a picture that comes row by row, top first, as save_pixels writes
// a whole one: the same bytes, the same safe replacement of the target.
// JPEG takes 24-bit rows; PNG 24-bit rows, or 32-bit rows at depth 32 (or
// -1). Formats that need every pixel first (WebP, BMP, PNG palettes) have
// no row writer.
class RowWriter {
public:
    RowWriter();
    ~RowWriter();  // abandons a file not committed
    RowWriter(const RowWriter&) = delete;
    RowWriter& operator=(const RowWriter&) = delete;

    // Opens the temporary file and starts the encoder; false when these
    // rows cannot be written so, or the file cannot be opened
    // (options.file_error says why). `options` must outlive the writer.
    bool open(const std::string& path, int width, int height, int pixel_depth, FormatTag format, int quality,
              int depth, const EncodeOptions& options);
    // The next rows; false on a write error or a stop.
    bool put(const std::uint8_t* const* rows, int n);
    // After the last row, the file takes its name; false leaves no file.
    bool commit();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace pixmold
