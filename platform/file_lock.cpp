#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace pixmold {

LockOutcome lock_file(const std::string& path, int& lock_fd) {
    lock_fd = -1;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno == EEXIST) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) return errno == EACCES ? LockOutcome::NoAccess : LockOutcome::Failed;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? LockOutcome::HeldElsewhere : LockOutcome::Failed;
    }
    lock_fd = fd;
    return LockOutcome::Locked;
}

void unlock_file(int fd) {
    if (fd >= 0) ::close(fd);
}

}  // namespace pixmold
