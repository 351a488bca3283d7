// Pixmold image engine: a whole file read into memory once, so that the same
// bytes can be looked at (for metadata a decoder does not interpret) and
// decoded, without opening the file twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace pixmold {

class ScratchBuffer;

class FileBytes {
public:
    FileBytes();
    FileBytes(FileBytes&&) noexcept;
    FileBytes& operator=(FileBytes&&) noexcept;
    ~FileBytes();

    // Reads the whole of `path` (UTF-8), dropping what was held before.
    // False, holding nothing, for anything but a regular file read in full,
    // and when there is no memory for it; a FIFO, socket, device or folder
    // fails at once, without waiting. `before_reading`, when given, is told
    // the file's size before any memory is taken for it (to reserve it; it
    // may wait) and false from it gives the read up. Files of a megabyte or
    // more come from the recycled memory of big pictures.
    //
    // The file is read rather than mapped: a mapped file that another
    // program truncates meanwhile would kill the process on the next touch of
    // a page past the new end, which nothing can handle soundly. Callers
    // that bound their memory count these bytes with the rest.
    bool read(const std::string& path, const std::function<bool(std::size_t size)>& before_reading = {});
    std::span<const std::uint8_t> bytes() const;
    // Gives the memory back.
    void clear();

private:
    std::unique_ptr<ScratchBuffer> buffer_;
    std::size_t size_ = 0;
};

}  // namespace pixmold
