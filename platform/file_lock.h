// An exclusive advisory lock on a file (flock). Locks belong to open files:
// a second lock of the same file fails even within one process, and the
// system drops a lock when its process ends, however it ends.
#pragma once

#include <string>

namespace pixmold {

enum class LockOutcome {
    Locked,        // the descriptor holds the lock until it is closed
    HeldElsewhere, // another open file holds it
    NoAccess,      // the file exists but may not be opened
    Failed,        // the file cannot be made or locked for another reason
};

// Opens the file at `path` for reading (read access is enough to lock, so
// another user's lock file in a shared folder still works as a lock),
// creating it with mode 0644 when it is missing, and locks it without
// waiting. `fd` receives the descriptor when Locked, else -1.
LockOutcome lock_file(const std::string& path, int& fd);

// Closes a descriptor from lock_file, which drops its lock.
void unlock_file(int fd);

}  // namespace pixmold
