#include "runtime/folders.h"

#include <sys/stat.h>

#include <cerrno>

namespace pixmold {

FileError make_folders(const std::string& folder) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (path.empty()) return FileError::None;  // the current folder
    if (::mkdir(path.c_str(), 0777) == 0) return FileError::None;
    int error = errno;
    const std::size_t cut = path.find_last_of('/');
    if (error == ENOENT && cut != std::string::npos && cut > 0) {
        if (const FileError above = make_folders(path.substr(0, cut)); above != FileError::None) return above;
        if (::mkdir(path.c_str(), 0777) == 0) return FileError::None;
        error = errno;
    }
    if (error == EEXIST) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? FileError::None : FileError::NoFolder;
    }
    return file_error_from_errno(error);
}

}  // namespace pixmold
