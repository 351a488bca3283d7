// Numbers of the TIFF structure (TIFF files, EXIF blocks) in the byte order
// its header names: bounds-checked reads over a block of bytes, and writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace pixmold {

enum class ByteOrder { Little, Big };

// The byte order a TIFF header names: "II*\0" little-endian, "MM\0*"
// big-endian; with `big_tiff` also the 64-bit-offset variants ("II+\0",
// "MM\0+"). Nothing for anything else or fewer than four bytes.
std::optional<ByteOrder> tiff_byte_order(std::span<const std::uint8_t> header, bool big_tiff = false);

// Unsigned 16- and 32-bit numbers at byte offsets of a block; nothing when
// the number does not lie wholly inside it.
class OrderedBytes {
public:
    OrderedBytes(std::span<const std::uint8_t> data, ByteOrder order) : data_(data), order_(order) {}
    ByteOrder order() const { return order_; }
    std::size_t size() const { return data_.size(); }
    std::optional<std::uint32_t> u16(std::size_t at) const;
    std::optional<std::uint32_t> u32(std::size_t at) const;

private:
    std::span<const std::uint8_t> data_;
    ByteOrder order_;
};

// Writes the low 16 or all 32 bits of `value` at `out` in `order`.
void put_u16(std::uint8_t* out, std::uint32_t value, ByteOrder order);
void put_u32(std::uint8_t* out, std::uint32_t value, ByteOrder order);

}  // namespace pixmold
