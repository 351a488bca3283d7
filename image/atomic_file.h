// Writing a file so that the old one survives any failure: the data goes to
// a temporary file in the same folder, which replaces the target only after
// a complete, flushed write.
#pragma once

#include <cstdio>
#include <string>

namespace pixmold {

class AtomicFile {
public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();  // abandons an uncommitted file

    // Creates the temporary file; false when the folder is missing or not writable.
    bool open(const std::string& target);
    std::FILE* stream() const { return file_; }
    // Flushes, syncs, closes and renames over the target. False (and the
    // temporary file removed) on any error.
    bool commit();
    // Closes and removes the temporary file.
    void abandon();

private:
    std::FILE* file_ = nullptr;
    std::string target_;
    std::string temp_;
};

}  // namespace pixmold
