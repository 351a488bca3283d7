// File modes and owners in tests: setting the umask for a test, reading it
// without changing it, and a thread that keeps creating files of its own so
// that a writer touching the process umask shows up in their modes.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>

namespace pixmold::test {

class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : saved_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(saved_); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t saved_;
};

// The process umask as the kernel reports it (-1 when it does not).
inline int current_umask() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Umask:", 0) == 0) return int(std::stoul(line.substr(6), nullptr, 8));
    return -1;
}

inline mode_t mode_of(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : mode_t(-1);
}

// Until destroyed, creates and removes `folder`/bystander over and over and
// counts the times its mode was not 0666 less `mask`.
class Bystander {
public:
    Bystander(const std::string& folder, mode_t mask)
        : thread_([this, path = folder + "/bystander", want = mode_t(0666 & ~mask)] {
              while (!stop_.load()) {
                  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
                  if (fd < 0) continue;
                  struct stat info {};
                  if (::fstat(fd, &info) == 0 && (info.st_mode & 07777) != want) ++wrong_;
                  ++made_;
                  ::close(fd);
                  ::unlink(path.c_str());
              }
          }) {}
    ~Bystander() { finish(); }
    Bystander(const Bystander&) = delete;
    Bystander& operator=(const Bystander&) = delete;

    void finish() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    int wrong() const { return wrong_.load(); }
    int made() const { return made_.load(); }

private:
    std::atomic<bool> stop_{false};
    std::atomic<int> wrong_{0};
    std::atomic<int> made_{0};
    std::thread thread_;
};

}  // namespace pixmold::test
