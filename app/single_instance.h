// One running copy per version: an exclusive advisory lock on a file named
// after the product and version. The system drops the lock when the process
// ends, however it ends, so a crash never blocks the next start. Beside the
// lock, the running copy listens on a socket through which later starts
// hand over their files.
#pragma once

#include <string>
#include <vector>

namespace pixmold {

// "$XDG_RUNTIME_DIR/<name>.lock"; without that folder "<name>-<uid>.lock"
// in the temp folder, so that two users' copies never meet.
std::string instance_lock_path(const std::string& name);
// The same with ".socket" for ".lock".
std::string instance_socket_path(const std::string& name);

enum class InstanceCheck { OnlyOne, AnotherRuns };

// Takes the lock for `name` (product name + version) and keeps it until the
// process ends; `lock_fd` receives its descriptor (-1 when the lock file
// cannot be made at all: the program then runs unguarded rather than not at
// all). AnotherRuns when a process holds the lock, or when the lock file
// exists but may not be opened.
InstanceCheck claim_single_instance(const std::string& name, int& lock_fd);

enum class StartRole {
    First,       // the only copy: `lock_fd` as claim_single_instance leaves it
    HandedOver,  // the running copy has the paths and comes forward
    Unanswered,  // a copy holds the lock but never answered
};

// What this start is. A later start hands `paths` (possibly none) to the
// running copy. It keeps trying for up to `patience_ms`: the running copy
// may be between its lock and its socket, or ending and about to free the
// lock, which makes this start the first.
StartRole claim_or_hand_over(const std::string& name, const std::vector<std::string>& paths, int& lock_fd,
                             int patience_ms);

}  // namespace pixmold
