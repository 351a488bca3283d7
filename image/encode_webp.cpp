// WebP encoder over libwebp: lossy at quality = clamp(q, 0, 10) * 10, the
// library's default method, alpha kept when the picture has any. EXIF and
// ICC go into the extended container (VP8X with EXIF and ICCP chunks),
// assembled by libwebpmux.
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "image/codec_internal.h"

namespace pixmold {
namespace {

struct Picture {
    WebPPicture p{};
    bool initialised = false;
    ~Picture() {
        if (initialised) WebPPictureFree(&p);
    }
};

struct Mux {
    WebPMux* mux = WebPMuxNew();
    WebPData assembled{};
    ~Mux() {
        WebPDataClear(&assembled);
        WebPMuxDelete(mux);
    }
};

// The encoder's writer: the bitstream goes to memory, since the container
// around it is known only once it is complete.
int append(const std::uint8_t* data, std::size_t size, const WebPPicture* picture) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(picture->custom_ptr);
    out->insert(out->end(), data, data + size);
    return 1;
}

int still_wanted(int /*percent*/, const WebPPicture* picture) {
    return static_cast<const EncodeJob*>(picture->user_data)->cancelled() ? 0 : 1;
}

bool write_all(std::FILE* out, const std::uint8_t* data, std::size_t size) {
    return std::fwrite(data, 1, size, out) == size;
}

bool encode(const EncodeJob& job, bool alpha) {
    if (job.width > WEBP_MAX_DIMENSION || job.height > WEBP_MAX_DIMENSION) return false;
    WebPConfig config;
    if (!WebPConfigInit(&config)) return false;
    config.quality = float(std::clamp(job.quality, 0, 10) * 10);
    Picture picture;
    if (!WebPPictureInit(&picture.p)) return false;
    picture.initialised = true;
    picture.p.width = job.width;
    picture.p.height = job.height;
    // Straight to YUV from the pixels, as cwebp does for lossy output. Rows
    // are read from the top: a bottom-up picture is walked with a negative stride.
    picture.p.use_argb = 0;
    const std::uint8_t* top = job.row(0);
    const int stride = (job.flags & DECODE_BOTTOM_UP) ? -job.stride : job.stride;
    if (!(alpha ? WebPPictureImportBGRA(&picture.p, top, stride) : WebPPictureImportBGR(&picture.p, top, stride)))
        return false;
    std::vector<std::uint8_t> bitstream;
    picture.p.writer = append;
    picture.p.custom_ptr = &bitstream;
    picture.p.progress_hook = still_wanted;
    picture.p.user_data = const_cast<EncodeJob*>(&job);
    if (!WebPEncode(&config, &picture.p) || job.cancelled()) return false;

    const Metadata* meta = job.options ? job.options->metadata : nullptr;
    if (!meta || (meta->exif.empty() && meta->icc.empty())) return write_all(job.out, bitstream.data(), bitstream.size());
    Mux m;
    if (!m.mux) return false;
    const WebPData image{bitstream.data(), bitstream.size()};
    if (WebPMuxSetImage(m.mux, &image, 0) != WEBP_MUX_OK) return false;
    // The EXIF chunk holds the bare TIFF structure, without JPEG's "Exif\0\0".
    const WebPData exif{meta->exif.data(), meta->exif.size()};
    const WebPData icc{meta->icc.data(), meta->icc.size()};
    if (!meta->exif.empty() && WebPMuxSetChunk(m.mux, "EXIF", &exif, 0) != WEBP_MUX_OK) return false;
    if (!meta->icc.empty() && WebPMuxSetChunk(m.mux, "ICCP", &icc, 0) != WEBP_MUX_OK) return false;
    if (WebPMuxAssemble(m.mux, &m.assembled) != WEBP_MUX_OK) return false;
    return write_all(job.out, m.assembled.bytes, m.assembled.size);
}

bool webp_encode24(const EncodeJob& job) { return encode(job, false); }
bool webp_encode32(const EncodeJob& job) { return encode(job, true); }

}  // namespace

const Encoder kWebpEncoder{TAG_WEBP, webp_encode24, webp_encode32};

}  // namespace pixmold
