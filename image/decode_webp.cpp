// WebP decoder over libwebp: lossy, lossless, with or without alpha, and the
// first frame of animated files on its canvas. Still pictures may be scaled
// down while decoding when the caller needs less than the full size.
#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/codec_internal.h"

namespace pixmold {
namespace {

struct WebpState : DecoderState {
    WebPDemuxer* demux = nullptr;
    WebPIterator frame{};
    bool have_frame = false;
    int out_w = 0, out_h = 0;  // the frame's size once decoded (scaled for still pictures)
    bool scaled = false;
    ~WebpState() override {
        if (have_frame) WebPDemuxReleaseIterator(&frame);
        WebPDemuxDelete(demux);
    }
};

// The payload of a metadata chunk; EXIF chunks may start with the JPEG
// segment's "Exif\0\0" header, which the TIFF structure follows.
void chunk_payload(WebPDemuxer* demux, const char* fourcc, std::vector<std::uint8_t>& out, bool exif) {
    WebPChunkIterator chunk{};
    if (!out.empty() || !WebPDemuxGetChunk(demux, fourcc, 1, &chunk)) return;
    const std::uint8_t* p = chunk.chunk.bytes;
    std::size_t n = chunk.chunk.size;
    if (exif && n >= 6 && std::memcmp(p, "Exif\0\0", 6) == 0) p += 6, n -= 6;
    out.assign(p, p + n);
    WebPDemuxReleaseChunkIterator(&chunk);
}

bool webp_check(DecodeContext& ctx) {
    if (ctx.size < 12 || std::memcmp(ctx.data, "RIFF", 4) != 0 || std::memcmp(ctx.data + 8, "WEBP", 4) != 0)
        return false;
    auto state = std::make_unique<WebpState>();
    WebpState& s = *state;
    ctx.state = std::move(state);
    // The whole file is parsed up front: a truncated file is refused here.
    const WebPData data{ctx.data, ctx.size};
    s.demux = WebPDemux(&data);
    if (!s.demux) return false;
    const int canvas_w = int(WebPDemuxGetI(s.demux, WEBP_FF_CANVAS_WIDTH));
    const int canvas_h = int(WebPDemuxGetI(s.demux, WEBP_FF_CANVAS_HEIGHT));
    if (canvas_w <= 0 || canvas_h <= 0 || canvas_w > MAX_IMAGE_SIDE || canvas_h > MAX_IMAGE_SIDE) return false;
    s.have_frame = WebPDemuxGetFrame(s.demux, 1, &s.frame) != 0;
    if (!s.have_frame || !s.frame.complete) return false;
    const WebPIterator& f = s.frame;
    if (f.width <= 0 || f.height <= 0 || f.x_offset < 0 || f.y_offset < 0 || f.x_offset + f.width > canvas_w ||
        f.y_offset + f.height > canvas_h)
        return false;
    // An animation's first frame may cover only part of its canvas, which starts transparent.
    const bool covers = f.width == canvas_w && f.height == canvas_h;
    ctx.depth = (f.has_alpha || !covers) ? 32 : 24;
    ctx.source_depth = ctx.depth;
    ctx.needs_zeroed_pixels = !covers;
    s.out_w = f.width;
    s.out_h = f.height;
    int min_w = canvas_w, min_h = canvas_h;
    if (covers && f.num_frames == 1 && wanted_size(ctx, canvas_w, canvas_h, min_w, min_h)) {
        // libwebp's scaler averages the area of each output pixel. Scaling
        // costs more than it saves when it takes off only a little.
        const double factor = std::max(double(min_w) / canvas_w, double(min_h) / canvas_h);
        if (factor <= 0.75) {
            s.out_w = std::clamp(int(std::ceil(canvas_w * factor)), 1, canvas_w);
            s.out_h = std::clamp(int(std::ceil(canvas_h * factor)), 1, canvas_h);
            s.scaled = s.out_w != canvas_w || s.out_h != canvas_h;
        }
    }
    ctx.width = s.scaled ? s.out_w : canvas_w;
    ctx.height = s.scaled ? s.out_h : canvas_h;
    // libwebp's own memory: a lossless frame is decoded whole into 4 bytes
    // per pixel at its full size; a lossy one keeps a few rows of
    // macroblocks, and its alpha plane whole.
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(f.fragment.bytes, f.fragment.size, &features) != VP8_STATUS_OK) return false;
    const std::uint64_t frame_pixels = std::uint64_t(f.width) * std::uint64_t(f.height);
    ctx.working_bytes = features.format == 2 ? frame_pixels * 4
                                             : std::uint64_t(f.width) * 64 * 4 + (f.has_alpha ? frame_pixels : 0);
    if (Metadata* meta = ctx.metadata()) {
        chunk_payload(s.demux, "EXIF", meta->exif, true);
        chunk_payload(s.demux, "ICCP", meta->icc, false);
    }
    return true;
}

bool webp_decode(DecodeContext& ctx, const DecodeTarget& target) {
    WebpState& s = static_cast<WebpState&>(*ctx.state);
    const WebPIterator& f = s.frame;
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return false;
    const int bytes_per_pixel = ctx.depth / 8;
    config.options.use_threads = 1;
    if (s.scaled) {
        config.options.use_scaling = 1;
        config.options.scaled_width = s.out_w;
        config.options.scaled_height = s.out_h;
    }
    // The frame's rows go straight into the picture, whichever way its rows run.
    WebPDecBuffer& out = config.output;
    out.colorspace = bytes_per_pixel == 4 ? MODE_BGRA : MODE_BGR;
    out.is_external_memory = 1;
    std::uint8_t* const top = target.row(f.y_offset) + std::size_t(f.x_offset) * std::size_t(bytes_per_pixel);
    const long row_step = s.out_h > 1 ? long(target.row(f.y_offset + 1) - target.row(f.y_offset)) : target.stride;
    out.u.RGBA.rgba = top;
    out.u.RGBA.stride = int(row_step);
    out.u.RGBA.size = std::size_t(std::labs(row_step)) * std::size_t(s.out_h - 1) +
                      std::size_t(s.out_w) * std::size_t(bytes_per_pixel);

    // Fed in steps so that a stop is noticed while a big picture decodes.
    WebPIDecoder* idec = WebPIDecode(nullptr, 0, &config);
    if (!idec) return false;
    constexpr std::size_t kStep = std::size_t(256) << 10;
    const std::size_t total = f.fragment.size;
    VP8StatusCode status = VP8_STATUS_SUSPENDED;
    for (std::size_t fed = std::min(kStep, total); status == VP8_STATUS_SUSPENDED; fed = std::min(fed + kStep, total)) {
        if (ctx.cancelled()) break;
        status = WebPIUpdate(idec, f.fragment.bytes, fed);
        if (fed == total && status == VP8_STATUS_SUSPENDED) break;  // the frame's data ends early
    }
    WebPIDelete(idec);
    WebPFreeDecBuffer(&out);
    return status == VP8_STATUS_OK && !ctx.cancelled();
}

}  // namespace

const Decoder kWebpDecoder{webp_check, webp_decode, TAG_WEBP};

}  // namespace pixmold
