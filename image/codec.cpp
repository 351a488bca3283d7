// Decoder and encoder registries; decoding into bitmaps and encoding pixel
// views, and the store's load_image, catch_image and save_image on top.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "image/codec_internal.h"
#include "image/exif.h"
#include "image/file_bytes.h"
#include "image/orient.h"
#include "image/row_resample.h"
#include "image/store_internal.h"
#include "platform/atomic_file.h"

namespace pixmold {
namespace {

constexpr int kMaxDecoders = 30;
constexpr int kMaxEncoders = 8;

struct Registry {
    std::mutex lock;  // registration only; lookups read a stable prefix
    const Decoder* decoders[kMaxDecoders] = {};
    std::atomic<int> decoder_count{0};
    const Encoder* encoders[kMaxEncoders] = {};
    std::atomic<int> encoder_count{0};
};

Registry& registry() {
    static Registry r;
    return r;
}

}  // namespace

void register_decoder(const Decoder& decoder) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    const int n = r.decoder_count.load();
    for (int i = 0; i < n; ++i)
        if (r.decoders[i] == &decoder) return;
    if (n == kMaxDecoders) return;
    r.decoders[n] = &decoder;
    r.decoder_count.store(n + 1);
}

void register_encoder(const Encoder& encoder) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    const int n = r.encoder_count.load();
    for (int i = 0; i < n; ++i)
        if (r.encoders[i] == &encoder) return;
    if (n == kMaxEncoders) return;
    r.encoders[n] = &encoder;
    r.encoder_count.store(n + 1);
}

void register_bmp_codec() {
    register_decoder(kBmpDecoder);
    register_encoder(kBmpEncoder);
}
void register_jpeg_decoder() { register_decoder(kJpegDecoder); }
void register_jpeg_encoder() { register_encoder(kJpegEncoder); }
void register_png_decoder() { register_decoder(kPngDecoder); }
void register_png_encoder() { register_encoder(kPngEncoder); }
void register_webp_encoder() { register_encoder(kWebpEncoder); }
void register_tiff_decoder() {
    silence_tiff_warnings();
    register_decoder(kTiffDecoder);
}
void register_tga_decoder() { register_decoder(kTgaDecoder); }
void register_webp_decoder() { register_decoder(kWebpDecoder); }
void register_heif_decoders() {
    init_heif_library();
    register_decoder(kHeifDecoder);
    register_decoder(kAvifDecoder);
}
void register_jp2_decoder() { register_decoder(kJp2Decoder); }

void register_all_codecs() {
    init_image_engine();
    register_bmp_codec();
    register_jpeg_decoder();
    register_jpeg_encoder();
    register_png_decoder();
    register_png_encoder();
    register_tiff_decoder();
    register_tga_decoder();
    register_webp_decoder();
    register_webp_encoder();
    register_heif_decoders();
    register_jp2_decoder();
}

namespace {

// The picture as shown for `orientation`, its stored pixels freed; null when
// there is no memory for the turned copy.
BitmapPtr turned_upright(BitmapPtr stored, int orientation) {
    const bool swap = orientation_swaps_sides(orientation);
    BitmapPtr shown = allocate_bitmap_for_overwrite(swap ? stored->height : stored->width,
                                                    swap ? stored->width : stored->height, stored->depth);
    if (!shown || !orient_pixels(stored->view(), shown->view(), orientation)) return nullptr;
    return shown;
}

// A band of decoded rows handed to a resampler as the decoder finishes them,
// a full batch at a time (the row filter takes sixteen rows at once): the
// band holds the rows not handed on yet and those the decoder writes next.
class ResampledBand final : public RowBand {
public:
    ResampledBand(RowResampler& to, int height) : to_(to), height_(height) {}
    bool allocate(std::size_t reach) {
        stride_ = (reach + 63) / 64 * 64;
        try {
            rows_.assign(stride_ * kRows, 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    std::uint8_t* row(int y_from_top) override { return rows_.data() + std::size_t(y_from_top % kRows) * stride_; }
    bool done(int y_end) override {
        const int n = y_end - handed_;
        if (n < 0 || n >= kRows) return false;
        if (n < kBandRows && y_end < height_) return true;
        const std::uint8_t* given[kRows];
        for (int k = 0; k < n; ++k) given[k] = row(handed_ + k);
        handed_ = y_end;
        return to_.put(given, n);
    }
    static constexpr int kRows = 2 * kBandRows;

private:
    RowResampler& to_;
    const int height_;
    std::vector<std::uint8_t> rows_;
    std::size_t stride_ = 0;
    int handed_ = 0;
};

bool whole_extent(const PictureExtent& e, int width, int height) {
    return (e.width == 0 || e.width == width) && (e.height == 0 || e.height == height) && e.left == 0 && e.top == 0;
}

}  // namespace

DecodedPicture decode_picture(std::span<const std::uint8_t> data, const DecodeOptions& options) {
    init_image_engine();
    register_bmp_codec();
    if (options.extent) *options.extent = {};
    DecodedPicture result;
    const std::uint8_t* bytes = data.data();
    const std::size_t size = data.size();
    if (!bytes || size == 0) return result;
    if (is_icon_data(bytes, size)) {
        result.bitmap = decode_icon(bytes, size);
        if (result.bitmap) {
            result.source_depth = 32;
            result.format_tag = TAG_ICON;
        }
        return result;
    }

    // Known before any decoder runs, so that callers can judge sizes as shown.
    const int source_orientation = picture_orientation(data);
    if (options.orientation) *options.orientation = source_orientation;

    DecodeContext ctx;
    ctx.data = bytes;
    ctx.size = size;
    ctx.options = &options;
    Registry& r = registry();
    const Decoder* chosen = nullptr;
    const int n = r.decoder_count.load();
    for (int i = 0; i < n && !chosen; ++i) {
        ctx.state.reset();
        ctx.width = ctx.height = ctx.depth = ctx.source_depth = 0;
        ctx.needs_zeroed_pixels = false;
        ctx.orientation = source_orientation;
        ctx.working_bytes = 0;
        ctx.scaling = r.decoders[i]->scaling;
        if (r.decoders[i]->check(ctx)) chosen = r.decoders[i];
    }
    const bool turn = options.upright && ctx.orientation != 1;
    BitmapPtr bitmap;
    if (chosen && (ctx.depth == 24 || ctx.depth == 32)) {
        // Resampled as it is decoded when the decoder gives rows in order
        // and the size or the extent changes.
        int out_w = ctx.width, out_h = ctx.height;
        const bool streams = options.resize_to && ctx.gives_rows_in_order;
        if (streams) options.resize_to(ctx.width, ctx.height, out_w, out_h);
        const PictureExtent extent = options.extent ? *options.extent : PictureExtent{};
        const bool resample = streams && out_w > 0 && out_h > 0 && out_w <= MAX_IMAGE_SIDE && out_h <= MAX_IMAGE_SIDE &&
                              (out_w != ctx.width || out_h != ctx.height || !whole_extent(extent, ctx.width, ctx.height));
        DecodePlan plan{ctx.width, ctx.height, ctx.depth, ctx.working_bytes};
        if (resample) {
            plan = {out_w, out_h, ctx.depth,
                    ctx.working_bytes + row_resampler_bytes(ctx.width, ctx.height, out_w, out_h, ctx.depth) +
                        std::uint64_t(ResampledBand::kRows) * (stride_for(ctx.width, 32) + 64),
                    true};
        }
        if (turn) {
            const bool swap = orientation_swaps_sides(ctx.orientation);
            plan.working_bytes += std::uint64_t(stride_for(swap ? plan.height : plan.width, ctx.depth)) *
                                  std::uint64_t(swap ? plan.width : plan.height);
        }
        if (!options.before_pixels || options.before_pixels(plan))
            bitmap = resample ? allocate_bitmap_for_overwrite(out_w, out_h, ctx.depth)
                              : allocate_bitmap(ctx.width, ctx.height, ctx.depth, ctx.needs_zeroed_pixels);
        if (bitmap && resample) {
            RowResampler resampler;
            ResampledBand band(resampler, ctx.height);
            const DecodeTarget target{nullptr, 0, ctx.height, DECODE_BOTTOM_UP, &band};
            if (!resampler.start(ctx.width, ctx.height, ctx.depth, bitmap->view(), extent) ||
                !band.allocate(resampler.row_reach()) || !chosen->decode(ctx, target) || !resampler.complete())
                bitmap.reset();
            else if (options.extent)
                *options.extent = {};
        } else if (bitmap) {
            const DecodeTarget target{bitmap->pixels, bitmap->stride, bitmap->height, DECODE_BOTTOM_UP};
            if (!chosen->decode(ctx, target)) bitmap.reset();
            else if (!ctx.needs_zeroed_pixels) clear_row_padding(*bitmap);
        }
    }
    ctx.state.reset();
    if (bitmap && turn) bitmap = turned_upright(std::move(bitmap), ctx.orientation);
    if (!bitmap) return result;
    result.bitmap = std::move(bitmap);
    result.source_depth = ctx.source_depth;
    result.format_tag = chosen->format_tag;
    result.orientation = turn ? 1 : ctx.orientation;
    return result;
}

ImageHandle catch_image(ImageId number, const void* data, std::size_t size, const DecodeOptions& options) {
    // The number is emptied first: a big old picture is gone before the new
    // one needs memory, and a failed decode leaves the number empty.
    clear_number(number);
    DecodedPicture decoded = decode_picture({static_cast<const std::uint8_t*>(data), data ? size : 0}, options);
    return store_bitmap(number, std::move(decoded.bitmap), decoded.source_depth, decoded.format_tag);
}

ImageHandle load_image(ImageId number, const std::string& path, const DecodeOptions& options) {
    FileBytes file;
    if (!file.read(path)) return 0;  // the number is left as it was
    const std::span<const std::uint8_t> bytes = file.bytes();
    return catch_image(number, bytes.data(), bytes.size(), options);
}

namespace {

// out = ((c - 255) * a + 65025) / 255, truncating: the colour over white.
void flatten_onto_white(const PixelView& v, std::uint8_t* out, std::size_t out_stride) {
    for (int y = 0; y < v.height; ++y) {
        const std::uint8_t* s = v.pixels + std::size_t(y) * std::size_t(v.stride);
        std::uint8_t* d = out + std::size_t(y) * out_stride;
        for (int x = 0; x < v.width; ++x, s += 4, d += 3) {
            const int a = s[3];
            for (int c = 0; c < 3; ++c) d[c] = std::uint8_t(((int(s[c]) - 255) * a + 65025) / 255);
        }
    }
}

const Encoder* find_encoder(FormatTag format) {
    Registry& r = registry();
    const int n = r.encoder_count.load();
    for (int i = 0; i < n; ++i)
        if (r.encoders[i]->format_tag == format) return r.encoders[i];
    return nullptr;
}

}  // namespace

int save_pixels(const PixelView& view, const std::string& path, FormatTag format, int quality, int depth,
                const EncodeOptions& options) {
    init_image_engine();
    register_bmp_codec();
    if (options.file_error) *options.file_error = FileError::None;
    if (path.empty() || !view || view.is_icon) return 0;
    if (depth == -1) depth = view.depth;
    const Encoder* encoder = find_encoder(format);
    if (!encoder) return 0;

    EncodeJob job{view.pixels, view.width, view.height, view.stride, DECODE_BOTTOM_UP, quality, depth, &options, nullptr};
    bool (*encode)(const EncodeJob&) = nullptr;
    std::unique_ptr<std::uint8_t, decltype(&std::free)> flat(nullptr, &std::free);
    if (view.depth == 32 && encoder->encode32 && depth == 32) {
        encode = encoder->encode32;
    } else if (view.depth == 32) {
        const std::size_t stride = stride_for(view.width, 24);
        flat.reset(static_cast<std::uint8_t*>(std::malloc(stride * std::size_t(view.height))));
        if (!flat) return 0;
        flatten_onto_white(view, flat.get(), stride);
        job.pixels = flat.get();
        job.stride = int(stride);
        encode = encoder->encode24;
    } else if (view.depth == 24) {
        encode = encoder->encode24;
    } else {
        return 0;
    }

    AtomicFile file;
    const auto give_up = [&] {
        if (options.file_error) *options.file_error = file.error();
        return 0;
    };
    if (!file.open(path)) return give_up();
    job.out = file.stream();
    if (!encode(job)) return give_up();  // the temporary file goes with `file`
    return file.commit() ? 1 : give_up();
}

int save_image(ImageId number, const std::string& path, FormatTag format, int quality, int depth,
               const EncodeOptions& options) {
    // The share keeps the pixels alive while they are written, whatever
    // other threads do with the number meanwhile.
    const std::optional<HeldPicture> held = hold_picture(number);
    if (held && depth == -1) depth = held->image.source_depth;
    return save_pixels(held ? held->pixels : PixelRef{}, path, format, quality, depth, options);
}

}  // namespace pixmold
