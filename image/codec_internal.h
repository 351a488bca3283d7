// Engine-internal: the decoder and encoder registries and what a codec sees.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "image/codec.h"

namespace pixmold {

// Decode flag: destination rows are bottom-up (first memory row = bottom row).
inline constexpr int DECODE_BOTTOM_UP = 2;

// Whatever a decoder keeps between check and decode (library handles, buffers).
struct DecoderState {
    virtual ~DecoderState() = default;
};

struct DecodeContext {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    int width = 0;
    int height = 0;
    int depth = 0;         // 24 or 32: what the picture must have
    int source_depth = 0;  // bits per pixel of the encoded data
    // Set by check when decode may leave pixels unwritten (RLE skips), so the
    // picture must start out black. Otherwise a successful decode writes every pixel.
    bool needs_zeroed_pixels = false;
    // Set before check to the source's EXIF orientation; a decoder that turns
    // or mirrors the picture itself leaves here what is still to be done.
    int orientation = 1;
    // Set by check: what decode allocates besides the pixels (DecodePlan).
    std::uint64_t working_bytes = 0;
    // Set by check when decode writes rows from the top down, calling
    // DecodeTarget::done at least every kBandRows rows: the rows can then go
    // through a band of that many to a resampler as they come.
    bool gives_rows_in_order = false;
    // Set by check when it has read all the metadata the decode gives.
    bool metadata_read = false;
    const DecodeOptions* options = nullptr;
    DecodeScaling scaling = DecodeScaling::Coarse;  // the decoder's own, told to min_size
    std::unique_ptr<DecoderState> state;

    bool cancelled() const { return options && options->cancel && options->cancel->load(std::memory_order_relaxed); }
    Metadata* metadata() const { return options ? options->metadata : nullptr; }
};

// The smallest size the caller can use, for decoders that can scale while
// decoding; false (and the full size) when the caller did not say.
inline bool wanted_size(const DecodeContext& ctx, int full_width, int full_height, int& min_width, int& min_height) {
    min_width = full_width;
    min_height = full_height;
    if (!ctx.options || !ctx.options->min_size) return false;
    ctx.options->min_size(full_width, full_height, ctx.scaling, min_width, min_height);
    return true;
}

// Rows a decoder writes a few at a time and hands on (to a resampler), for
// decoders that give rows in order.
inline constexpr int kBandRows = 16;
class RowBand {
public:
    virtual ~RowBand() = default;
    virtual std::uint8_t* row(int y_from_top) = 0;
    // Rows before y_end are written; false stops the decode (it fails).
    virtual bool done(int y_end) = 0;
};

// Destination rows for a decoder: maps a picture row (from the top) to
// memory, or to a band when the picture is never held whole.
struct DecodeTarget {
    std::uint8_t* pixels;
    int stride;
    int height;
    int flags;
    RowBand* band = nullptr;
    std::uint8_t* row(int y_from_top) const {
        if (band) return band->row(y_from_top);
        const int r = (flags & DECODE_BOTTOM_UP) ? height - 1 - y_from_top : y_from_top;
        return pixels + std::size_t(r) * std::size_t(stride);
    }
    // Tells that the rows before y_end are written.
    bool done(int y_end) const { return !band || band->done(y_end); }
};

struct Decoder {
    // Non-zero when the data is this format; fills width, height, depth, source_depth.
    bool (*check)(DecodeContext&);
    bool (*decode)(DecodeContext&, const DecodeTarget&);
    FormatTag format_tag;
    // How check scales when the caller asks for less (decoders that cannot scale never ask).
    DecodeScaling scaling = DecodeScaling::Coarse;
};

void register_decoder(const Decoder& decoder);

// Icon files are tried before the registry; the result is a 32-bit bitmap
// marked as an icon, or null.
bool is_icon_data(const std::uint8_t* data, std::size_t size);
BitmapPtr decode_icon(const std::uint8_t* data, std::size_t size);

// Decodes a PNG block into a fresh 32-bit bitmap (icon entries use it).
BitmapPtr decode_png_to_bgra(const std::uint8_t* data, std::size_t size);

struct EncodeJob {
    const std::uint8_t* pixels;  // first memory row
    int width;
    int height;
    int stride;
    int flags;    // DECODE_BOTTOM_UP when the first memory row is the bottom row
    int quality;
    int depth;    // requested output depth
    const EncodeOptions* options;
    std::FILE* out;

    const std::uint8_t* row(int y_from_top) const {
        const int r = (flags & DECODE_BOTTOM_UP) ? height - 1 - y_from_top : y_from_top;
        return pixels + std::size_t(r) * std::size_t(stride);
    }
    bool cancelled() const { return options && options->cancel && options->cancel->load(std::memory_order_relaxed); }
};

// An encoder that takes rows as they come, top first, B,G,R(,A) at the
// job's pixel depth; the file is complete once finish() returns true.
class RowEncoder {
public:
    virtual ~RowEncoder() = default;
    virtual bool put(const std::uint8_t* const* rows, int n) = 0;
    virtual bool finish() = 0;
};

struct Encoder {
    FormatTag format_tag;
    bool (*encode24)(const EncodeJob&);
    bool (*encode32)(const EncodeJob&);  // may be null
    // For encoders that need no whole picture first: starts writing
    // job.out for rows of `pixel_depth` bits (job.pixels unused); null when
    // it cannot (no such rows, a palette to compute, a library failure).
    std::unique_ptr<RowEncoder> (*begin_rows)(const EncodeJob& job, int pixel_depth) = nullptr;
};

void register_encoder(const Encoder& encoder);
void silence_tiff_warnings();
void init_heif_library();

// The decoder tables of each format (defined next to their code).
extern const Decoder kBmpDecoder;
extern const Decoder kJpegDecoder;
extern const Decoder kPngDecoder;
extern const Decoder kTiffDecoder;
extern const Decoder kTgaDecoder;
extern const Decoder kWebpDecoder;
extern const Decoder kHeifDecoder;
extern const Decoder kAvifDecoder;
extern const Decoder kJp2Decoder;
extern const Encoder kBmpEncoder;
extern const Encoder kJpegEncoder;
extern const Encoder kPngEncoder;
extern const Encoder kWebpEncoder;

// Little-endian readers that never read past `size`; out-of-range reads give 0.
inline std::uint32_t read_u16(const std::uint8_t* d, std::size_t size, std::size_t at) {
    return at + 2 <= size ? std::uint32_t(d[at]) | std::uint32_t(d[at + 1]) << 8 : 0;
}
inline std::uint32_t read_u32(const std::uint8_t* d, std::size_t size, std::size_t at) {
    return at + 4 <= size ? std::uint32_t(d[at]) | std::uint32_t(d[at + 1]) << 8 | std::uint32_t(d[at + 2]) << 16 |
                                std::uint32_t(d[at + 3]) << 24
                          : 0;
}

}  // namespace pixmold
