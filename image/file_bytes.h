// Pixmold image engine: a whole file read into memory once, so that the same
// bytes can be looked at (for metadata a decoder does not interpret) and
// decoded, without opening the file twice.
#pragma once

#include <cstddef>
#include <cstdint>
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
    // and when there is no memory for it. Files of a megabyte or more come
    // from the recycled memory of big pictures.
    bool read(const std::string& path);
    std::span<const std::uint8_t> bytes() const;
    // Gives the memory back.
    void clear();

private:
    std::unique_ptr<ScratchBuffer> buffer_;
    std::size_t size_ = 0;
};

}  // namespace pixmold
