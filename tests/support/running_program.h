// The window program run as a process (PIXMOLD_PROGRAM), headless, in a
// working folder of the test's, with its own lock and socket folder; and
// waiting for the files it writes.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace pixmold::test {

struct ProgramStart {
    ProgramStart(std::string folder_, std::string runtime_dir_, std::vector<std::string> args_ = {})
        : folder(std::move(folder_)), runtime_dir(std::move(runtime_dir_)), args(std::move(args_)) {}
    std::string folder;                // working folder
    std::string runtime_dir;           // XDG_RUNTIME_DIR: the lock and the socket
    std::vector<std::string> args;     // after the program's name
    bool offscreen_environment = true; // false: QT_QPA_PLATFORM and DISPLAY unset, args must choose
    std::string error_file;            // standard error goes there when not empty
    // Set last: "NAME=value", or "NAME" to unset. The locale is otherwise
    // French, the language the tests read where no settings file says another.
    std::vector<std::string> environment;
};

class Program {
public:
    explicit Program(const ProgramStart& start) {
        std::vector<char*> argv{const_cast<char*>(PIXMOLD_PROGRAM)};
        for (const std::string& a : start.args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            if (::chdir(start.folder.c_str()) != 0) ::_exit(127);
            if (start.offscreen_environment) {
                ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            } else {
                ::unsetenv("QT_QPA_PLATFORM");
                ::unsetenv("DISPLAY");
                ::unsetenv("WAYLAND_DISPLAY");
            }
            ::setenv("XDG_RUNTIME_DIR", start.runtime_dir.c_str(), 1);
            ::setenv("LC_ALL", "fr_FR.UTF-8", 1);
            for (const std::string& e : start.environment) {
                const std::size_t eq = e.find('=');
                if (eq == std::string::npos)
                    ::unsetenv(e.c_str());
                else
                    ::setenv(e.substr(0, eq).c_str(), e.c_str() + eq + 1, 1);
            }
            if (!start.error_file.empty()) {
                const int fd = ::open(start.error_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                if (fd >= 0) ::dup2(fd, 2);
            }
            ::execv(PIXMOLD_PROGRAM, argv.data());
            ::_exit(127);
        }
    }
    Program(const std::string& folder, const std::string& runtime_dir) : Program(ProgramStart{folder, runtime_dir}) {}
    ~Program() {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    void signal(int sig) const { ::kill(pid_, sig); }

    // The exit code once it ended within `limit`; nothing if it still runs.
    // A death by signal shows as 128 + the signal number.
    std::optional<int> wait_for_exit(std::chrono::milliseconds limit) {
        auto end = std::chrono::steady_clock::now() + limit;
        while (!status_) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (std::chrono::steady_clock::now() > end) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return status_;
    }

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

inline bool wait_for_file(const std::string& path, std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// True when a process accepts connections on the local socket at `path`.
inline bool someone_listens(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

inline bool wait_for_listener(const std::string& path, std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!someone_listens(path)) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace pixmold::test
