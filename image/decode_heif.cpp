// HEIF decoder over libheif: HEIC (HEVC) and AVIF (AV1) still pictures, the
// primary image only. libheif applies the container's rotation, mirroring
// and cropping, so the pixels come out upright and the EXIF orientation the
// file may also carry must not be applied again. Pictures of 10 or 12 bits
// are reduced to 8; alpha is kept.
#include <libheif/heif.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>
#include <thread>

#include "image/codec_internal.h"

namespace pixmold {
namespace {

struct HeifState : DecoderState {
    heif_context* context = nullptr;
    heif_image_handle* handle = nullptr;
    ~HeifState() override {
        if (handle) heif_image_handle_release(handle);
        if (context) heif_context_free(context);
    }
};

struct HeifImage {
    heif_image* image = nullptr;
    ~HeifImage() {
        if (image) heif_image_release(image);
    }
};

struct HeifDecodingOptions {
    heif_decoding_options* options = heif_decoding_options_alloc();
    ~HeifDecodingOptions() { heif_decoding_options_free(options); }
};

bool is_avif(const std::uint8_t* data, int size) {
    const heif_brand brand = heif_main_brand(data, size);
    return brand == heif_avif || brand == heif_avis ||
           ((brand == heif_mif1 || brand == heif_msf1) && heif_has_compatible_brand(data, size, "avif") == 1);
}

// The TIFF structure of an Exif item, which starts with the offset of its header.
void read_exif(const heif_image_handle* handle, std::vector<std::uint8_t>& out) {
    heif_item_id id = 0;
    if (!out.empty() || heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) != 1) return;
    const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
    if (size < 8) return;
    std::vector<std::uint8_t> block(size);
    if (heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok) return;
    const std::uint32_t skip = std::uint32_t(block[0]) << 24 | std::uint32_t(block[1]) << 16 |
                               std::uint32_t(block[2]) << 8 | block[3];
    if (skip > size - 8) return;
    const std::uint8_t* tiff = block.data() + 4 + skip;
    if (std::memcmp(tiff, "II*\0", 4) != 0 && std::memcmp(tiff, "MM\0*", 4) != 0) return;
    out.assign(tiff, static_cast<const std::uint8_t*>(block.data() + size));
}

void read_icc(const heif_image_handle* handle, std::vector<std::uint8_t>& out) {
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (!out.empty() || (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC)) return;
    std::vector<std::uint8_t> profile(heif_image_handle_get_raw_color_profile_size(handle));
    if (profile.empty() || heif_image_handle_get_raw_color_profile(handle, profile.data()).code != heif_error_Ok) return;
    out = std::move(profile);
}

bool open_primary(DecodeContext& ctx, bool want_avif) {
    if (ctx.size < 12 || std::memcmp(ctx.data + 4, "ftyp", 4) != 0) return false;
    const int probe = int(std::min<std::size_t>(ctx.size, INT_MAX));
    if (heif_check_filetype(ctx.data, probe) != heif_filetype_yes_supported || is_avif(ctx.data, probe) != want_avif)
        return false;
    auto state = std::make_unique<HeifState>();
    HeifState& s = *state;
    ctx.state = std::move(state);
    s.context = heif_context_alloc();
    if (!s.context) return false;
    heif_context_set_maximum_image_size_limit(s.context, MAX_IMAGE_SIDE);
    // Pictures made of tiles decode them side by side.
    heif_context_set_max_decoding_threads(s.context, int(std::max(1u, std::thread::hardware_concurrency())));
    if (heif_context_read_from_memory_without_copy(s.context, ctx.data, ctx.size, nullptr).code != heif_error_Ok ||
        heif_context_get_primary_image_handle(s.context, &s.handle).code != heif_error_Ok)
        return false;
    // The size once rotated and cropped, as the pixels will come out.
    ctx.width = heif_image_handle_get_width(s.handle);
    ctx.height = heif_image_handle_get_height(s.handle);
    if (ctx.width <= 0 || ctx.height <= 0 || ctx.width > MAX_IMAGE_SIDE || ctx.height > MAX_IMAGE_SIDE) return false;
    // libheif turns and mirrors the picture as the container says; the EXIF
    // orientation it may also carry describes the same turn and is not applied again.
    ctx.orientation = 1;
    ctx.depth = heif_image_handle_has_alpha_channel(s.handle) ? 32 : 24;
    ctx.source_depth = ctx.depth;
    // The library's decoded planes (up to 2 bytes a sample, 4 samples a pixel
    // with alpha, before any chroma subsampling is counted), and as much again
    // for the codec's own frames and the tiles a grid picture is pasted from.
    const int luma_bits = heif_image_handle_get_luma_bits_per_pixel(s.handle);
    const std::uint64_t sample_bytes = luma_bits > 8 ? 2 : 1;
    ctx.working_bytes = std::uint64_t(ctx.width) * std::uint64_t(ctx.height) * sample_bytes * (ctx.depth / 8) * 2;
    if (Metadata* meta = ctx.metadata()) {
        read_exif(s.handle, meta->exif);
        read_icc(s.handle, meta->icc);
    }
    return true;
}

bool heic_check(DecodeContext& ctx) { return open_primary(ctx, false); }
bool avif_check(DecodeContext& ctx) { return open_primary(ctx, true); }

void unpremultiply(std::uint8_t* row, int width) {
    for (int x = 0; x < width; ++x, row += 4) {
        const unsigned a = row[3];
        if (a == 0 || a == 255) continue;
        for (int c = 0; c < 3; ++c) row[c] = std::uint8_t(std::min(255u, (row[c] * 255u + a / 2) / a));
    }
}

bool copy_interleaved(const HeifState& s, const heif_image* image, const DecodeContext& ctx, const DecodeTarget& target) {
    const bool alpha = ctx.depth == 32;
    if (heif_image_get_width(image, heif_channel_interleaved) != ctx.width ||
        heif_image_get_height(image, heif_channel_interleaved) != ctx.height ||
        heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved) != 8)
        return false;
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    const int bytes = alpha ? 4 : 3;
    if (!plane || stride < ctx.width * bytes) return false;
    const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(s.handle);
    for (int y = 0; y < ctx.height; ++y) {
        const std::uint8_t* in = plane + std::size_t(y) * std::size_t(stride);
        std::uint8_t* out = target.row(y);
        for (int x = 0; x < ctx.width; ++x, in += bytes, out += bytes) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            if (alpha) out[3] = in[3];
        }
        if (premultiplied) unpremultiply(target.row(y), ctx.width);
    }
    return true;
}

bool heif_decode(DecodeContext& ctx, const DecodeTarget& target) {
    HeifState& s = static_cast<HeifState&>(*ctx.state);
    if (ctx.cancelled()) return false;
    HeifDecodingOptions options;
    if (!options.options) return false;
    // Interleaved RGB straight from the library: its conversion of the
    // decoded planes (with the file's matrix and range) is faster than asking
    // for the planes, which libheif converts once already, and converting again.
    options.options->convert_hdr_to_8bit = 1;
    HeifImage decoded;
    if (heif_decode_image(s.handle, &decoded.image, heif_colorspace_RGB,
                          ctx.depth == 32 ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.options)
            .code != heif_error_Ok)
        return false;
    return !ctx.cancelled() && copy_interleaved(s, decoded.image, ctx, target);
}

}  // namespace

void init_heif_library() {
    // Once, before any decode: the library sets up its codecs here rather
    // than on first use, where two threads could meet.
    static const bool ready = heif_init(nullptr).code == heif_error_Ok;
    (void)ready;
}

const Decoder kHeifDecoder{heic_check, heif_decode, TAG_HEIF};
const Decoder kAvifDecoder{avif_check, heif_decode, TAG_AVIF};

}  // namespace pixmold
