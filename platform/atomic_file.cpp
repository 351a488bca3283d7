#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/temporary_files.h"

namespace pixmold {
namespace {

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string in_folder(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// An unnamed file is given its name through /proc (linkat with AT_EMPTY_PATH
// would need a capability).
bool can_link_unnamed_files() {
    static const bool proc_fds = ::access("/proc/self/fd", X_OK) == 0;
    return proc_fds;
}

bool unnamed_files_unsupported(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOENT;
}

// The replacement takes the owner and group of the file it replaces where
// the user may set them (root: always; others: a group they belong to), and
// its mode; set-id bits only with the owner.
void take_owner_and_mode(int fd, const struct stat& old) {
    struct stat now {};
    if (::fstat(fd, &now) != 0) return;
    bool owner_kept = now.st_uid == old.st_uid;
    if (now.st_uid != old.st_uid || now.st_gid != old.st_gid) {
        if (::fchown(fd, old.st_uid, old.st_gid) == 0)
            owner_kept = true;
        else
            (void)::fchown(fd, uid_t(-1), old.st_gid);
    }
    (void)::fchmod(fd, old.st_mode & (owner_kept ? 07777 : 0777));
}

}  // namespace

FileError file_error_from_errno(int error) {
    switch (error) {
    case 0: return FileError::None;
    case EACCES:
    case EPERM: return FileError::NoPermission;
    case EROFS:
    case ETXTBSY: return FileError::ReadOnly;
    case ENOSPC:
    case EDQUOT: return FileError::NoSpace;
    case ENOENT:
    case ENOTDIR: return FileError::NoFolder;
    case ENAMETOOLONG: return FileError::NameTooLong;
    default: return FileError::IoError;
    }
}

FileError check_writable(const std::string& target) {
    if (target.empty() || target.back() == '/') return FileError::IoError;
    const std::string folder = folder_of(target);
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return file_error_from_errno(errno);
    if (!S_ISDIR(info.st_mode)) return FileError::NoFolder;
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return file_error_from_errno(errno);
    if (::stat(target.c_str(), &info) != 0) return errno == ENOENT ? FileError::None : file_error_from_errno(errno);
    if (S_ISDIR(info.st_mode)) return FileError::IoError;
    // Root may write anything: the owner's write bit is what says "keep".
    if (!(info.st_mode & S_IWUSR)) return FileError::ReadOnly;
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return file_error_from_errno(errno);
    return FileError::None;
}

AtomicFile::~AtomicFile() { abandon(); }

bool AtomicFile::fail(int error_number) {
    error_ = file_error_from_errno(error_number);
    if (error_ == FileError::None) error_ = FileError::IoError;
    abandon();
    return false;
}

bool AtomicFile::open(const std::string& target, Temporary temporary) {
    abandon();
    error_ = check_writable(target);
    if (error_ != FileError::None) return false;
    target_ = target;
    folder_ = folder_of(target);
    write_errno_ = 0;
    struct stat old {};
    target_existed_ = ::stat(target.c_str(), &old) == 0;
    remove_stale_temporary_files_now_and_then(folder_);

    // Mode 0666: the kernel takes the umask off.
    if (temporary == Temporary::Unnamed && can_link_unnamed_files()) {
        fd_ = ::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ < 0 && !unnamed_files_unsupported(errno)) return fail(errno);
    }
    for (int attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
        const std::string name = in_folder(folder_, temporary_file_name(TemporaryName::Created));
        fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0)
            temp_ = name;
        else if (errno != EEXIST)
            return fail(errno);
    }
    if (fd_ < 0) return fail(EEXIST);
    // Held until the file has its final name, so that no other process takes
    // it for one left behind by a kill.
    (void)::flock(fd_, LOCK_EX | LOCK_NB);
    if (target_existed_) take_owner_and_mode(fd_, old);

    const cookie_io_functions_t io{nullptr, &AtomicFile::write_cookie, nullptr, nullptr};
    stream_ = ::fopencookie(this, "wb", io);
    if (!stream_) return fail(errno);
    (void)std::setvbuf(stream_, nullptr, _IOFBF, 1 << 16);
    return true;
}

ssize_t AtomicFile::write_cookie(void* self, const char* data, size_t size) {
    auto* file = static_cast<AtomicFile*>(self);
    size_t done = 0;
    while (done < size) {
        const ssize_t wrote = ::write(file->fd_, data + done, size - done);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            if (file->write_errno_ == 0) file->write_errno_ = errno;
            break;
        }
        done += size_t(wrote);
    }
    return ssize_t(done);
}

bool AtomicFile::commit() {
    if (!stream_) {
        if (error_ == FileError::None) error_ = FileError::IoError;
        return false;
    }
    const bool written = std::fflush(stream_) == 0 && !std::ferror(stream_);
    std::fclose(stream_);  // the descriptor stays open: the stream has no close function
    stream_ = nullptr;
    if (!written) return fail(write_errno_ ? write_errno_ : EIO);
    if (::fsync(fd_) != 0) return fail(errno);
    if (!link_into_place()) return false;
    ::close(fd_);
    fd_ = -1;
    return true;
}

bool AtomicFile::link_into_place() {
    if (temp_.empty()) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        if (!target_existed_) {
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
            if (errno != EEXIST) return fail(errno);
        }
        // Linking cannot replace a name: the file gets a temporary one first.
        for (int attempt = 0; temp_.empty(); ++attempt) {
            const std::string name = in_folder(folder_, temporary_file_name(TemporaryName::Linked));
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                temp_ = name;
            else if (errno != EEXIST || attempt == 100)
                return fail(errno);
        }
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) return fail(errno);
    temp_.clear();
    return true;
}

void AtomicFile::abandon() {
    if (stream_) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    // The name goes while the lock still marks the file as in use.
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

FileError write_file_atomically(const std::string& target, std::string_view data) {
    AtomicFile file;
    if (!file.open(target)) return file.error();
    if (!data.empty()) (void)std::fwrite(data.data(), 1, data.size(), file.stream());
    file.commit();
    return file.error();
}

}  // namespace pixmold
