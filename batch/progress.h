// Following a running batch: the one status loop of the window's session and
// of pixmold-batch.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "batch/job.h"

namespace pixmold {

// What a status display shows of a running batch.
struct BatchProgress {
    std::int64_t remaining = 0;  // pictures not finished yet
    std::int64_t total = 0;
    std::string current_output;  // output path of the picture most recently started
};

// Calls `show` with the job's progress every `period_ms` milliseconds while
// the job runs. True once the job has ended; false as soon as `show` returns
// false (the job may still be running then).
bool follow_batch(BatchJob& job, int period_ms, const std::function<bool(const BatchProgress&)>& show);

}  // namespace pixmold
