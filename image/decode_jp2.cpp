// JPEG 2000 decoder over OpenJPEG: .jp2 files and bare .j2k codestreams,
// grey or colour (RGB or YCbCr, subsampled chroma included), with or without
// alpha, any precision up to 16 bits reduced to 8. When the caller needs
// less than the full size, only the resolution levels it needs are decoded.
#include <openjpeg.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

#include "image/codec_internal.h"

namespace pixmold {
namespace {

constexpr std::uint8_t kJp2Signature[12] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
constexpr std::uint8_t kCodestreamStart[4] = {0xFF, 0x4F, 0xFF, 0x51};  // SOC, then SIZ

struct MemoryStream {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

OPJ_SIZE_T stream_read(void* out, OPJ_SIZE_T length, void* user) {
    auto* m = static_cast<MemoryStream*>(user);
    if (m->at >= m->size) return OPJ_SIZE_T(-1);  // end of the data
    const std::size_t n = std::min<std::size_t>(length, m->size - m->at);
    std::memcpy(out, m->data + m->at, n);
    m->at += n;
    return n;
}

OPJ_OFF_T stream_skip(OPJ_OFF_T length, void* user) {
    auto* m = static_cast<MemoryStream*>(user);
    if (length < 0) {
        const std::size_t back = std::min<std::size_t>(std::size_t(-length), m->at);
        m->at -= back;
        return -OPJ_OFF_T(back);
    }
    const std::size_t ahead = std::min<std::size_t>(std::size_t(length), m->size - std::min(m->at, m->size));
    m->at += ahead;
    return OPJ_OFF_T(ahead);
}

OPJ_BOOL stream_seek(OPJ_OFF_T to, void* user) {
    auto* m = static_cast<MemoryStream*>(user);
    if (to < 0 || std::uint64_t(to) > m->size) return OPJ_FALSE;
    m->at = std::size_t(to);
    return OPJ_TRUE;
}

void quiet(const char*, void*) {}

struct Jp2State : DecoderState {
    MemoryStream source{nullptr, 0};
    opj_stream_t* stream = nullptr;
    opj_codec_t* codec = nullptr;
    opj_image_t* image = nullptr;
    bool ycc = false;
    int colour_components = 0;  // 1 grey, 3 colour
    int alpha_component = -1;
    ~Jp2State() override {
        if (image) opj_image_destroy(image);
        if (codec) opj_destroy_codec(codec);
        if (stream) opj_stream_destroy(stream);
    }
};

OPJ_UINT32 ceil_div(OPJ_UINT32 a, OPJ_UINT32 b) { return OPJ_UINT32((std::uint64_t(a) + b - 1) / b); }
OPJ_UINT32 ceil_div_pow2(OPJ_UINT32 a, OPJ_UINT32 r) { return OPJ_UINT32((std::uint64_t(a) + (1ull << r) - 1) >> r); }

// A component's size at a reduction, as the library computes it.
void reduced_size(const opj_image_t& image, const opj_image_comp_t& c, OPJ_UINT32 r, OPJ_UINT32& w, OPJ_UINT32& h) {
    w = ceil_div_pow2(ceil_div(image.x1, c.dx), r) - ceil_div_pow2(ceil_div(image.x0, c.dx), r);
    h = ceil_div_pow2(ceil_div(image.y1, c.dy), r) - ceil_div_pow2(ceil_div(image.y0, c.dy), r);
}

// The most halvings the file allows whose result still covers what the caller needs.
OPJ_UINT32 choose_reduction(DecodeContext& ctx, Jp2State& s, OPJ_UINT32 full_w, OPJ_UINT32 full_h) {
    int min_w = 0, min_h = 0;
    if (!wanted_size(ctx, int(full_w), int(full_h), min_w, min_h)) return 0;
    opj_codestream_info_v2_t* info = opj_get_cstr_info(s.codec);
    if (!info) return 0;
    OPJ_UINT32 levels = 32;
    for (OPJ_UINT32 c = 0; c < info->nbcomps && info->m_default_tile_info.tccp_info; ++c)
        levels = std::min(levels, info->m_default_tile_info.tccp_info[c].numresolutions);
    opj_destroy_cstr_info(&info);
    OPJ_UINT32 r = 0;
    while (r + 1 < levels) {
        OPJ_UINT32 w = 0, h = 0;
        reduced_size(*s.image, s.image->comps[0], r + 1, w, h);
        if (int(w) < std::max(min_w, 1) || int(h) < std::max(min_h, 1)) break;
        ++r;
    }
    return r;
}

std::uint32_t be32(const std::uint8_t* d) {
    return std::uint32_t(d[0]) << 24 | std::uint32_t(d[1]) << 16 | std::uint32_t(d[2]) << 8 | d[3];
}

// Where the codestream starts: at 0 for a bare one, inside the "jp2c" box of
// a .jp2 file; `size` when it cannot be found.
std::size_t codestream_start(const std::uint8_t* d, std::size_t size, bool boxed) {
    if (!boxed) return 0;
    for (std::size_t at = 0; size - at >= 8;) {
        std::uint64_t length = be32(d + at);
        std::size_t header = 8;
        if (length == 1) {
            if (size - at < 16) break;
            length = std::uint64_t(be32(d + at + 8)) << 32 | be32(d + at + 12);
            header = 16;
        }
        if (std::memcmp(d + at + 4, "jp2c", 4) == 0) return at + header;
        if (length == 0 || length < header || length > size - at) break;
        at += std::size_t(length);
    }
    return size;
}

// Whether the bytes after the main header can hold every tile: each tile
// has at least one tile-part (12 bytes of SOT, 2 of SOD), and each of its
// components in each quality layer at least a one-byte packet of the lowest
// resolution (unless the packet headers are packed into the main header).
// A few dozen bytes claiming a huge picture would otherwise make the library
// allocate its full-size sample arrays before finding the data missing.
bool holds_every_tile(const std::uint8_t* d, std::size_t size, bool boxed, std::uint64_t tiles, std::uint64_t components,
                      std::uint64_t layers) {
    std::size_t at = codestream_start(d, size, boxed);
    if (size - std::min(at, size) < 2) return false;
    at += 2;  // SOC
    bool packed_headers = false;
    while (at <= size && size - at >= 4) {
        const unsigned marker = unsigned(d[at]) << 8 | d[at + 1];
        if (marker == 0xFF90) {
            const std::uint64_t per_tile = 14 + (packed_headers ? 0 : components * layers);
            return tiles <= (size - at) / per_tile;
        }
        if ((marker >> 8) != 0xFF) return false;
        if (marker == 0xFF60) packed_headers = true;  // PPM
        at += 2 + (std::size_t(d[at + 2]) << 8 | d[at + 3]);
    }
    return false;
}

bool jp2_check(DecodeContext& ctx) {
    OPJ_CODEC_FORMAT format;
    if (ctx.size >= 12 && std::memcmp(ctx.data, kJp2Signature, 12) == 0) format = OPJ_CODEC_JP2;
    else if (ctx.size >= 4 && std::memcmp(ctx.data, kCodestreamStart, 4) == 0) format = OPJ_CODEC_J2K;
    else return false;
    auto state = std::make_unique<Jp2State>();
    Jp2State& s = *state;
    ctx.state = std::move(state);
    s.source = MemoryStream{ctx.data, ctx.size};
    s.stream = opj_stream_create(64 << 10, OPJ_TRUE);
    s.codec = opj_create_decompress(format);
    if (!s.stream || !s.codec) return false;
    opj_stream_set_user_data(s.stream, &s.source, nullptr);
    opj_stream_set_user_data_length(s.stream, ctx.size);
    opj_stream_set_read_function(s.stream, stream_read);
    opj_stream_set_skip_function(s.stream, stream_skip);
    opj_stream_set_seek_function(s.stream, stream_seek);
    opj_set_info_handler(s.codec, quiet, nullptr);
    opj_set_warning_handler(s.codec, quiet, nullptr);
    opj_set_error_handler(s.codec, quiet, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(s.codec, &parameters)) return false;
    // A codestream that ends early is an error, not a picture padded with grey.
    opj_decoder_set_strict_mode(s.codec, OPJ_TRUE);
    opj_codec_set_threads(s.codec, int(std::max(1u, std::thread::hardware_concurrency())));
    if (!opj_read_header(s.stream, s.codec, &s.image) || !s.image || s.image->numcomps == 0) return false;
    const opj_image_t& image = *s.image;
    if (image.x1 <= image.x0 || image.y1 <= image.y0) return false;
    // Lab pictures (a profile buffer without a profile) and CMYK are not read.
    if ((image.icc_profile_buf && image.icc_profile_len == 0) || image.color_space == OPJ_CLRSPC_CMYK ||
        image.color_space == OPJ_CLRSPC_EYCC)
        return false;
    for (OPJ_UINT32 c = 0; c < image.numcomps; ++c) {
        const opj_image_comp_t& comp = image.comps[c];
        if (comp.prec < 1 || comp.prec > 16 || comp.dx == 0 || comp.dy == 0 || comp.dx > 4 || comp.dy > 4) return false;
    }
    const opj_image_comp_t& first = image.comps[0];
    if (first.dx != 1 || first.dy != 1) return false;
    s.colour_components = (image.numcomps >= 3 && image.color_space != OPJ_CLRSPC_GRAY) ? 3 : 1;
    if (int(image.numcomps) > s.colour_components) s.alpha_component = s.colour_components;
    // Subsampled chroma can only be YCbCr, whatever colour space is stated.
    s.ycc = s.colour_components == 3 &&
            (image.color_space == OPJ_CLRSPC_SYCC || image.comps[1].dx > 1 || image.comps[1].dy > 1);
    OPJ_UINT32 full_w = 0, full_h = 0;
    reduced_size(image, first, 0, full_w, full_h);
    if (full_w > OPJ_UINT32(MAX_IMAGE_SIDE) || full_h > OPJ_UINT32(MAX_IMAGE_SIDE)) return false;
    opj_codestream_info_v2_t* info = opj_get_cstr_info(s.codec);
    if (!info) return false;
    const std::uint64_t tiles = std::uint64_t(info->tw) * info->th;
    const std::uint64_t tile_w = std::min<std::uint64_t>(info->tdx, full_w);
    const std::uint64_t tile_h = std::min<std::uint64_t>(info->tdy, full_h);
    const bool whole = holds_every_tile(ctx.data, ctx.size, format == OPJ_CODEC_JP2, tiles, image.numcomps,
                                        std::max<std::uint64_t>(1, info->m_default_tile_info.numlayers));
    opj_destroy_cstr_info(&info);
    if (!whole) return false;
    const OPJ_UINT32 r = choose_reduction(ctx, s, full_w, full_h);
    if (r > 0 && !opj_set_decoded_resolution_factor(s.codec, r)) return false;
    OPJ_UINT32 w = 0, h = 0;
    reduced_size(image, first, r, w, h);
    // The library keeps 4 bytes per sample of every component at the decoded
    // resolution, a tile's worth more while it decodes a tiled picture, and
    // its own copy of the compressed data.
    std::uint64_t samples = 0;
    for (OPJ_UINT32 c = 0; c < image.numcomps; ++c) {
        OPJ_UINT32 cw = 0, ch = 0;
        reduced_size(image, image.comps[c], r, cw, ch);
        samples += std::uint64_t(cw) * ch;
    }
    const std::uint64_t tile_samples =
        tiles > 1 ? ((tile_w >> r) + 1) * ((tile_h >> r) + 1) * image.numcomps : 0;
    ctx.working_bytes = (samples + tile_samples) * 4 + ctx.size;
    ctx.width = int(w);
    ctx.height = int(h);
    // A reduced level's samples stand on every 2^r-th pixel of the picture
    // (from the grid's origin), each centred on that pixel: the picture
    // starts inside the first column and row, and reduced sides round up.
    if (PictureExtent* extent = ctx.options ? ctx.options->extent : nullptr;
        extent && r > 0 && image.x0 == 0 && image.y0 == 0) {
        extent->width = std::ldexp(double(full_w), -int(r));
        extent->height = std::ldexp(double(full_h), -int(r));
        extent->left = extent->top = (1 - std::ldexp(1.0, -int(r))) / 2;
    }
    ctx.depth = s.alpha_component >= 0 ? 32 : 24;
    // Samples come out as 8 bits: an alpha source must stay 32 bits for PNG outputs.
    ctx.source_depth = ctx.depth;
    if (Metadata* meta = ctx.metadata(); meta && meta->icc.empty() && image.icc_profile_buf && image.icc_profile_len)
        meta->icc.assign(image.icc_profile_buf, image.icc_profile_buf + image.icc_profile_len);
    return true;
}

// Maps a component's samples to 0..255 (signed samples are centred first).
struct Scale {
    int offset;
    int max;
    std::uint64_t multiplier;
    explicit Scale(const opj_image_comp_t& c)
        : offset(c.sgnd ? 1 << (c.prec - 1) : 0), max((1 << c.prec) - 1),
          multiplier((std::uint64_t(255) << 24) / std::uint64_t(max)) {}
    int clamp(int v) const { return std::clamp(v + offset, 0, max); }
    std::uint8_t to8(int v) const {
        return max == 255 ? std::uint8_t(v) : std::uint8_t((std::uint64_t(v) * multiplier + (1u << 23)) >> 24);
    }
};

// Nearest sample of a component for a picture column (chroma may be subsampled).
struct Column {
    std::vector<std::uint32_t> index;
    Column(const opj_image_comp_t& c, int width) : index(std::size_t(width)) {
        for (int x = 0; x < width; ++x)
            index[std::size_t(x)] = std::min<std::uint32_t>(c.w - 1, std::uint32_t(std::uint64_t(x) * c.w / width));
    }
};

bool jp2_decode(DecodeContext& ctx, const DecodeTarget& target) {
    Jp2State& s = static_cast<Jp2State&>(*ctx.state);
    if (ctx.cancelled()) return false;
    if (!opj_decode(s.codec, s.stream, s.image) || !opj_end_decompress(s.codec, s.stream)) return false;
    if (ctx.cancelled()) return false;
    const opj_image_t& image = *s.image;
    const int w = ctx.width, h = ctx.height;
    const int used = s.alpha_component >= 0 ? s.alpha_component + 1 : s.colour_components;
    std::vector<Scale> scales;
    std::vector<Column> columns;
    for (int c = 0; c < used; ++c) {
        const opj_image_comp_t& comp = image.comps[c];
        if (!comp.data || comp.w == 0 || comp.h == 0) return false;
        if (c == 0 && (int(comp.w) != w || int(comp.h) != h)) return false;
        scales.emplace_back(comp);
        columns.emplace_back(comp, w);
    }
    const int bytes = ctx.depth / 8;
    // The usual picture: 8-bit unsigned samples, every component full size.
    bool plain = !s.ycc;
    for (int c = 0; c < used; ++c) {
        const opj_image_comp_t& comp = image.comps[c];
        plain = plain && comp.prec == 8 && !comp.sgnd && int(comp.w) == w && int(comp.h) == h;
    }
    if (plain) {
        const auto byte = [](OPJ_INT32 v) { return std::uint8_t(std::clamp(v, 0, 255)); };
        for (int y = 0; y < h; ++y) {
            const std::size_t at = std::size_t(y) * std::size_t(w);
            const OPJ_INT32* first = image.comps[0].data + at;
            const OPJ_INT32* green = s.colour_components == 3 ? image.comps[1].data + at : first;
            const OPJ_INT32* blue = s.colour_components == 3 ? image.comps[2].data + at : first;
            const OPJ_INT32* alpha = bytes == 4 ? image.comps[s.alpha_component].data + at : nullptr;
            std::uint8_t* out = target.row(y);
            for (int x = 0; x < w; ++x, out += bytes) {
                out[0] = byte(blue[x]);
                out[1] = byte(green[x]);
                out[2] = byte(first[x]);
                if (alpha) out[3] = byte(alpha[x]);
            }
            if ((y & 255) == 0 && ctx.cancelled()) return false;
        }
        return true;
    }
    for (int y = 0; y < h; ++y) {
        const OPJ_INT32* rows[4];
        for (int c = 0; c < used; ++c) {
            const opj_image_comp_t& comp = image.comps[c];
            const std::uint32_t sy = std::min<std::uint32_t>(comp.h - 1, std::uint32_t(std::uint64_t(y) * comp.h / h));
            rows[c] = comp.data + std::size_t(sy) * comp.w;
        }
        std::uint8_t* out = target.row(y);
        for (int x = 0; x < w; ++x, out += bytes) {
            const auto sample = [&](int c) { return scales[std::size_t(c)].clamp(rows[c][columns[std::size_t(c)].index[std::size_t(x)]]); };
            if (s.colour_components == 1) {
                out[0] = out[1] = out[2] = scales[0].to8(sample(0));
            } else if (!s.ycc) {
                out[0] = scales[2].to8(sample(2));
                out[1] = scales[1].to8(sample(1));
                out[2] = scales[0].to8(sample(0));
            } else {
                // Full-range BT.601, at the luma's precision.
                const int yy = sample(0);
                const int cb = sample(1) - (1 << (image.comps[1].prec - 1));
                const int cr = sample(2) - (1 << (image.comps[2].prec - 1));
                const int max = scales[0].max;
                const int r = std::clamp(yy + ((91881 * cr + 32768) >> 16), 0, max);
                const int g = std::clamp(yy - ((22554 * cb + 46802 * cr - 32768) >> 16), 0, max);
                const int b = std::clamp(yy + ((116130 * cb + 32768) >> 16), 0, max);
                out[0] = scales[0].to8(b);
                out[1] = scales[0].to8(g);
                out[2] = scales[0].to8(r);
            }
            if (bytes == 4) out[3] = scales[std::size_t(s.alpha_component)].to8(sample(s.alpha_component));
        }
        if ((y & 255) == 0 && ctx.cancelled()) return false;
    }
    return true;
}

}  // namespace

// Each resolution level is the wavelet's low-pass picture of the one above.
const Decoder kJp2Decoder{jp2_check, jp2_decode, TAG_JP2, DecodeScaling::Filtered};

}  // namespace pixmold
