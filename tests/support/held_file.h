// A "picture" that holds whoever reads it: a named pipe, on which opening
// for reading waits until release() (or the end of the test) opens it for
// writing; it stays open, so that a later reader does not wait either. The
// reader then finds no regular file and gives up on it. Keeps a batch
// running for exactly as long as a test needs.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace pixmold::test {

class HeldFile {
public:
    explicit HeldFile(std::string path) : path_(std::move(path)) { made_ = ::mkfifo(path_.c_str(), 0644) == 0; }
    ~HeldFile() {
        release();
        if (writer_ >= 0) ::close(writer_);
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    bool made() const { return made_; }
    const std::string& path() const { return path_; }
    // Lets a waiting reader go (read-write opening never waits itself).
    void release() {
        if (made_ && writer_ < 0) writer_ = ::open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    }

private:
    std::string path_;
    bool made_ = false;
    int writer_ = -1;
};

}  // namespace pixmold::test
