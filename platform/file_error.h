// Why a file could not be written, in the few words a user is told.
#pragma once

namespace pixmold {

enum class FileError {
    None,
    NoPermission,  // the user may not write the folder or the existing file
    ReadOnly,      // the existing file is read-only, or the file system is mounted read-only
    NoSpace,       // the disk is full, or the user's quota is spent
    NoFolder,      // the folder does not exist (or a part of its path is not a folder)
    NameTooLong,   // the file's name, or its whole path, is longer than the file system allows
    IoError,       // anything else: input/output error, file too large, a folder in the way
};

// The FileError for an errno value (0 gives None).
FileError file_error_from_errno(int error);

}  // namespace pixmold
