// Reading a whole file into memory the caller provides (the image engine
// reads pictures into its own recycled blocks).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pixmold {

class FileReader {
public:
    FileReader() = default;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ~FileReader();

    // Opens `path` (UTF-8) for reading; false for anything but a regular
    // file that can be opened. Never blocks: a FIFO, socket, device or
    // folder is refused at once.
    bool open(const std::string& path);
    // The file's size when it was opened.
    std::size_t size() const { return size_; }
    // Reads the whole file, size() bytes, into `buffer`, then closes it.
    // False on a read error or when the file held fewer bytes by then.
    bool read_all(std::uint8_t* buffer);

private:
    void close();

    int fd_ = -1;
    std::size_t size_ = 0;
};

}  // namespace pixmold
