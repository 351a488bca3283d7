#include "platform/write_fault.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace pixmold {

FileError judge_failed_write(const std::string& target, std::uint64_t expected_bytes) {
    const std::filesystem::path parent = std::filesystem::path(target).parent_path();
    const char* folder = parent.empty() ? "." : parent.c_str();

    struct statvfs fs {};
    if (::statvfs(folder, &fs) == 0 && (fs.f_flag & ST_RDONLY)) return FileError::ReadOnly;
    if (::access(folder, W_OK) != 0) {
        if (errno == EROFS) return FileError::ReadOnly;
        if (errno == EACCES || errno == EPERM) return FileError::NoPermission;
        if (errno == ENAMETOOLONG) return FileError::NameTooLong;
        return FileError::IoError;
    }
    // The owner's write bit counts even for root, who may write regardless.
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 &&
        (::access(target.c_str(), W_OK) != 0 || !(existing.st_mode & S_IWUSR)))
        return FileError::ReadOnly;
    if (::statvfs(folder, &fs) == 0) {
        // Root may also use the blocks kept back for it.
        const bool root = ::geteuid() == 0;
        const std::uint64_t room = std::uint64_t(root ? fs.f_bfree : fs.f_bavail) * std::uint64_t(fs.f_frsize);
        const bool no_inode = fs.f_files > 0 && (root ? fs.f_ffree : fs.f_favail) == 0;
        if (room < expected_bytes || no_inode) return FileError::NoSpace;
    }
    return FileError::IoError;
}

}  // namespace pixmold
