// Making the folders that files are about to be written into.
#pragma once

#include <string>

#include "runtime/file_error.h"

namespace pixmold {

// Makes `folder` and every missing folder above it, each with mode 0777
// less the process umask (applied by the kernel, as for new files). None
// when it exists as a folder afterwards, made here or by another thread or
// process meanwhile; otherwise why not (NoFolder when a file is in the way).
FileError make_folders(const std::string& folder);

}  // namespace pixmold
