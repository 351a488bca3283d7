// The resize job: resizes every picture of a list by the settings and writes
// each result beside its source, on a pool of worker threads.
//
// Results on disk are those of a one-by-one run in list order (entries that
// share a file wait for each other), the counters keep their one-by-one
// meaning, and stop() ends the work within a few hundred milliseconds,
// leaving every file either as it was or completely written. The pixel
// memory of the pictures in flight stays within a budget.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "batch/failure.h"
#include "batch/intake.h"
#include "batch/memory_budget.h"
#include "batch/rules.h"
#include "batch/schedule.h"
#include "image/codec.h"

namespace pixmold {

enum class PictureOutcome {
    Written,    // the output file is complete
    Failed,     // could not be read, resized or written; nothing was written
    Cancelled,  // stopped before the output was complete; nothing was written
};

// What one picture needs besides its path and the settings.
struct PictureContext {
    const std::atomic<bool>* cancel = nullptr;
    int resize_threads = 1;
    // Workers that have run out of pictures: their cores join the resize.
    const std::atomic<int>* idle_workers = nullptr;
    // Where the picture reserves its pixel memory before it is decoded (and
    // waits for it); none: no bound.
    MemoryBudget* memory = nullptr;
    // Let a decoder that can scale down while decoding do so when the target is small.
    bool shrink_on_load = true;
    // The picture's folder relative to what was dropped (DropIntake::places):
    // where its output goes in an output folder.
    std::string place;
};

struct PictureReport {
    PictureOutcome outcome = PictureOutcome::Failed;
    FailReason reason = FailReason::None;  // Stopped for a cancelled picture
    std::string output_path;
    TargetSize target{};  // the size computed for it (shown orientation)
    int orientation = 1;
};

// Decodes, resizes, turns upright and writes one picture; the whole per-picture
// algorithm of the job, shared by every worker.
PictureReport process_picture(const std::string& source, const BatchSettings& settings, const PictureContext& context);

// The size at which a picture worth shrinking on load should at least be
// decoded: a coarse scaled decode (JPEG's) twice the target on both sides, a
// filtered one (JPEG 2000's resolution levels) the target itself, when the
// full size leaves that much; else the full size. Sizes are in stored (not
// shown) orientation.
void shrink_on_load_size(int full_width, int full_height, DecodeScaling scaling, const TargetSize& stored_target,
                         int& min_width, int& min_height);

struct PictureEvent {
    std::size_t index = 0;  // position in the list
    std::string source;
    std::string output_path;
    PictureOutcome outcome = PictureOutcome::Failed;
    FailReason reason = FailReason::None;
    TargetSize size{};               // the output's size, when written
    std::int64_t milliseconds = 0;   // the time its worker spent on it
};

struct FailedPicture {
    std::string source;
    FailReason reason = FailReason::None;
    bool operator==(const FailedPicture&) const = default;
};

class BatchJob {
public:
    struct Options {
        // The batch's settings, for every one of its pictures: changes made
        // while it runs apply to the next batch.
        BatchSettings settings;
        // Per picture of the list, its place in the drop (DropIntake::places);
        // missing ones are "". Only an output folder uses them.
        std::vector<std::string> places;
        // Worker threads; 0: one per core.
        int threads = 0;
        // The bound on the pixel memory of the pictures in flight; empty: a
        // budget of default_memory_budget() for this batch.
        std::shared_ptr<MemoryBudget> memory;
        // Called from a worker thread after each picture (not for cancelled ones).
        std::function<void(const PictureEvent&)> on_picture;
        // Called once from the job's own thread when every worker has ended,
        // whether the batch finished or was stopped.
        std::function<void(bool stopped)> on_end;
    };

    BatchJob() = default;
    ~BatchJob();
    BatchJob(const BatchJob&) = delete;
    BatchJob& operator=(const BatchJob&) = delete;

    // Starts a batch over `pictures`; false (and nothing changes) when one is
    // running or the list is empty. Where several pictures would write the
    // same output (batch/output_claims.h), only one does; the others fail at
    // once as SameOutput, and a picture listed again for the same output is
    // dropped from the batch.
    bool start(PictureList pictures, Options options);
    // Cancels the running batch and waits for its workers; outputs in progress
    // are abandoned without a trace. Returns at once when idle.
    void stop();
    // Waits for the batch to end by itself.
    void wait();
    // Waits at most `milliseconds` for the batch to end; true when it has.
    bool wait_for(int milliseconds);

    bool running() const { return running_.load(); }
    std::int64_t total() const { return total_.load(); }
    std::int64_t remaining() const { return remaining_.load(); }
    std::int64_t failed() const { return failed_.load(); }
    // Pictures whose output was written.
    std::int64_t written() const { return total_.load() - remaining_.load() - failed_.load(); }
    bool stopped() const { return cancel_.load(); }
    // Output path of the picture most recently started.
    std::string current_output() const;
    // The pictures that could not be read, resized or written (or yielded
    // their output), and those a stop interrupted, in list order, each with
    // its reason.
    std::vector<FailedPicture> failed_pictures() const;

private:
    void run(int workers, int resize_threads);
    void work(int resize_threads);

    PictureList pictures_;
    std::vector<std::string> places_;  // per entry of pictures_, or none without an output folder
    std::vector<std::size_t> work_;  // the entries that are processed, by the scheduler's numbers
    Options options_;
    std::unique_ptr<OrderedScheduler> scheduler_;
    std::thread controller_;
    std::atomic<bool> running_{false};
    std::atomic<bool> cancel_{false};
    std::atomic<std::int64_t> total_{0};
    std::atomic<std::int64_t> remaining_{0};
    std::atomic<std::int64_t> failed_{0};
    std::atomic<int> idle_workers_{0};
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    std::string current_output_;
    std::vector<FailReason> reasons_;  // per entry; None until it failed or was interrupted
};

// Worker count for `pictures` entries when `requested` (0: one per core).
int worker_count(int requested, std::size_t pictures);

}  // namespace pixmold
