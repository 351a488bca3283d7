#include "batch/path_list.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace pixmold {

bool read_path_list(const std::string& path, char separator, const std::function<void(std::string&&)>& take,
                    int& error) {
    const bool standard_input = path == "-";
    std::FILE* list = standard_input ? stdin : std::fopen(path.c_str(), "rbe");
    if (!list) {
        error = errno;
        return false;
    }
    char* line = nullptr;
    std::size_t capacity = 0;
    ssize_t length = 0;
    errno = 0;
    while ((length = ::getdelim(&line, &capacity, separator, list)) > 0) {
        std::size_t size = std::size_t(length);
        if (line[size - 1] == separator) --size;
        if (size > 0) take(std::string(line, size));
    }
    error = std::ferror(list) ? (errno ? errno : EIO) : 0;
    std::free(line);
    if (!standard_input) std::fclose(list);
    return error == 0;
}

}  // namespace pixmold
