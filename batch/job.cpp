#include "batch/job.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "batch/output_claims.h"
#include "batch/schedule.h"
#include "image/bitmap.h"
#include "image/codec.h"
#include "image/exif.h"
#include "image/file_bytes.h"
#include "image/orient.h"
#include "image/resample.h"
#include "platform/folders.h"

namespace pixmold {

namespace {

bool is_cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

TargetSize stored_size(const TargetSize& shown, int orientation) {
    return orientation_swaps_sides(orientation) ? TargetSize{shown.height, shown.width} : shown;
}

// Whether decoded pixels must be resampled for the stored target: they are
// another size, or a scaled decode's picture does not fill them exactly.
bool needs_resize(int width, int height, const PictureExtent& extent, const TargetSize& stored) {
    const bool whole = (extent.width == 0 || extent.width == width) &&
                       (extent.height == 0 || extent.height == height) && extent.left == 0 && extent.top == 0;
    return stored.width != width || stored.height != height || !whole;
}

std::uint64_t pixel_bytes(std::int64_t width, std::int64_t height, int depth) {
    return std::uint64_t(stride_for(int(width), depth)) * std::uint64_t(height);
}

// Pixel memory a picture holds at its peak: the decoded and the resized
// pixels while it is resized, then the resized (or decoded) and the turned
// ones while it is turned.
std::uint64_t peak_pixel_bytes(int width, int height, int depth, const TargetSize& stored, bool resizes, bool turned) {
    const std::uint64_t decoded = pixel_bytes(width, height, depth);
    if (!target_is_valid(stored)) return decoded;
    const std::uint64_t output = pixel_bytes(stored.width, stored.height, depth);
    const std::uint64_t resized = resizes ? output : 0;
    return std::max(decoded + resized, (resizes ? resized : decoded) + (turned ? output : 0));
}

// Room an output may need on disk: its pixels uncompressed, and its metadata.
std::uint64_t output_bytes_bound(const TargetSize& target) {
    return std::uint64_t(target.width) * std::uint64_t(target.height) * 3 + (std::uint64_t(64) << 10);
}

}  // namespace

void shrink_on_load_size(int full_width, int full_height, DecodeScaling scaling, const TargetSize& stored_target,
                         int& min_width, int& min_height) {
    min_width = full_width;
    min_height = full_height;
    if (!target_is_valid(stored_target)) return;
    // A coarse decode leaves the resampler room to smooth out its blocks.
    const std::int64_t factor = scaling == DecodeScaling::Filtered ? 1 : 2;
    if (stored_target.width * factor <= full_width && stored_target.height * factor <= full_height) {
        min_width = int(stored_target.width * factor);
        min_height = int(stored_target.height * factor);
    }
}

namespace {

// The decoded picture resized to the target (in stored orientation) and
// turned upright by `turn`; null when either fails.
BitmapPtr resized_upright(BitmapPtr picture, const TargetSize& target, int orientation, int turn,
                          const PictureExtent& extent, const PictureContext& context) {
    const TargetSize stored = stored_size(target, orientation);
    if (needs_resize(picture->width, picture->height, extent, stored)) {
        const int threads = context.resize_threads + (context.idle_workers ? context.idle_workers->load() : 0);
        picture = resize_bitmap(picture->view(), int(stored.width), int(stored.height), RESIZE_SMOOTH, threads,
                                context.cancel, extent);
        if (!picture) return nullptr;
    }
    if (turn != 1) {
        BitmapPtr turned = allocate_bitmap_for_overwrite(int(target.width), int(target.height), picture->depth);
        if (!turned || !orient_pixels(picture->view(), turned->view(), turn)) return nullptr;
        picture = std::move(turned);
    }
    return picture;
}

// How a picture's output is written: the source's metadata as outputs
// carry it, and the encoder's format, quality and depth. Set up once.
struct Output {
    Metadata metadata;
    EncodeOptions encode;
    FileError error = FileError::None;  // the writer's own reason, when it gave one
    FormatTag tag = TAG_JPEG;
    int quality = 7;
    int depth = -1;

    Output() = default;
    Output(const Output&) = delete;  // `encode` points into it
    Output& operator=(const Output&) = delete;

    // False when the output's folder cannot be made.
    bool prepare(const Metadata& source, int source_depth, const PictureReport& report, const BatchSettings& settings,
                 const PictureContext& context) {
        metadata = {};
        metadata.icc = source.icc;
        if (!source.exif.empty())
            metadata.exif = exif_for_output(source.exif, int(report.target.width), int(report.target.height),
                                            settings.strip_location ? Location::Strip : Location::Keep);
        encode = {};
        encode.metadata = &metadata;
        encode.cancel = context.cancel;
        encode.file_error = &error;
        error = FileError::None;
        // An output folder's tree is made as it is needed, so that a picture
        // that fails leaves no empty folder behind.
        if (!settings.output_folder.empty()) {
            const std::string_view path = report.output_path;
            error = make_folders(std::string(path.substr(0, path.size() - file_name_part(path).size())));
        }
        const bool webp = settings.format == OutputFormat::Webp;
        tag = webp ? TAG_WEBP : settings.format == OutputFormat::Jpeg ? TAG_JPEG : TAG_PNG;
        quality = format_has_quality(settings.format) ? int(std::clamp<std::int64_t>(settings.quality, -1000, 1000)) : 7;
        // PNG follows the source's depth (palettes included); WebP has no
        // palettes and takes the pixels as they are, alpha included.
        depth = webp ? -1 : source_depth;
        return error == FileError::None;
    }

    // Why the file was not written: the writer's own reason first; judged
    // afterwards only when it gave none.
    FailReason failure(const PictureReport& report) const {
        const FailReason told = fail_reason_for(error);
        if (told != FailReason::None) return told;
        return write_failure_reason(report.output_path, output_bytes_bound(report.target));
    }
};

// Writes the picture to its output; None when the file is written, else why not.
FailReason write_picture(const Bitmap& picture, const PictureReport& report, const Metadata& metadata,
                         int source_depth, const BatchSettings& settings, const PictureContext& context) {
    Output output;
    if (!output.prepare(metadata, source_depth, report, settings, context) ||
        !save_pixels(picture.view(), report.output_path, output.tag, output.quality, output.depth, output.encode))
        return output.failure(report);
    return FailReason::None;
}

}  // namespace

PictureReport process_picture(const std::string& source, const BatchSettings& settings, const PictureContext& context) {
    PictureReport report;
    // Nothing was written: a stop when one was asked for, else a failure for `why`.
    const auto give_up = [&](FailReason why) {
        const bool stopped = is_cancelled(context.cancel);
        report.outcome = stopped ? PictureOutcome::Cancelled : PictureOutcome::Failed;
        report.reason = stopped ? FailReason::Stopped : why;
        return report;
    };
    const std::string prefix = effective_prefix(settings.prefix);
    report.output_path = planned_output_path(source, context.place, settings);
    if (report.output_path.empty())
        return give_up(output_name_too_long(source, prefix, settings.format) ? FailReason::NameTooLong
                                                                             : FailReason::Unwritable);
    if (is_cancelled(context.cancel)) return give_up(FailReason::Stopped);

    // The target is judged on the picture as shown, from its full size, which
    // only the decoder knows before it scales. The engine tells the
    // orientation before it asks for sizes; the picture is turned here only
    // once it is resized, which is cheaper.
    bool have_target = false;
    const int& orientation = report.orientation;
    auto decide_target = [&](int stored_w, int stored_h) {
        const bool swap = orientation_swaps_sides(orientation);
        const std::int64_t shown_w = swap ? stored_h : stored_w;
        const std::int64_t shown_h = swap ? stored_w : stored_h;
        report.target = compute_target_size(settings, shown_w, shown_h).value_or(TargetSize{});
        have_target = true;
    };

    Metadata metadata;
    DecodeOptions decode;
    decode.orientation = &report.orientation;
    decode.cancel = context.cancel;
    decode.metadata = &metadata;
    PictureExtent extent;  // a scaled decode's last row and column may be partial
    decode.extent = &extent;
    decode.min_size = [&](int full_w, int full_h, DecodeScaling scaling, int& min_w, int& min_h) {
        decide_target(full_w, full_h);
        if (!context.shrink_on_load) {
            min_w = full_w;
            min_h = full_h;
            return;
        }
        shrink_on_load_size(full_w, full_h, scaling, stored_size(report.target, orientation), min_w, min_h);
    };

    // Decoders that give rows in order resample them as they come, so the
    // decoded picture is never held whole; others are resized afterwards.
    decode.resize_to = [&](int width, int height, int& out_width, int& out_height) {
        if (!have_target) decide_target(width, height);  // a decoder that does not scale: this is the full size
        const TargetSize stored = stored_size(report.target, orientation);
        if (!target_is_valid(stored)) return;
        out_width = int(stored.width);
        out_height = int(stored.height);
    };

    decode.spare_thread = [&] {
        return context.resize_threads > 1 || (context.idle_workers && context.idle_workers->load() > 0);
    };

    // A picture that needs no turning goes to its file as its rows are made,
    // where the format allows: it is never held whole, not even resized.
    Output output;
    RowWriter writer;
    bool write_failed = false;
    decode.rows_to = [&](int width, int height, int depth, int source_depth) -> PictureRows {
        const TargetSize stored = stored_size(report.target, orientation);
        if (orientation != 1 || !target_is_valid(stored) || width != stored.width || height != stored.height ||
            settings.format == OutputFormat::Webp)
            return {};
        // Any fault here is found and told again by the whole picture's write.
        if (!output.prepare(metadata, source_depth, report, settings, context) ||
            !writer.open(report.output_path, width, height, depth, output.tag, output.quality, output.depth,
                         output.encode))
            return {};
        write_failed = false;
        return [&](const std::uint8_t* const* rows, int n) {
            write_failed = !writer.put(rows, n);
            return !write_failed;
        };
    };

    // The source's bytes, the decoder's own buffers and the pixels are all
    // reserved before they are taken. What the decode needs is known only
    // once the decoder has read the header, after the file: when it is more
    // than the first reservation and cannot be had at once, everything is
    // given back, the whole is waited for, and the file is read again.
    // Nothing is held while waiting, so workers never wait on each other.
    // Declared before the pictures, so given back only once their pixels are freed.
    MemoryBudget::Reservation reserved;
    std::uint64_t pixel_peak = 0;    // what the picture needs once decoded
    std::uint64_t besides_file = 0;  // what the decode was last found to need besides the file
    bool wait_for_more = false;
    decode.before_pixels = [&](const DecodePlan& plan) {
        if (!have_target) decide_target(plan.width, plan.height);  // a decoder that does not scale: this is the full size
        if (!context.memory) return true;
        const TargetSize stored = stored_size(report.target, orientation);
        const bool resizes = !plan.resampled && needs_resize(plan.width, plan.height, extent, stored);
        pixel_peak = plan.rows_out ? 0 : peak_pixel_bytes(plan.width, plan.height, plan.depth, stored, resizes, orientation != 1);
        const std::uint64_t decoding =
            plan.working_bytes + (plan.rows_out ? 0 : pixel_bytes(plan.width, plan.height, plan.depth));
        const std::uint64_t needed = std::max(decoding, pixel_peak);
        if (needed <= besides_file || reserved.try_grow(needed - besides_file)) return true;
        besides_file = needed;
        wait_for_more = true;
        return false;
    };

    DecodedPicture decoded;
    // A file rewritten between reads so that it needs more each time is given up after a few.
    for (int attempt = 0; attempt < 4 && !decoded; ++attempt) {
        reserved = {};
        wait_for_more = false;
        have_target = false;
        metadata = {};
        FileBytes file;
        const bool read = file.read(source, [&](std::size_t size) {
            if (!context.memory) return true;
            reserved = context.memory->reserve(std::uint64_t(size) + besides_file, context.cancel);
            return bool(reserved);
        });
        if (!read) return give_up(FailReason::Unreadable);
        decoded = decode_picture(file.bytes(), decode);
        if (!wait_for_more) break;
    }
    if (!decoded) return give_up(write_failed ? output.failure(report) : FailReason::Unreadable);
    // The file and the decoder's buffers are gone.
    if (context.memory) reserved.shrink_to(pixel_peak);
    if (decoded.handed_on) {
        if (!writer.commit()) return give_up(output.failure(report));
        report.outcome = PictureOutcome::Written;
        return report;
    }
    const int turn = decoded.orientation;
    BitmapPtr picture = std::move(decoded.bitmap);
    picture->is_icon = false;  // an icon file's pixels are resized and written like any bitmap's
    if (!have_target) decide_target(picture->width, picture->height);
    if (!target_is_valid(report.target)) return give_up(FailReason::Unresizable);
    if (is_cancelled(context.cancel)) return give_up(FailReason::Stopped);

    picture = resized_upright(std::move(picture), report.target, orientation, turn, extent, context);
    if (!picture) return give_up(FailReason::Unresizable);
    if (is_cancelled(context.cancel)) return give_up(FailReason::Stopped);
    if (const FailReason failed = write_picture(*picture, report, metadata, decoded.source_depth, settings, context);
        failed != FailReason::None)
        return give_up(failed);
    report.outcome = PictureOutcome::Written;
    return report;
}

namespace {
int thread_budget(int requested) {
    return std::clamp(requested > 0 ? requested : int(std::thread::hardware_concurrency()), 1, 64);
}

// A picture's place in the drop; "" where none is kept.
std::string_view place_at(const std::vector<std::string>& places, std::size_t i) {
    return i < places.size() ? std::string_view(places[i]) : std::string_view();
}
}  // namespace

int worker_count(int requested, std::size_t pictures) {
    return int(std::clamp<std::size_t>(pictures, 1, std::size_t(thread_budget(requested))));
}

BatchJob::~BatchJob() { stop(); }

bool BatchJob::start(PictureList pictures, Options options) {
    if (running_.load() || pictures.empty()) return false;
    if (controller_.joinable()) controller_.join();

    // Settled before any work, so that which picture writes a shared output
    // never depends on which worker is quicker.
    const BatchSettings& settings = options.settings;
    std::vector<PlannedOutput> planned;
    planned.reserve(pictures.size());
    // Places matter only with an output folder: without one, a long list
    // carries none.
    std::vector<std::string> places;
    if (!settings.output_folder.empty()) {
        places = std::move(options.places);
        places.resize(pictures.size());
    }
    options.places.clear();
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const std::string output = planned_output_path(pictures[i], place_at(places, i), settings);
        planned.push_back({normalised_path(pictures[i]), output.empty() ? std::string() : normalised_path(output)});
    }
    const std::vector<OutputClaim> claims = claim_outputs(planned);
    PictureList listed;
    std::vector<std::string> listed_places;
    std::vector<bool> yields;
    std::vector<std::size_t> work;
    // Entries touch their source and their output. A list of millions is
    // held once: the planned paths move on to the scheduler, which keeps
    // only numbers for them.
    std::vector<std::vector<std::string>> keys;
    // Biggest files first, so that the last picture to finish is a small one.
    std::vector<std::uintmax_t> weights;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (claims[i] == OutputClaim::Repeats) continue;  // the same picture again: resized once
        yields.push_back(claims[i] == OutputClaim::Yields);
        if (!yields.back()) {
            work.push_back(listed.size());
            keys.push_back({std::move(planned[i].source), std::move(planned[i].output)});
            std::error_code ec;
            const std::uintmax_t size = std::filesystem::file_size(pictures[i], ec);
            weights.push_back(ec ? 0 : size);
        }
        listed.push_back(std::move(pictures[i]));
        if (!places.empty()) listed_places.push_back(std::move(places[i]));
    }
    const std::int64_t yielded = std::int64_t(listed.size() - work.size());
    const int workers = worker_count(options.threads, std::max<std::size_t>(work.size(), 1));
    // Fewer pictures than threads: the spare threads help each resize.
    const int resize_threads = std::max(1, thread_budget(options.threads) / workers);
    std::vector<PlannedOutput>().swap(planned);
    scheduler_ = std::make_unique<OrderedScheduler>(keys, weights);
    std::vector<std::vector<std::string>>().swap(keys);

    pictures_ = std::move(listed);
    places_ = std::move(listed_places);
    work_ = std::move(work);
    options_ = std::move(options);
    if (!options_.memory) options_.memory = std::make_shared<MemoryBudget>(default_memory_budget());
    cancel_ = false;
    failed_ = yielded;
    idle_workers_ = 0;
    total_ = std::int64_t(pictures_.size());
    remaining_ = std::int64_t(pictures_.size()) - yielded;
    {
        std::lock_guard lock(mutex_);
        current_output_.clear();
        reasons_.assign(pictures_.size(), FailReason::None);
        for (std::size_t i = 0; i < yields.size(); ++i)
            if (yields[i]) reasons_[i] = FailReason::SameOutput;
    }
    running_ = true;
    controller_ = std::thread([this, workers, resize_threads] { run(workers, resize_threads); });
    return true;
}

void BatchJob::run(int workers, int resize_threads) {
    // The pictures that yield their output are reported first, before any
    // worker exists to change their reasons.
    if (options_.on_picture) {
        for (std::size_t i = 0; i < reasons_.size(); ++i)
            if (reasons_[i] == FailReason::SameOutput)
                options_.on_picture(PictureEvent{i, pictures_[i],
                                                 planned_output_path(pictures_[i], place_at(places_, i), options_.settings),
                                                 PictureOutcome::Failed, FailReason::SameOutput});
    }
    std::vector<std::thread> pool;
    for (int w = 1; w < workers; ++w) pool.emplace_back([this, resize_threads] { work(resize_threads); });
    work(resize_threads);
    for (std::thread& t : pool) t.join();
    {
        std::lock_guard lock(mutex_);
        running_ = false;
    }
    ended_.notify_all();
    if (options_.on_end) options_.on_end(cancel_.load());
}

void BatchJob::work(int resize_threads) {
    while (auto slot = scheduler_->acquire()) {
        const std::size_t index = work_[*slot];
        const std::string& source = pictures_[index];
        const BatchSettings& settings = options_.settings;
        PictureContext context;
        context.cancel = &cancel_;
        context.resize_threads = resize_threads;
        context.idle_workers = &idle_workers_;
        context.memory = options_.memory.get();
        context.place = std::string(place_at(places_, index));
        {
            std::lock_guard lock(mutex_);
            current_output_ = planned_output_path(source, context.place, settings);
        }
        const auto began = std::chrono::steady_clock::now();
        const PictureReport report = process_picture(source, settings, context);
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began);
        {
            std::lock_guard lock(mutex_);
            reasons_[index] = report.reason;
        }
        if (report.outcome == PictureOutcome::Cancelled) {
            scheduler_->release(*slot);
            break;
        }
        if (report.outcome == PictureOutcome::Failed) ++failed_;
        --remaining_;
        scheduler_->release(*slot);
        if (options_.on_picture)
            options_.on_picture(PictureEvent{index, source, report.output_path, report.outcome, report.reason,
                                             report.target, spent.count()});
    }
    ++idle_workers_;
}

void BatchJob::stop() {
    if (running_.load()) cancel_ = true;
    if (scheduler_) scheduler_->cancel();
    if (options_.memory) options_.memory->wake();
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

std::vector<FailedPicture> BatchJob::failed_pictures() const {
    std::lock_guard lock(mutex_);
    std::vector<FailedPicture> failed;
    for (std::size_t i = 0; i < reasons_.size(); ++i)
        if (reasons_[i] != FailReason::None) failed.push_back({pictures_[i], reasons_[i]});
    return failed;
}

}  // namespace pixmold
