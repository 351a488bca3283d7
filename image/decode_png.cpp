// PNG decoder over libpng: every colour type and depth, palettes with or
// without transparency, 16-bit samples stripped to 8, interlaced or not.
#include <csetjmp>
#include <cstring>

#include <png.h>

#include "image/bitmap.h"
#include "image/codec_internal.h"

namespace pixmold {
namespace {

struct PngState : DecoderState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t at = 0;
    int passes = 1;
    ~PngState() override {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

[[noreturn]] void png_fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void png_quiet(png_structp, png_const_charp) {}

// Copies at most the bytes left in the block; asking for more is an error.
void read_from_memory(png_structp png, png_bytep out, png_size_t length) {
    auto* s = static_cast<PngState*>(png_get_io_ptr(png));
    if (length > s->size - s->at) png_error(png, "read past the end of the data");
    std::memcpy(out, s->data + s->at, length);
    s->at += length;
}

bool create(PngState& s) {
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_fail, png_quiet);
    if (!s.png) return false;
    s.info = png_create_info_struct(s.png);
    return s.info != nullptr;
}

// Reads the header and sets the transformations. `force_alpha` adds an opaque
// alpha channel to RGB results (icon entries want 32 bits).
bool read_header(PngState& s, bool force_alpha, int& source_depth) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_set_read_fn(s.png, &s, read_from_memory);
    png_set_user_limits(s.png, MAX_IMAGE_SIDE, MAX_IMAGE_SIDE);
    png_read_info(s.png, s.info);
    const int colour = png_get_color_type(s.png, s.info);
    const int bits = png_get_bit_depth(s.png, s.info);
    const bool trns = png_get_valid(s.png, s.info, PNG_INFO_tRNS) != 0;
    if (trns) png_set_tRNS_to_alpha(s.png);
    if (colour == PNG_COLOR_TYPE_GRAY && bits < 8) png_set_expand_gray_1_2_4_to_8(s.png);
    if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(s.png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(s.png);
    if (bits == 16) png_set_strip_16(s.png);
    png_set_bgr(s.png);
    s.passes = png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    if (force_alpha && png_get_color_type(s.png, s.info) == PNG_COLOR_TYPE_RGB) {
        png_set_filler(s.png, 0xFF, PNG_FILLER_AFTER);
        png_read_update_info(s.png, s.info);
    }
    switch (colour) {
    case PNG_COLOR_TYPE_RGB: source_depth = trns ? 32 : 24; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: source_depth = 32; break;
    case PNG_COLOR_TYPE_PALETTE: source_depth = trns ? 32 : bits; break;
    case PNG_COLOR_TYPE_GRAY: source_depth = (trns && bits < 8) ? 8 : bits; break;
    default: source_depth = bits; break;
    }
    return true;
}

bool read_rows(PngState& s, png_bytepp rows, png_uint_32 count) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_read_rows(s.png, rows, nullptr, count);
    return true;
}

bool read_end(PngState& s) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_read_end(s.png, s.info);
    return true;
}

void collect_metadata(PngState& s, Metadata& out) {
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (out.icc.empty() && png_get_iCCP(s.png, s.info, &name, &compression, &profile, &length) && profile)
        out.icc.assign(profile, profile + length);
    png_bytep exif = nullptr;
    png_uint_32 exif_length = 0;
    if (out.exif.empty() && png_get_eXIf_1(s.png, s.info, &exif_length, &exif) && exif)
        out.exif.assign(exif, exif + exif_length);
}

bool decode_rows(PngState& s, const DecodeTarget& target, int height, const DecodeContext* ctx) {
    constexpr int kBatch = kBandRows;
    png_bytep rows[kBatch];
    for (int pass = 0; pass < s.passes; ++pass) {
        for (int y = 0; y < height;) {
            if (ctx && ctx->cancelled()) return false;
            const int count = std::min(kBatch, height - y);
            for (int i = 0; i < count; ++i) rows[i] = target.row(y + i);
            if (!read_rows(s, rows, png_uint_32(count))) return false;
            y += count;
            if (s.passes == 1 && !target.done(y)) return false;
        }
    }
    return true;
}

// Whether an eXIf chunk comes after the first IDAT (walking the chunk
// list, not reading it).
bool exif_after_pixels(const std::uint8_t* data, std::size_t size) {
    bool pixels_seen = false;
    for (std::size_t at = 8; at + 8 <= size;) {
        const std::uint32_t length = png_get_uint_32(data + at);
        const std::uint8_t* type = data + at + 4;
        if (std::memcmp(type, "IDAT", 4) == 0) pixels_seen = true;
        if (std::memcmp(type, "eXIf", 4) == 0 && pixels_seen) return true;
        if (std::memcmp(type, "IEND", 4) == 0 || length > size) break;
        at += std::size_t(length) + 12;
    }
    return false;
}

bool png_check(DecodeContext& ctx) {
    if (ctx.size < 8 || png_sig_cmp(ctx.data, 0, 8) != 0) return false;
    auto state = std::make_unique<PngState>();
    PngState& s = *state;
    ctx.state = std::move(state);
    s.data = ctx.data;
    s.size = ctx.size;
    if (!create(s)) return false;
    int source_depth = 0;
    if (!read_header(s, false, source_depth)) return false;
    ctx.width = int(png_get_image_width(s.png, s.info));
    ctx.height = int(png_get_image_height(s.png, s.info));
    ctx.depth = png_get_color_type(s.png, s.info) == PNG_COLOR_TYPE_RGB ? 24 : 32;
    ctx.source_depth = source_depth;
    if (png_get_rowbytes(s.png, s.info) != std::size_t(ctx.width) * std::size_t(ctx.depth / 8)) return false;
    // libpng keeps the previous and the current row as stored, up to 8 bytes a pixel.
    ctx.working_bytes = std::uint64_t(ctx.width) * 8 * 2;
    // Interlaced rows come back pass after pass.
    ctx.gives_rows_in_order = s.passes == 1;
    // The metadata before the pixels is read by now; an eXIf chunk may
    // still follow them.
    if (Metadata* meta = ctx.metadata()) collect_metadata(s, *meta);
    ctx.metadata_read = !exif_after_pixels(ctx.data, ctx.size);
    return true;
}

bool png_decode(DecodeContext& ctx, const DecodeTarget& target) {
    PngState& s = static_cast<PngState&>(*ctx.state);
    if (!decode_rows(s, target, ctx.height, &ctx)) return false;
    if (Metadata* meta = ctx.metadata()) {
        collect_metadata(s, *meta);
        // eXIf may follow the picture data; a damaged tail costs only the metadata.
        if (meta->exif.empty() && read_end(s)) collect_metadata(s, *meta);
    }
    return true;
}

}  // namespace

std::unique_ptr<Bitmap> decode_png_to_bgra(const std::uint8_t* data, std::size_t size) {
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0) return nullptr;
    PngState s;
    s.data = data;
    s.size = size;
    int source_depth = 0;
    if (!create(s) || !read_header(s, true, source_depth)) return nullptr;
    const int w = int(png_get_image_width(s.png, s.info)), h = int(png_get_image_height(s.png, s.info));
    if (png_get_rowbytes(s.png, s.info) != std::size_t(w) * 4) return nullptr;
    BitmapPtr bitmap = allocate_bitmap(w, h, 32, true);
    if (!bitmap) return nullptr;
    const DecodeTarget target{bitmap->pixels, bitmap->stride, h, DECODE_BOTTOM_UP};
    if (!decode_rows(s, target, h, nullptr)) return nullptr;
    return bitmap;
}

const Decoder kPngDecoder{png_check, png_decode, TAG_PNG};

}  // namespace pixmold
