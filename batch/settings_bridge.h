// The job's view of the program's settings record.
#pragma once

#include "core/settings.h"
#include "batch/rules.h"

namespace pixmold {

// A consistent copy of the keys the job reads, taken field by field.
BatchSettings batch_settings_from(const Settings& settings);

}  // namespace pixmold
