#include "batch/failure.h"

#include "platform/write_fault.h"

namespace pixmold {

FailReason fail_reason_for(FileError error) {
    switch (error) {
    case FileError::NoPermission: return FailReason::NoPermission;
    case FileError::ReadOnly: return FailReason::ReadOnly;
    case FileError::NoSpace: return FailReason::DiskFull;
    case FileError::NameTooLong: return FailReason::NameTooLong;
    case FileError::None:
    case FileError::NoFolder:
    case FileError::IoError: break;
    }
    return FailReason::None;
}

FailReason write_failure_reason(const std::string& output_path, std::uint64_t expected_bytes) {
    const FailReason reason = fail_reason_for(judge_failed_write(output_path, expected_bytes));
    return reason == FailReason::None ? FailReason::Unwritable : reason;
}

}  // namespace pixmold
