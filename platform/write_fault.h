// Why a write failed, judged afterwards from the file system, for writers
// that could not tell (platform/atomic_file.h tells where it can).
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_error.h"

namespace pixmold {

// ReadOnly for a read-only mount or an existing `target` without write
// permission (or without its owner's write bit, which counts even for root);
// NoPermission for a folder the process may not write; NameTooLong for a
// folder path longer than the system takes; NoSpace for less room than
// `expected_bytes` or no free inode; IoError when none of these holds.
FileError judge_failed_write(const std::string& target, std::uint64_t expected_bytes);

}  // namespace pixmold
