// A program run as a child and watched from outside: whether it ends in
// time, its exit status, its standard error and the most memory it held.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "temp_dir.h"

namespace pixmold::test {

struct ChildRun {
    bool timed_out = false;  // killed when the time was up
    int status = -1;         // exit status; -1 when it did not exit by itself
    std::string err;         // standard error
    long peak_kib = 0;       // its largest resident size (and the pages it shared with this process before exec)
};

// Runs `argv` in `folder`, its standard error kept in `folder`/stderr.txt.
inline ChildRun run_child(const std::string& folder, std::vector<std::string> argv, int seconds) {
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    const std::string err_path = folder + "/stderr.txt";
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) != 0 || !std::freopen(err_path.c_str(), "w", stderr)) ::_exit(127);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ChildRun run;
    int status = 0;
    rusage usage{};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (pid > 0 && ::wait4(pid, &status, WNOHANG, &usage) == 0) {
        if (std::chrono::steady_clock::now() > deadline && !run.timed_out) {
            run.timed_out = true;
            ::kill(pid, SIGKILL);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status) && !run.timed_out) run.status = WEXITSTATUS(status);
    run.peak_kib = usage.ru_maxrss;
    run.err = read_bytes(err_path);
    return run;
}

}  // namespace pixmold::test
