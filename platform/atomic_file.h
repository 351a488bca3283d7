// Writing a file so that readers only ever see the old file or the complete
// new one: the data goes to a temporary file in the target's folder, which
// takes the target's name only after a complete, flushed write. Every file
// the program writes (pictures, the settings file) goes through here.
//
// New files get mode 0666 less the process umask (applied by the kernel; the
// umask is never read or changed here, so threads may save at the same time).
// A replaced file keeps its mode, owner and group (the owner and group as far
// as the user may set them).
//
// An existing target that the user may not write (no write permission, or no
// write bit for its owner, which also holds for root) is never replaced.
//
// The temporary file has no name where the file system allows it (O_TMPFILE),
// so a process killed while writing leaves nothing behind; to replace a file
// it is linked in under a temporary name just before the rename. Otherwise it
// has a temporary name from the start. A kill can leave such a name behind;
// the next write into the folder removes those that no live writer holds
// (platform/temporary_files.h).
//
// No fsync of the folder: after a crash the rename may be lost, which leaves
// the old file, complete.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/file_error.h"

namespace pixmold {

// Whether a file may be written at `target` (a new file in its folder, or a
// replacement of the file there), checked without creating anything.
FileError check_writable(const std::string& target);

class AtomicFile {
public:
    // Unnamed: no name until commit where the file system allows it.
    // Named: always a named temporary file (what other file systems get).
    enum class Temporary { Unnamed, Named };

    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();  // abandons an uncommitted file

    // Checks the target (see check_writable) and creates the temporary file;
    // false with error() set when either fails.
    bool open(const std::string& target, Temporary temporary = Temporary::Unnamed);
    // Buffered stream into the temporary file; null unless open.
    std::FILE* stream() const { return stream_; }
    // Flushes, syncs and gives the file the target's name. False (error() set
    // and the temporary file removed) on any error, including an earlier
    // failed write through stream().
    bool commit();
    // Drops the temporary file; the target stays as it was.
    void abandon();
    // Why open or commit failed, or why a write through stream() failed.
    FileError error() const { return error_; }

private:
    static ssize_t write_cookie(void* self, const char* data, size_t size);
    bool fail(int error_number);
    bool link_into_place();

    std::FILE* stream_ = nullptr;
    int fd_ = -1;
    std::string target_;
    std::string folder_;
    std::string temp_;  // the temporary file's name while it has one
    bool target_existed_ = false;
    int write_errno_ = 0;
    FileError error_ = FileError::None;
};

// Writes `data` as the whole file at `target`, as above; None when written.
FileError write_file_atomically(const std::string& target, std::string_view data);

}  // namespace pixmold
