#include "image/byte_order.h"

namespace pixmold {

std::optional<ByteOrder> tiff_byte_order(std::span<const std::uint8_t> header, bool big_tiff) {
    if (header.size() < 4) return std::nullopt;
    const auto version_ok = [big_tiff](std::uint8_t v) { return v == 42 || (big_tiff && v == 43); };
    if (header[0] == 'I' && header[1] == 'I' && version_ok(header[2]) && header[3] == 0) return ByteOrder::Little;
    if (header[0] == 'M' && header[1] == 'M' && header[2] == 0 && version_ok(header[3])) return ByteOrder::Big;
    return std::nullopt;
}

std::optional<std::uint32_t> OrderedBytes::u16(std::size_t at) const {
    if (at > data_.size() || data_.size() - at < 2) return std::nullopt;
    const std::uint8_t* p = data_.data() + at;
    return order_ == ByteOrder::Big ? std::uint32_t(p[0]) << 8 | p[1] : std::uint32_t(p[1]) << 8 | p[0];
}

std::optional<std::uint32_t> OrderedBytes::u32(std::size_t at) const {
    if (at > data_.size() || data_.size() - at < 4) return std::nullopt;
    const std::uint8_t* p = data_.data() + at;
    return order_ == ByteOrder::Big
               ? std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3]
               : std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

void put_u16(std::uint8_t* out, std::uint32_t value, ByteOrder order) {
    const bool big = order == ByteOrder::Big;
    out[big ? 0 : 1] = std::uint8_t(value >> 8);
    out[big ? 1 : 0] = std::uint8_t(value);
}

void put_u32(std::uint8_t* out, std::uint32_t value, ByteOrder order) {
    for (int i = 0; i < 4; ++i) out[order == ByteOrder::Big ? i : 3 - i] = std::uint8_t(value >> (24 - 8 * i));
}

}  // namespace pixmold
