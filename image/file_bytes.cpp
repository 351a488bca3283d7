#include "image/file_bytes.h"

#include <new>

#include "image/store_internal.h"
#include "platform/file_reader.h"

namespace pixmold {

FileBytes::FileBytes() = default;
FileBytes::FileBytes(FileBytes&&) noexcept = default;
FileBytes& FileBytes::operator=(FileBytes&&) noexcept = default;
FileBytes::~FileBytes() = default;

bool FileBytes::read(const std::string& path, const std::function<bool(std::size_t size)>& before_reading) {
    clear();
    FileReader file;
    if (!file.open(path)) return false;
    const std::size_t size = file.size();
    if (before_reading && !before_reading(size)) return false;
    std::unique_ptr<ScratchBuffer> buffer(new (std::nothrow) ScratchBuffer(size));
    if (!buffer || !buffer->data() || !file.read_all(buffer->data())) return false;
    buffer_ = std::move(buffer);
    size_ = size;
    return true;
}

std::span<const std::uint8_t> FileBytes::bytes() const {
    return buffer_ ? std::span<const std::uint8_t>(buffer_->data(), size_) : std::span<const std::uint8_t>();
}

void FileBytes::clear() {
    buffer_.reset();
    size_ = 0;
}

}  // namespace pixmold
