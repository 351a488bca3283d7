// JPEG decoder over libjpeg: grey, YCbCr, RGB, CMYK and YCCK, baseline or
// progressive, optionally scaled down by the DCT while decoding.
#include <algorithm>
#include <cstring>
#include <vector>

#include <jerror.h>

#include "image/codec_internal.h"
#include "image/jpeg_common.h"

namespace pixmold {
namespace {

constexpr unsigned kApp1 = JPEG_APP0 + 1;
constexpr unsigned kApp2 = JPEG_APP0 + 2;

// libjpeg-turbo decodes sequential Huffman data on a fast path that turns a
// bad code into a zero without a word while a few kilobytes are left in its
// buffer. Fed in pieces smaller than that it keeps to the path that reports
// bad codes, for about 5 % more instructions per decode.
constexpr std::size_t kPieceBytes = 256;

struct PieceSource {
    jpeg_source_mgr mgr{};
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t next = 0;  // first byte not handed to libjpeg yet
};

void source_start(j_decompress_ptr) {}
void source_end(j_decompress_ptr) {}

boolean source_fill(j_decompress_ptr cinfo) {
    static const JOCTET end_marker[2] = {0xFF, JPEG_EOI};
    auto& s = *reinterpret_cast<PieceSource*>(cinfo->src);
    if (s.next >= s.size) {
        // Out of data: an end marker, as libjpeg's own memory source does.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        s.mgr.next_input_byte = end_marker;
        s.mgr.bytes_in_buffer = 2;
        return TRUE;
    }
    const std::size_t n = std::min(kPieceBytes, s.size - s.next);
    s.mgr.next_input_byte = s.data + s.next;
    s.mgr.bytes_in_buffer = n;
    s.next += n;
    return TRUE;
}

void source_skip(j_decompress_ptr cinfo, long count) {
    auto& s = *reinterpret_cast<PieceSource*>(cinfo->src);
    if (count <= 0) return;
    if (std::size_t(count) <= s.mgr.bytes_in_buffer) {
        s.mgr.next_input_byte += count;
        s.mgr.bytes_in_buffer -= std::size_t(count);
        return;
    }
    s.next = std::min(s.size, s.next + (std::size_t(count) - s.mgr.bytes_in_buffer));
    s.mgr.bytes_in_buffer = 0;
}

struct JpegState : DecoderState {
    jpeg_decompress_struct cinfo{};
    PieceSource source;
    JpegErrorManager errors{};
    bool created = false;
    bool cmyk = false;
    ~JpegState() override {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

// Each library call that can fail runs inside one of these small functions,
// which hold nothing with a destructor across setjmp.

bool read_header(JpegState& s, const std::uint8_t* data, std::size_t size, bool keep_metadata) {
    install_jpeg_errors(s.errors);
    s.cinfo.err = &s.errors.mgr;
    if (setjmp(s.errors.jump)) return false;
    jpeg_create_decompress(&s.cinfo);
    s.created = true;
    s.source.data = data;
    s.source.size = size;
    s.source.mgr.init_source = source_start;
    s.source.mgr.fill_input_buffer = source_fill;
    s.source.mgr.skip_input_data = source_skip;
    s.source.mgr.resync_to_restart = jpeg_resync_to_restart;
    s.source.mgr.term_source = source_end;
    s.cinfo.src = &s.source.mgr;
    if (keep_metadata) {
        jpeg_save_markers(&s.cinfo, kApp1, 0xFFFF);
        jpeg_save_markers(&s.cinfo, kApp2, 0xFFFF);
    }
    return jpeg_read_header(&s.cinfo, TRUE) == JPEG_HEADER_OK;
}

bool calc_dimensions(JpegState& s) {
    if (setjmp(s.errors.jump)) return false;
    jpeg_calc_output_dimensions(&s.cinfo);
    return true;
}

bool start(JpegState& s) {
    if (setjmp(s.errors.jump)) return false;
    return jpeg_start_decompress(&s.cinfo) != FALSE;
}

// Lines read, or -1 on a library error.
int read_lines(JpegState& s, JSAMPARRAY rows, JDIMENSION count) {
    if (setjmp(s.errors.jump)) return -1;
    return int(jpeg_read_scanlines(&s.cinfo, rows, count));
}

bool finish(JpegState& s) {
    if (setjmp(s.errors.jump)) return false;
    jpeg_finish_decompress(&s.cinfo);
    return true;
}

bool read_icc(JpegState& s, JOCTET** profile, unsigned* length) {
    if (setjmp(s.errors.jump)) return false;
    return jpeg_read_icc_profile(&s.cinfo, profile, length) != FALSE;
}

void collect_metadata(JpegState& s, Metadata& out) {
    for (jpeg_saved_marker_ptr m = s.cinfo.marker_list; m; m = m->next) {
        if (m->marker == kApp1 && m->data_length > 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0 && out.exif.empty())
            out.exif.assign(m->data + 6, m->data + m->data_length);
    }
    JOCTET* profile = nullptr;
    unsigned length = 0;
    if (read_icc(s, &profile, &length) && profile) out.icc.assign(profile, profile + length);
    std::free(profile);
}

// Time to decode at n/8 against 8/8, measured with djpeg on 10-20 MP photos.
// libjpeg-turbo has SIMD code only for the 1/8, 2/8, 4/8 and 8/8 inverse
// DCTs: 6/8 and 7/8 cost more than the full size, 5/8 about as much.
constexpr double kDecodeCost[9] = {0, 0.62, 0.70, 0.74, 0.74, 0.98, 1.12, 1.50, 1.00};
// What each decoded pixel costs the resampler afterwards, at full size,
// in the same unit.
constexpr double kResampleCost = 0.10;

// Of the scales n/8 whose output still covers the minimum on both sides, the
// cheapest to decode and then resample.
void choose_scale(JpegState& s, const DecodeContext& ctx) {
    int min_w = 0, min_h = 0;
    if (!wanted_size(ctx, int(s.cinfo.image_width), int(s.cinfo.image_height), min_w, min_h)) return;
    s.cinfo.scale_denom = 8;
    unsigned best = 8;
    double best_cost = kDecodeCost[8] + kResampleCost;
    for (unsigned n = 1; n < 8; ++n) {
        s.cinfo.scale_num = n;
        if (!calc_dimensions(s)) break;
        if (int(s.cinfo.output_width) < min_w || int(s.cinfo.output_height) < min_h) continue;
        const double cost = kDecodeCost[n] + kResampleCost * double(n * n) / 64.0;
        if (cost < best_cost) best = n, best_cost = cost;
    }
    s.cinfo.scale_num = best;
    calc_dimensions(s);
}

// Whether a file read whole has brought every component, and in a
// progressive file every coefficient to full precision. An end marker
// between two scans raises no warning, yet what is missing would come out
// as grey or as a coarse, blurred picture.
bool scans_complete(const jpeg_decompress_struct& c) {
    for (int ci = 0; ci < c.num_components; ++ci) {
        // The quantisation table is latched when a component's first scan starts.
        if (!c.comp_info[ci].quant_table) return false;
        if (c.progressive_mode)
            for (int k = 0; k < DCTSIZE2; ++k)
                if (c.coef_bits[ci][k] != 0) return false;
    }
    return true;
}

// What libjpeg allocates to decode: a multi-scan file keeps every
// coefficient of the full-size picture (2 bytes per sample of each
// component, whatever the output scale); a single scan, a few rows of
// blocks of each component. Plus the CMYK rows the decode converts from.
std::uint64_t working_bytes(const jpeg_decompress_struct& c, bool multi_scan) {
    std::uint64_t bytes = 0;
    for (int ci = 0; ci < c.num_components; ++ci) {
        const jpeg_component_info& comp = c.comp_info[ci];
        const std::uint64_t h = std::uint64_t(comp.h_samp_factor), v = std::uint64_t(comp.v_samp_factor);
        const std::uint64_t blocks_wide = (std::uint64_t(comp.width_in_blocks) + h - 1) / h * h;
        const std::uint64_t blocks_high = (std::uint64_t(comp.height_in_blocks) + v - 1) / v * v;
        bytes += multi_scan ? blocks_wide * blocks_high * DCTSIZE2 * sizeof(JCOEF)
                            : blocks_wide * DCTSIZE * v * DCTSIZE * 4;
    }
    return bytes + std::uint64_t(c.output_width) * 4 * 16;
}

bool jpeg_check(DecodeContext& ctx) {
    if (ctx.size < 2 || ctx.data[0] != 0xFF || ctx.data[1] != 0xD8) return false;
    auto state = std::make_unique<JpegState>();
    JpegState& s = *state;
    ctx.state = std::move(state);
    if (!read_header(s, ctx.data, ctx.size, ctx.metadata() != nullptr)) return false;
    switch (s.cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
        // Straight into the engine's byte order.
        s.cinfo.out_color_space = JCS_EXT_BGR;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        s.cinfo.out_color_space = JCS_CMYK;
        s.cmyk = true;
        break;
    default:
        return false;
    }
    s.cinfo.dct_method = JDCT_ISLOW;
    // Multi-scan files keep every coefficient of the full-size picture in
    // memory, so a few hundred bytes claiming 60000 x 60000 would ask for
    // gigabytes: such sizes are refused outright, and libjpeg's own memory is
    // capped (beyond it the library fails cleanly, having no backing store).
    const bool multi_scan = jpeg_has_multiple_scans(&s.cinfo);
    if (multi_scan &&
        (s.cinfo.image_width > JDIMENSION(MAX_IMAGE_SIDE) || s.cinfo.image_height > JDIMENSION(MAX_IMAGE_SIDE)))
        return false;
    s.cinfo.mem->max_memory_to_use = long(2) << 30;
    // Huffman coding spends at least a bit on every block's DC value, so a
    // complete file is at least an eighth of a byte per block: one shorter
    // is damaged, and is refused before any coefficient memory is taken.
    std::uint64_t blocks = 0;
    for (int ci = 0; ci < s.cinfo.num_components; ++ci)
        blocks += std::uint64_t(s.cinfo.comp_info[ci].width_in_blocks) * s.cinfo.comp_info[ci].height_in_blocks;
    if (multi_scan && !s.cinfo.arith_code && std::uint64_t(ctx.size) < blocks / 8) return false;
    choose_scale(s, ctx);
    if (!calc_dimensions(s) || s.cinfo.output_width > JDIMENSION(MAX_IMAGE_SIDE) ||
        s.cinfo.output_height > JDIMENSION(MAX_IMAGE_SIDE))
        return false;
    if (Metadata* meta = ctx.metadata()) collect_metadata(s, *meta);
    ctx.working_bytes = working_bytes(s.cinfo, multi_scan);
    ctx.gives_rows_in_order = true;
    ctx.metadata_read = true;
    ctx.width = int(s.cinfo.output_width);
    ctx.height = int(s.cinfo.output_height);
    ctx.depth = 24;
    ctx.source_depth = 8 * s.cinfo.output_components;
    // Scaled sides round up, so the last column and row may hold only part of a pixel.
    if (PictureExtent* extent = ctx.options ? ctx.options->extent : nullptr) {
        extent->width = double(s.cinfo.image_width) * s.cinfo.scale_num / s.cinfo.scale_denom;
        extent->height = double(s.cinfo.image_height) * s.cinfo.scale_num / s.cinfo.scale_denom;
    }
    return true;
}

// libjpeg pads data that ends early (the file is cut, or a marker comes
// inside a scan) with grey. A file that only lacks its end marker (or a few
// bytes of the last row of blocks) is still accepted; data that ends earlier
// is a damaged file and fails rather than turning grey.
bool truncated(const JpegState& s) {
    if (!s.errors.hit_end_of_data) return false;
    const long block_rows = long(s.cinfo.max_v_samp_factor) * DCTSIZE * long(s.cinfo.scale_num) /
                                long(s.cinfo.scale_denom) + 1;
    return long(s.cinfo.output_height) - s.errors.end_of_data_line > block_rows;
}

bool jpeg_decode(DecodeContext& ctx, const DecodeTarget& target) {
    JpegState& s = static_cast<JpegState&>(*ctx.state);
    // Not in check: a multi-scan file is read whole here, into the
    // coefficient memory the caller was told of before the decode.
    // Running out of data then means scans are missing.
    if (!start(s) || s.errors.hit_end_of_data ||
        (jpeg_has_multiple_scans(&s.cinfo) && !scans_complete(s.cinfo)))
        return false;
    if (int(s.cinfo.output_width) != ctx.width || int(s.cinfo.output_height) != ctx.height) return false;
    const int w = ctx.width, h = ctx.height;
    constexpr int kBatch = kBandRows;
    JSAMPROW rows[kBatch];
    std::vector<std::uint8_t> cmyk;
    if (s.cmyk) cmyk.resize(std::size_t(w) * 4 * kBatch);
    int y = 0;
    while (y < h) {
        if (ctx.cancelled()) return false;
        const int want = std::min(kBatch, h - y);
        for (int i = 0; i < want; ++i)
            rows[i] = s.cmyk ? cmyk.data() + std::size_t(i) * std::size_t(w) * 4 : target.row(y + i);
        const int got = read_lines(s, rows, JDIMENSION(want));
        if (got <= 0 || truncated(s)) return false;
        if (s.cmyk) {
            // Stored values as they are: with the inverted samples that
            // Adobe writes, 255 means no ink.
            for (int i = 0; i < got; ++i) {
                const std::uint8_t* p = rows[i];
                std::uint8_t* o = target.row(y + i);
                for (int x = 0; x < w; ++x, p += 4, o += 3) {
                    const unsigned k = p[3];
                    o[0] = std::uint8_t(p[2] * k / 255);
                    o[1] = std::uint8_t(p[1] * k / 255);
                    o[2] = std::uint8_t(p[0] * k / 255);
                }
            }
        }
        y += got;
        if (!target.done(y)) return false;
    }
    return finish(s) && !truncated(s);
}

}  // namespace

const Decoder kJpegDecoder{jpeg_check, jpeg_decode, TAG_JPEG};

}  // namespace pixmold
