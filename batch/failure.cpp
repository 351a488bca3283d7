#include "batch/failure.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace pixmold {

FailReason write_failure_reason(const std::string& output_path, std::uint64_t expected_bytes) {
    const std::filesystem::path parent = std::filesystem::path(output_path).parent_path();
    const char* folder = parent.empty() ? "." : parent.c_str();

    struct statvfs fs {};
    if (::statvfs(folder, &fs) == 0 && (fs.f_flag & ST_RDONLY)) return FailReason::ReadOnly;
    if (::access(folder, W_OK) != 0) {
        if (errno == EROFS) return FailReason::ReadOnly;
        if (errno == EACCES || errno == EPERM) return FailReason::NoPermission;
        return FailReason::Unwritable;
    }
    // The owner's write bit counts even for root, who may write regardless.
    struct stat target {};
    if (::stat(output_path.c_str(), &target) == 0 &&
        (::access(output_path.c_str(), W_OK) != 0 || !(target.st_mode & S_IWUSR)))
        return FailReason::ReadOnly;
    if (::statvfs(folder, &fs) == 0) {
        // Root may also use the blocks kept back for it.
        const bool root = ::geteuid() == 0;
        const std::uint64_t room = std::uint64_t(root ? fs.f_bfree : fs.f_bavail) * std::uint64_t(fs.f_frsize);
        const bool no_inode = fs.f_files > 0 && (root ? fs.f_ffree : fs.f_favail) == 0;
        if (room < expected_bytes || no_inode) return FailReason::DiskFull;
    }
    return FailReason::Unwritable;
}

}  // namespace pixmold
