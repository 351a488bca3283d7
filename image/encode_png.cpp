// PNG encoder over libpng: filter None, zlib level 9; RGB, RGBA, or a
// palette of 2^d colours for a requested depth d of 1..8.
#include <csetjmp>
#include <algorithm>
#include <cstring>
#include <vector>

#include <png.h>

#include "image/codec_internal.h"
#include "image/quantize.h"

namespace pixmold {
namespace {

struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriter() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

[[noreturn]] void png_fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void png_quiet(png_structp, png_const_charp) {}

struct Header {
    int width, height, bit_depth, colour_type;
    const std::vector<png_color>* palette;
    const Metadata* metadata;
};

bool write_header(PngWriter& w, std::FILE* out, const Header& h) {
    if (setjmp(png_jmpbuf(w.png))) return false;
    png_init_io(w.png, out);
    png_set_benign_errors(w.png, 1);  // a doubtful ICC profile is dropped, not fatal
    png_set_filter(w.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(w.png, 9);
    png_set_IHDR(w.png, w.info, png_uint_32(h.width), png_uint_32(h.height), h.bit_depth, h.colour_type,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (h.palette) png_set_PLTE(w.png, w.info, h.palette->data(), int(h.palette->size()));
    if (h.metadata) {
        if (!h.metadata->icc.empty())
            png_set_iCCP(w.png, w.info, "ICC profile", PNG_COMPRESSION_TYPE_BASE, h.metadata->icc.data(),
                         png_uint_32(h.metadata->icc.size()));
        if (!h.metadata->exif.empty())
            png_set_eXIf_1(w.png, w.info, png_uint_32(h.metadata->exif.size()),
                           const_cast<png_bytep>(h.metadata->exif.data()));
    }
    png_write_info(w.png, w.info);
    if (!h.palette) png_set_bgr(w.png);
    return true;
}

bool write_rows(PngWriter& w, png_bytepp rows, png_uint_32 count) {
    if (setjmp(png_jmpbuf(w.png))) return false;
    png_write_rows(w.png, rows, count);
    return true;
}

bool write_end(PngWriter& w) {
    if (setjmp(png_jmpbuf(w.png))) return false;
    png_write_end(w.png, nullptr);  // chunks already written with the header
    return true;
}

bool create(PngWriter& w) {
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, png_fail, png_quiet);
    if (!w.png) return false;
    w.info = png_create_info_struct(w.png);
    return w.info != nullptr;
}

// RGB or RGBA rows as they come.
class PngRows final : public RowEncoder {
public:
    explicit PngRows(const EncodeJob& job) : job_(job) {}
    bool begin(bool alpha) {
        if (!create(w_)) return false;
        const Header header{job_.width, job_.height, 8, alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                            nullptr, job_.options ? job_.options->metadata : nullptr};
        return write_header(w_, job_.out, header);
    }
    bool put(const std::uint8_t* const* rows, int n) override {
        if (job_.cancelled()) return false;
        return write_rows(w_, const_cast<png_bytepp>(rows), png_uint_32(n));
    }
    bool finish() override { return write_end(w_); }

private:
    const EncodeJob job_;
    PngWriter w_;
};

std::unique_ptr<RowEncoder> png_begin_rows(const EncodeJob& job, int pixel_depth) {
    // A palette needs every pixel first. RGBA only from 32-bit pixels at
    // depth 32 (others are flattened first); RGB from 24-bit pixels.
    if (job.depth >= 1 && job.depth <= 8) return nullptr;
    if (pixel_depth != 24 && (pixel_depth != 32 || job.depth != 32)) return nullptr;
    auto rows = std::make_unique<PngRows>(job);
    if (!rows->begin(pixel_depth == 32)) return nullptr;
    return rows;
}

// Rows of the job's pixels through `w`.
bool put_all_rows(RowEncoder& w, const EncodeJob& job) {
    constexpr int kBatch = 16;
    const std::uint8_t* rows[kBatch];
    for (int y = 0; y < job.height;) {
        const int count = std::min(kBatch, job.height - y);
        for (int i = 0; i < count; ++i) rows[i] = job.row(y + i);
        if (!w.put(rows, count)) return false;
        y += count;
    }
    return w.finish();
}

bool encode(const EncodeJob& job, bool alpha) {
    const bool indexed = job.depth >= 1 && job.depth <= 8;
    if (!indexed) {
        const std::unique_ptr<RowEncoder> w = png_begin_rows({job.pixels, job.width, job.height, job.stride,
                                                              job.flags, job.quality, alpha ? 32 : 24, job.options,
                                                              job.out},
                                                             alpha ? 32 : 24);
        return w && put_all_rows(*w, job);
    }
    // libpng has no palettes of 3, 5, 6 or 7 bits; fail before writing anything.
    if (job.depth != 1 && job.depth != 2 && job.depth != 4 && job.depth != 8) return false;
    Palette palette = quantize({job.pixels, job.width, job.height, job.stride, alpha ? 4 : 3}, job.depth);
    if (palette.entries.empty()) return false;
    std::vector<png_color> plte;
    for (const auto& e : palette.entries) plte.push_back({e[2], e[1], e[0]});
    PngWriter w;
    if (!create(w)) return false;
    const Header header{job.width, job.height, job.depth, PNG_COLOR_TYPE_PALETTE, &plte,
                        job.options ? job.options->metadata : nullptr};
    if (!write_header(w, job.out, header)) return false;

    constexpr int kBatch = 16;
    png_bytep rows[kBatch];
    std::vector<std::uint8_t> packed;
    const std::size_t packed_stride = (std::size_t(job.width) * std::size_t(job.depth) + 7) / 8;
    packed.resize(packed_stride * kBatch);
    for (int y = 0; y < job.height;) {
        if (job.cancelled()) return false;
        const int count = std::min(kBatch, job.height - y);
        for (int i = 0; i < count; ++i) {
            // Indices packed most significant bits first.
            const int memory_row = (job.flags & DECODE_BOTTOM_UP) ? job.height - 1 - (y + i) : y + i;
            const std::uint8_t* idx = palette.indices.data() + std::size_t(memory_row) * std::size_t(job.width);
            std::uint8_t* o = packed.data() + std::size_t(i) * packed_stride;
            std::memset(o, 0, packed_stride);
            const int d = job.depth;
            for (int x = 0; x < job.width; ++x) {
                const int bit = x * d;
                o[bit >> 3] |= std::uint8_t(idx[x] << (8 - d - (bit & 7)));
            }
            rows[i] = o;
        }
        if (!write_rows(w, rows, png_uint_32(count))) return false;
        y += count;
    }
    return write_end(w);
}

bool png_encode24(const EncodeJob& job) { return encode(job, false); }
bool png_encode32(const EncodeJob& job) { return encode(job, true); }

}  // namespace

const Encoder kPngEncoder{TAG_PNG, png_encode24, png_encode32, png_begin_rows};

}  // namespace pixmold
