// File modes in tests: setting the umask for a test, reading it without
// changing it, a thread that keeps creating files of its own so that a writer
// touching the process umask shows up in their modes, and a folder where
// files are made fast enough for such races to show.
#pragma once

#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstddef>

#include <atomic>
#include <cstdlib>
#include <filesystem>
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

// From now on, a umask() call in this thread (or threads it starts) kills the
// process with SIGSYS: for a forked child checking that code never changes the
// umask that all threads share. False when the system refuses the filter.
inline bool forbid_umask_calls() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_umask, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
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

// A fresh folder in memory (/dev/shm) where there is one, else in the temp
// folder; removed with its contents at the end. Flushing a file there costs
// nothing, so many writers really work at the same instant.
class ScratchFolder {
public:
    ScratchFolder() {
        std::error_code ec;
        const bool shm = std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK | X_OK) == 0;
        std::string pattern =
            (shm ? std::string("/dev/shm") : std::filesystem::temp_directory_path().string()) + "/pixmold-test-XXXXXX";
        if (char* made = ::mkdtemp(pattern.data())) path_ = made;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace pixmold::test
