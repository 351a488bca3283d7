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
#include "image/resampled_band.h"
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

bool whole_extent(const PictureExtent& e, int width, int height) {
    return (e.width == 0 || e.width == width) && (e.height == 0 || e.height == height) && e.left == 0 && e.top == 0;
}

// Decodes through a band of rows: resampled (into `into`, or handed to
// `rows_out`) or, unresampled, handed to `rows_out` as they are.
bool decode_in_rows(DecodeContext& ctx, const Decoder& decoder, bool resample, int out_w, int out_h,
                    const PictureExtent& extent, const PictureRows& rows_out, const PixelView& into = {}) {
    RowResampler resampler;
    if (resample) {
        const bool started = rows_out ? resampler.start(ctx.width, ctx.height, ctx.depth, out_w, out_h, rows_out, extent)
                                      : resampler.start(ctx.width, ctx.height, ctx.depth, into, extent);
        if (!started) return false;
    }
    PictureRows to = rows_out;
    if (resample) to = [&](const std::uint8_t* const* rows, int n) { return resampler.put(rows, n); };
    ResampledBand band(std::move(to), ctx.height, ctx.options->spare_thread);
    const DecodeTarget target{nullptr, 0, ctx.height, DECODE_BOTTOM_UP, &band};
    const std::size_t reach = resample ? resampler.row_reach() : stride_for(ctx.width, ctx.depth);
    return band.allocate(reach) && decoder.decode(ctx, target) && band.finish() && (!resample || resampler.complete());
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
        ctx.gives_rows_in_order = ctx.metadata_read = false;
        ctx.scaling = r.decoders[i]->scaling;
        if (r.decoders[i]->check(ctx)) chosen = r.decoders[i];
    }
    const bool turn = options.upright && ctx.orientation != 1;
    BitmapPtr bitmap;
    bool handed_on = false;
    if (chosen && (ctx.depth == 24 || ctx.depth == 32)) {
        // Resampled as it is decoded when the decoder gives rows in order
        // and the size or the extent changes; written as it is decoded when
        // the caller takes the rows.
        const bool in_order = ctx.gives_rows_in_order;
        int out_w = ctx.width, out_h = ctx.height;
        if (in_order && options.resize_to) options.resize_to(ctx.width, ctx.height, out_w, out_h);
        if (out_w < 1 || out_h < 1 || out_w > MAX_IMAGE_SIDE || out_h > MAX_IMAGE_SIDE)
            out_w = ctx.width, out_h = ctx.height;
        const PictureExtent extent = options.extent ? *options.extent : PictureExtent{};
        const bool resample = in_order && options.resize_to &&
                              (out_w != ctx.width || out_h != ctx.height || !whole_extent(extent, ctx.width, ctx.height));
        PictureRows rows_out;
        if (in_order && ctx.metadata_read && options.rows_to && !turn) rows_out = options.rows_to(out_w, out_h, ctx.depth, ctx.source_depth);
        DecodePlan plan{ctx.width, ctx.height, ctx.depth, ctx.working_bytes};
        if (resample || rows_out) {
            std::uint64_t working = ctx.working_bytes + std::uint64_t(ResampledBand::kRows) * (stride_for(ctx.width, 32) + 64);
            if (resample) working += row_resampler_bytes(ctx.width, ctx.height, out_w, out_h, ctx.depth);
            plan = {out_w, out_h, ctx.depth, working, resample, bool(rows_out)};
        }
        if (turn) {
            const bool swap = orientation_swaps_sides(ctx.orientation);
            plan.working_bytes += std::uint64_t(stride_for(swap ? plan.height : plan.width, ctx.depth)) *
                                  std::uint64_t(swap ? plan.width : plan.height);
        }
        const bool go = !options.before_pixels || options.before_pixels(plan);
        if (go && rows_out) {
            handed_on = decode_in_rows(ctx, *chosen, resample, out_w, out_h, extent, rows_out);
        } else if (go && resample) {
            bitmap = allocate_bitmap_for_overwrite(out_w, out_h, ctx.depth);
            const PixelView into = bitmap ? bitmap->view() : PixelView{};
            if (bitmap && !decode_in_rows(ctx, *chosen, true, out_w, out_h, extent, nullptr, into)) bitmap.reset();
        } else if (go) {
            bitmap = allocate_bitmap(ctx.width, ctx.height, ctx.depth, ctx.needs_zeroed_pixels);
            const DecodeTarget target{bitmap ? bitmap->pixels : nullptr, bitmap ? bitmap->stride : 0, ctx.height,
                                      DECODE_BOTTOM_UP};
            if (bitmap && !chosen->decode(ctx, target)) bitmap.reset();
            else if (bitmap && !ctx.needs_zeroed_pixels) clear_row_padding(*bitmap);
        }
        if ((handed_on || (bitmap && resample)) && options.extent) *options.extent = {};  // the whole of it is picture
    }
    ctx.state.reset();
    if (bitmap && turn) bitmap = turned_upright(std::move(bitmap), ctx.orientation);
    if (!bitmap && !handed_on) return result;
    result.bitmap = std::move(bitmap);
    result.handed_on = handed_on;
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

struct RowWriter::State {
    AtomicFile file;
    EncodeOptions options;
    std::unique_ptr<RowEncoder> encoder;
    int rows_left = 0;
    bool give_up() {
        if (options.file_error) *options.file_error = file.error();
        return false;
    }
};

RowWriter::RowWriter() = default;
RowWriter::~RowWriter() = default;

bool RowWriter::open(const std::string& path, int width, int height, int pixel_depth, FormatTag format, int quality,
                     int depth, const EncodeOptions& options) {
    init_image_engine();
    register_bmp_codec();
    state_.reset();
    if (options.file_error) *options.file_error = FileError::None;
    const Encoder* encoder = find_encoder(format);
    if (path.empty() || !encoder || !encoder->begin_rows || width < 1 || height < 1) return false;
    auto s = std::make_unique<State>();
    s->options = options;
    s->rows_left = height;
    if (!s->file.open(path)) return s->give_up();
    const EncodeJob job{nullptr, width, height, 0, 0, quality, depth == -1 ? pixel_depth : depth, &s->options,
                        s->file.stream()};
    s->encoder = encoder->begin_rows(job, pixel_depth);
    if (!s->encoder) return s->give_up();
    state_ = std::move(s);
    return true;
}

bool RowWriter::put(const std::uint8_t* const* rows, int n) {
    if (!state_ || n > state_->rows_left) return false;
    state_->rows_left -= n;
    return state_->encoder->put(rows, n);
}

bool RowWriter::commit() {
    if (!state_) return false;
    State& s = *state_;
    const bool written = s.rows_left == 0 && s.encoder->finish() && s.file.commit();
    if (!written) s.give_up();
    state_.reset();  // a file not committed goes with it
    return written;
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
