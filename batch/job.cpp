#include "batch/job.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "batch/exif.h"
#include "batch/orient.h"
#include "batch/schedule.h"
#include "image/codec.h"
#include "image/image.h"
#include "image/resample.h"

namespace pixmold {

namespace {

bool is_cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

TargetSize stored_size(const TargetSize& shown, int orientation) {
    return orientation_swaps_sides(orientation) ? TargetSize{shown.height, shown.width} : shown;
}

// Frees the worker's pictures whatever way the picture ends.
struct Slots {
    ImageId source, resized, turned;
    ~Slots() {
        free_image(source);
        free_image(resized);
        free_image(turned);
    }
};

// The TIFF reader already mirrors pictures whose orientation tag asks for it
// (it cannot swap sides): what is left to do once it has decoded.
int orientation_left_after_decode(FormatTag format, int orientation) {
    if (format != TAG_TIFF) return orientation;
    switch (orientation) {
        case 6: case 8: return 7;
        case 5: case 7: return 5;
        default: return 1;
    }
}

}  // namespace

void shrink_on_load_size(int full_width, int full_height, const TargetSize& stored_target, int& min_width,
                         int& min_height) {
    min_width = full_width;
    min_height = full_height;
    if (!target_is_valid(stored_target)) return;
    if (stored_target.width * 2 <= full_width && stored_target.height * 2 <= full_height) {
        min_width = int(stored_target.width * 2);
        min_height = int(stored_target.height * 2);
    }
}

PictureReport process_picture(const std::string& source, const BatchSettings& settings, const PictureContext& context) {
    PictureReport report;
    // Nothing was written: a failure, or a stop when one was asked for.
    const auto give_up = [&] {
        report.outcome = is_cancelled(context.cancel) ? PictureOutcome::Cancelled : PictureOutcome::Failed;
        return report;
    };
    report.output_path = output_path_for(source, effective_prefix(settings.prefix), settings.type);
    if (report.output_path.empty() || is_cancelled(context.cancel)) return give_up();

    report.orientation = read_orientation(source);
    const int orientation = report.orientation;
    const bool swap = orientation_swaps_sides(orientation);

    // The target is judged on the picture as shown, from its full size, which
    // only the decoder knows before it scales.
    bool have_target = false;
    auto decide_target = [&](int stored_w, int stored_h) {
        const std::int64_t shown_w = swap ? stored_h : stored_w;
        const std::int64_t shown_h = swap ? stored_w : stored_h;
        report.target = compute_target_size(settings, shown_w, shown_h).value_or(context.previous_target);
        have_target = true;
    };

    Metadata metadata;
    DecodeOptions decode;
    decode.cancel = context.cancel;
    decode.metadata = &metadata;
    decode.min_size = [&](int full_w, int full_h, int& min_w, int& min_h) {
        decide_target(full_w, full_h);
        if (!context.shrink_on_load) {
            min_w = full_w;
            min_h = full_h;
            return;
        }
        shrink_on_load_size(full_w, full_h, stored_size(report.target, orientation), min_w, min_h);
    };

    Slots slots{context.slot_base, context.slot_base + 1, context.slot_base + 2};
    if (!load_image(slots.source, source, decode)) return give_up();
    const std::optional<Image> info = is_image(slots.source);
    const int source_depth = info ? info->source_depth : -1;
    const int turn = orientation_left_after_decode(info ? info->format_tag : 0, orientation);
    PixelView pixels = image_pixels(slots.source);
    if (!pixels) return give_up();
    if (!have_target) decide_target(pixels.width, pixels.height);
    if (!target_is_valid(report.target)) return give_up();
    if (is_cancelled(context.cancel)) return give_up();

    const TargetSize stored = stored_size(report.target, orientation);
    ImageId current = slots.source;
    if (stored.width != pixels.width || stored.height != pixels.height) {
        if (!create_image_for_overwrite(slots.resized, int(stored.width), int(stored.height), pixels.depth)) return give_up();
        const PixelView resized = image_pixels(slots.resized);
        const int threads = context.resize_threads + (context.idle_workers ? context.idle_workers->load() : 0);
        if (!resize_pixels(pixels, resized, RESIZE_SMOOTH, threads, context.cancel)) return give_up();
        free_image(slots.source);
        current = slots.resized;
        pixels = resized;
    }
    if (turn != 1) {
        if (!create_image_for_overwrite(slots.turned, int(report.target.width), int(report.target.height), pixels.depth))
            return give_up();
        if (!orient_pixels(pixels, image_pixels(slots.turned), turn)) return give_up();
        free_image(current);
        current = slots.turned;
    }
    if (is_cancelled(context.cancel)) return give_up();

    Metadata kept;
    kept.icc = std::move(metadata.icc);
    if (!metadata.exif.empty())
        kept.exif = exif_for_output(metadata.exif, int(report.target.width), int(report.target.height));
    EncodeOptions encode;
    encode.metadata = &kept;
    encode.cancel = context.cancel;
    const bool jpeg = settings.type == "JPG";
    const int quality = jpeg ? int(std::clamp<std::int64_t>(settings.quality, -1000, 1000)) : 7;
    if (!save_image(current, report.output_path, jpeg ? TAG_JPEG : TAG_PNG, quality, source_depth, encode))
        return give_up();
    report.outcome = PictureOutcome::Written;
    return report;
}

namespace {
int thread_budget(int requested) {
    return std::clamp(requested > 0 ? requested : int(std::thread::hardware_concurrency()), 1, 64);
}
}  // namespace

int worker_count(int requested, std::size_t pictures) {
    return int(std::clamp<std::size_t>(pictures, 1, std::size_t(thread_budget(requested))));
}

BatchJob::~BatchJob() { stop(); }

bool BatchJob::start(PictureList pictures, Options options) {
    if (running_.load() || pictures.empty() || !options.settings) return false;
    if (controller_.joinable()) controller_.join();
    const int workers = worker_count(options.threads, pictures.size());
    // Fewer pictures than threads: the spare threads help each resize.
    const int resize_threads = std::max(1, thread_budget(options.threads) / workers);

    // Entries touch their source and their output; a MODE that takes the
    // previous picture's size chains every entry to the one before it.
    const BatchSettings first = options.settings();
    const bool chained = first.mode != "REL" && first.mode != "LIB";
    std::vector<std::vector<std::string>> keys;
    keys.reserve(pictures.size());
    for (const std::string& p : pictures) {
        std::vector<std::string> k{p, output_path_for(p, effective_prefix(first.prefix), first.type)};
        if (chained) k.emplace_back("/\x01previous-picture");
        keys.push_back(std::move(k));
    }
    // Biggest files first, so that the last picture to finish is a small one.
    std::vector<std::uintmax_t> weights;
    weights.reserve(pictures.size());
    for (const std::string& p : pictures) {
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(p, ec);
        weights.push_back(ec ? 0 : size);
    }
    scheduler_ = std::make_unique<OrderedScheduler>(keys, weights);

    pictures_ = std::move(pictures);
    options_ = std::move(options);
    cancel_ = false;
    failed_ = 0;
    idle_workers_ = 0;
    total_ = std::int64_t(pictures_.size());
    remaining_ = std::int64_t(pictures_.size());
    {
        std::lock_guard lock(mutex_);
        current_output_.clear();
        failed_flags_.assign(pictures_.size(), false);
        last_target_ = {};
    }
    running_ = true;
    controller_ = std::thread([this, workers, resize_threads] { run(workers, resize_threads); });
    return true;
}

void BatchJob::run(int workers, int resize_threads) {
    std::vector<std::thread> pool;
    for (int w = 1; w < workers; ++w) pool.emplace_back([this, w, resize_threads] { work(w, resize_threads); });
    work(0, resize_threads);
    for (std::thread& t : pool) t.join();
    {
        std::lock_guard lock(mutex_);
        running_ = false;
    }
    ended_.notify_all();
    if (options_.on_end) options_.on_end(cancel_.load());
}

void BatchJob::work(int worker, int resize_threads) {
    while (auto index = scheduler_->acquire()) {
        const std::string& source = pictures_[*index];
        const BatchSettings settings = options_.settings();
        PictureContext context;
        context.cancel = &cancel_;
        context.resize_threads = resize_threads;
        context.idle_workers = &idle_workers_;
        context.slot_base = 1000 + 3 * worker;
        {
            std::lock_guard lock(mutex_);
            current_output_ = output_path_for(source, effective_prefix(settings.prefix), settings.type);
            context.previous_target = last_target_;
        }
        const PictureReport report = process_picture(source, settings, context);
        if (report.outcome == PictureOutcome::Cancelled) {
            scheduler_->release(*index);
            break;
        }
        {
            std::lock_guard lock(mutex_);
            last_target_ = report.target;
            if (report.outcome == PictureOutcome::Failed) failed_flags_[*index] = true;
        }
        if (report.outcome == PictureOutcome::Failed) ++failed_;
        --remaining_;
        scheduler_->release(*index);
        if (options_.on_picture) options_.on_picture(PictureEvent{*index, source, report.output_path, report.outcome});
    }
    ++idle_workers_;
}

void BatchJob::stop() {
    if (running_.load()) cancel_ = true;
    if (scheduler_) scheduler_->cancel();
    if (controller_.joinable() && controller_.get_id() != std::this_thread::get_id()) controller_.join();
}

void BatchJob::wait() {
    if (controller_.joinable() && controller_.get_id() != std::this_thread::get_id()) controller_.join();
}

bool BatchJob::wait_for(int milliseconds) {
    std::unique_lock lock(mutex_);
    return ended_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return !running_.load(); });
}

std::string BatchJob::current_output() const {
    std::lock_guard lock(mutex_);
    return current_output_;
}

std::vector<std::string> BatchJob::failed_sources() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < failed_flags_.size(); ++i)
        if (failed_flags_[i]) names.push_back(pictures_[i]);
    return names;
}

}  // namespace pixmold
