#include "batch/progress.h"

namespace pixmold {

bool follow_batch(BatchJob& job, int period_ms, const std::function<bool(const BatchProgress&)>& show) {
    while (!job.wait_for(period_ms))
        if (!show(BatchProgress{job.remaining(), job.total(), job.current_output()})) return false;
    return true;
}

}  // namespace pixmold
