// Why a picture of a batch was not written, in the few classes a user can
// act on.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_error.h"

namespace pixmold {

enum class FailReason {
    None,
    Unreadable,    // missing, not a picture, or damaged
    Unresizable,   // no size it can take (a side of 0 or over 32767), or no memory for it
    DiskFull,      // no room left on the output's file system
    NoPermission,  // the output's folder may not be written
    ReadOnly,      // a read-only file system, or an existing output that is read-only
    NameTooLong,   // the output's name, or its whole path, is longer than the file system allows
    SameOutput,    // another picture of the batch writes the same output file
    Unwritable,    // the output could not be written, for some other reason
    Stopped,       // the batch was stopped while it was being processed
};

// The reason for what the writer of a file reported: None when it gave no
// reason (an encoder's failure) or only a vague one (an input/output error,
// a missing folder), which write_failure_reason may then judge better.
FailReason fail_reason_for(FileError error);

// Why writing `output_path` failed, judged afterwards from the file system
// (platform/write_fault.h): a read-only mount, a folder the process may not
// write, an existing output without write permission, or less room than
// `expected_bytes` (or no free inode). Unwritable when none of these holds.
FailReason write_failure_reason(const std::string& output_path, std::uint64_t expected_bytes);

}  // namespace pixmold
