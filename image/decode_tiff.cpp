// TIFF decoder over libtiff, reading from the memory block through client
// procedures and converting with libtiff's RGBA reader.
#include <algorithm>
#include <cstring>
#include <vector>

#include <tiffio.h>

#include "image/byte_order.h"
#include "image/codec_internal.h"

namespace pixmold {
namespace {

struct MemoryFile {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
};

tmsize_t mem_read(thandle_t h, void* out, tmsize_t length) {
    auto* f = static_cast<MemoryFile*>(h);
    if (length <= 0 || f->position >= f->size) return 0;
    const std::size_t n = std::min(std::size_t(length), f->size - f->position);
    std::memcpy(out, f->data + f->position, n);
    f->position += n;
    return tmsize_t(n);
}
tmsize_t mem_write(thandle_t, void*, tmsize_t length) { return length; }
toff_t mem_seek(thandle_t h, toff_t offset, int whence) {
    auto* f = static_cast<MemoryFile*>(h);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR) base = f->position;
    else if (whence == SEEK_END) base = f->size;
    const std::uint64_t target = base + offset;  // toff_t is unsigned: relative moves wrap as libtiff intends
    if (target > (std::uint64_t(1) << 62)) return toff_t(-1);
    f->position = std::size_t(target);
    return target;
}
int mem_close(thandle_t) { return 0; }
// The true size lets libtiff check strip sizes against the data it has.
toff_t mem_size(thandle_t h) { return static_cast<MemoryFile*>(h)->size; }
int mem_map(thandle_t, void**, toff_t*) { return 0; }
void mem_unmap(thandle_t, void*, toff_t) {}

// Rows converted at a time.
constexpr int kChunkRows = 64;

struct TiffState : DecoderState {
    MemoryFile file{};
    TIFF* tiff = nullptr;
    ~TiffState() override {
        if (tiff) TIFFClose(tiff);
    }
};

// libtiff's RGBA reader mirrors a picture whose orientation tag asks for it
// (it cannot swap sides): what is left to do once it has decoded.
int orientation_left_after_decode(int orientation) {
    switch (orientation) {
        case 6: case 8: return 7;
        case 5: case 7: return 5;
        default: return 1;
    }
}

bool tiff_check(DecodeContext& ctx) {
    if (ctx.size < 8 || !tiff_byte_order({ctx.data, 4}, true)) return false;
    auto state = std::make_unique<TiffState>();
    TiffState& s = *state;
    ctx.state = std::move(state);
    s.file = {ctx.data, ctx.size, 0};
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return false;
    // Lying headers must not make libtiff allocate without bound.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(1) << 30);
    s.tiff = TIFFClientOpenExt("buffer", "rm", &s.file, mem_read, mem_write, mem_seek, mem_close, mem_size, mem_map,
                               mem_unmap, options);
    TIFFOpenOptionsFree(options);
    if (!s.tiff) return false;
    std::uint32_t width = 0, height = 0;
    std::uint16_t compression = 1, bits = 1, samples = 1;
    if (!TIFFGetField(s.tiff, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(s.tiff, TIFFTAG_IMAGELENGTH, &height))
        return false;
    TIFFGetFieldDefaulted(s.tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(s.tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(s.tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    if (compression == 32946 || compression == COMPRESSION_OJPEG) return false;
    if (width == 0 || height == 0 || width > std::uint32_t(MAX_IMAGE_SIDE) || height > std::uint32_t(MAX_IMAGE_SIDE))
        return false;
    char message[1024];
    if (!TIFFRGBAImageOK(s.tiff, message)) return false;
    ctx.width = int(width);
    ctx.height = int(height);
    ctx.depth = 32;
    ctx.source_depth = int(samples) * int(bits);
    ctx.orientation = orientation_left_after_decode(ctx.orientation);
    // The RGBA reader decodes a strip or tile at a time (each plane's, when
    // planes are stored apart) and hands rows over in chunks.
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    TIFFGetFieldDefaulted(s.tiff, TIFFTAG_PLANARCONFIG, &planar);
    const std::uint64_t piece = std::uint64_t(TIFFIsTiled(s.tiff) ? TIFFTileSize64(s.tiff) : TIFFStripSize64(s.tiff));
    ctx.working_bytes = piece * (planar == PLANARCONFIG_SEPARATE ? samples : 1) + std::uint64_t(width) * kChunkRows * 4;
    if (Metadata* meta = ctx.metadata()) {
        std::uint32_t length = 0;
        void* profile = nullptr;
        if (TIFFGetField(s.tiff, TIFFTAG_ICCPROFILE, &length, &profile) && profile)
            meta->icc.assign(static_cast<std::uint8_t*>(profile), static_cast<std::uint8_t*>(profile) + length);
    }
    return true;
}

bool tiff_decode(DecodeContext& ctx, const DecodeTarget& target) {
    TiffState& s = static_cast<TiffState&>(*ctx.state);
    char message[1024];
    TIFFRGBAImage img;
    // Stop at the first unreadable strip or tile: a picture that cannot be
    // read is a failure, not a transparent result.
    if (!TIFFRGBAImageBegin(&img, s.tiff, 1, message)) return false;
    const int w = ctx.width, h = ctx.height;
    bool ok = int(img.width) == w && int(img.height) == h;
    constexpr int kChunk = kChunkRows;
    std::vector<std::uint32_t> raster;
    if (ok) raster.resize(std::size_t(w) * kChunk);
    for (int top = 0; ok && top < h; top += kChunk) {
        if (ctx.cancelled()) {
            ok = false;
            break;
        }
        const int n = std::min(kChunk, h - top);
        img.row_offset = top;
        img.col_offset = 0;
        if (!TIFFRGBAImageGet(&img, raster.data(), std::uint32_t(w), std::uint32_t(n))) {
            ok = false;
            break;
        }
        // The chunk comes bottom row first; each word is R,G,B,A in byte order.
        for (int k = 0; k < n; ++k) {
            const std::uint8_t* src = reinterpret_cast<const std::uint8_t*>(raster.data() + std::size_t(k) * w);
            std::uint8_t* o = target.row(top + n - 1 - k);
            for (int x = 0; x < w; ++x, src += 4, o += 4) {
                o[0] = src[2];
                o[1] = src[1];
                o[2] = src[0];
                o[3] = src[3];
            }
        }
    }
    TIFFRGBAImageEnd(&img);
    return ok;
}

}  // namespace

const Decoder kTiffDecoder{tiff_check, tiff_decode, TAG_TIFF};

// Warnings are dropped; errors still reach libtiff's default handler.
void silence_tiff_warnings() {
    TIFFSetWarningHandler(nullptr);
    TIFFSetWarningHandlerExt(nullptr);
}

}  // namespace pixmold
