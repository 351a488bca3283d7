#include "platform/system.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace pixmold {

std::string working_folder() {
    std::string buffer(4096, '\0');
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (buffer.size() > (1u << 20)) return ".";
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(buffer.find('\0'));
    return buffer;
}

int error_terminal_columns() {
    winsize ws{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) != 0) return 0;
    return ws.ws_col;
}

bool error_stream_is_terminal() { return ::isatty(STDERR_FILENO) != 0; }

std::uint64_t physical_memory_bytes() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long page_size = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || page_size <= 0) return 0;
    return std::uint64_t(pages) * std::uint64_t(page_size);
}

}  // namespace pixmold
