#include "app/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace pixmold {

std::string instance_lock_path(const std::string& name) {
    const char* folder = std::getenv("XDG_RUNTIME_DIR");
    if (!folder || !*folder) folder = std::getenv("TMPDIR");
    if (!folder || !*folder) folder = "/tmp";
    return std::string(folder) + "/" + name + ".lock";
}

InstanceCheck claim_single_instance(const std::string& name, int& lock_fd) {
    lock_fd = -1;
    const std::string path = instance_lock_path(name);
    // Read access is enough to lock, so another user's lock file in a shared
    // temp folder still works as a lock instead of blocking every start.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno == EEXIST) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) return errno == EACCES ? InstanceCheck::AnotherRuns : InstanceCheck::OnlyOne;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? InstanceCheck::AnotherRuns : InstanceCheck::OnlyOne;
    }
    lock_fd = fd;
    return InstanceCheck::OnlyOne;
}

}  // namespace pixmold
