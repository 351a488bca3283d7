// Runs the real pixmold-batch, as a script would, for the tests of its behaviour.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace pixmold::test {

struct ToolRun {
    int status = -1;
    std::string err;  // standard error
};

inline std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs pixmold-batch in `cwd`, standard error captured (not a terminal),
// after the words of `wrapper` (a command that runs the next one). The
// locale is French, the language the tests read where no settings file
// says another, unless the wrapper sets it (env LC_ALL=...). Standard
// input is the file `input` when one is named.
inline ToolRun run_tool(const std::filesystem::path& cwd, const std::vector<std::string>& args,
                 const std::vector<std::string>& wrapper = {}, const std::string& input = {}) {
    std::string cmd = "cd ";
    cmd += quoted(cwd.string());
    cmd += " && LC_ALL=fr_FR.UTF-8";
    for (const std::string& w : wrapper) {
        cmd += ' ';
        cmd += quoted(w);
    }
    cmd += ' ';
    cmd += quoted(PIXMOLD_BATCH_EXE);
    for (const std::string& a : args) {
        cmd += ' ';
        cmd += quoted(a);
    }
    if (!input.empty()) cmd += " <" + quoted(input);
    cmd += " 2>&1 >/dev/null";
    ToolRun r;
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return r;
    std::array<char, 4096> buf;
    std::size_t n = 0;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) r.err.append(buf.data(), n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace pixmold::test
