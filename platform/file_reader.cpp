#include "platform/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace pixmold {

FileReader::~FileReader() { close(); }

void FileReader::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool FileReader::open(const std::string& path) {
    close();
    size_ = 0;
    // Without O_NONBLOCK, opening a FIFO waits for a writer, for ever and
    // deaf to a stop; with it, anything but a regular file is refused at once.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
        close();
        return false;
    }
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags != -1) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    size_ = std::size_t(st.st_size);
    return true;
}

bool FileReader::read_all(std::uint8_t* buffer) {
    if (fd_ < 0) return false;
    std::size_t done = 0;
    while (done < size_) {
        const ssize_t got = ::read(fd_, buffer + done, size_ - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += std::size_t(got);
    }
    close();
    return done == size_;
}

}  // namespace pixmold
