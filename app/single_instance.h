// One running copy per version: an exclusive advisory lock on a file named
// after the product and version. The system drops the lock when the process
// ends, however it ends, so a crash never blocks the next start.
#pragma once

#include <string>

namespace pixmold {

// "$XDG_RUNTIME_DIR/<name>.lock", else in the temp folder.
std::string instance_lock_path(const std::string& name);

enum class InstanceCheck { OnlyOne, AnotherRuns };

// Takes the lock for `name` (product name + version) and keeps it until the
// process ends; `lock_fd` receives its descriptor (-1 when the lock file
// cannot be made at all: the program then runs unguarded rather than not at
// all). AnotherRuns when a process holds the lock, or when the lock file
// exists but may not be opened.
InstanceCheck claim_single_instance(const std::string& name, int& lock_fd);

}  // namespace pixmold
