// A program run as a child and watched from outside, as a user or a script
// sees it: whether it ends within a time, its exit status, what it wrote on
// standard error, and the most memory it ever held.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace pixmold::test {

struct ChildRun {
    bool started = false;
    bool timed_out = false;  // killed when the time was up
    int status = -1;         // exit status; -1 when it did not exit by itself
    std::string err;         // standard error
    long peak_kib = 0;       // the largest resident size it reached
};

// Runs `argv` in `folder` (standard output thrown away) and kills it after
// `seconds`. The peak includes the few pages the child shares with this
// process until it starts the program: keep the test process small.
inline ChildRun run_child(const std::string& folder, const std::vector<std::string>& argv, int seconds) {
    ChildRun run;
    int pipe_fds[2];
    if (argv.empty() || ::pipe2(pipe_fds, O_CLOEXEC) != 0) return run;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) return run;
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null < 0 || ::dup2(null, 1) < 0 || ::dup2(pipe_fds[1], 2) < 0 || ::chdir(folder.c_str()) != 0) ::_exit(127);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    run.started = true;
    ::close(pipe_fds[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            run.timed_out = true;
            ::kill(pid, SIGKILL);
            break;
        }
        pollfd p{pipe_fds[0], POLLIN, 0};
        if (::poll(&p, 1, int(left.count())) <= 0) continue;
        const ssize_t n = ::read(pipe_fds[0], buffer, sizeof buffer);
        if (n <= 0) break;  // the child closed standard error: it has ended
        run.err.append(buffer, std::size_t(n));
    }
    ::close(pipe_fds[0]);
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) == pid) {
        run.peak_kib = usage.ru_maxrss;
        if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    }
    return run;
}

}  // namespace pixmold::test
