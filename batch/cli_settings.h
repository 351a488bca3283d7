// Reading the batch settings from a settings file without ever writing it.
#pragma once

#include <optional>
#include <string>

#include "batch/rules.h"

namespace pixmold {

// The settings the window would use with this settings file; the built-in
// defaults with `language` when the file does not exist, holds nothing or is
// not a settings file. nullopt when it exists but cannot be read. The file
// is read once; `foreign` tells whether it is there but no settings file.
std::optional<BatchSettings> read_batch_settings(const std::string& path, Language language, bool& foreign);

}  // namespace pixmold
