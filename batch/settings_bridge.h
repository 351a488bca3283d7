// The job's view of the program's settings record.
#pragma once

#include "batch/rules.h"
#include "core/settings.h"

namespace pixmold {

// The fields the job reads.
BatchSettings batch_settings_from(const Settings& settings);

}  // namespace pixmold
