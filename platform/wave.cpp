// RIFF/WAVE parsing (no sound system needed).
#include <cstring>

#include "platform/wave.h"

namespace pixmold {
namespace {
std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }
}  // namespace

WaveInfo parse_wave(const std::uint8_t* data, std::size_t size) {
    WaveInfo info;
    if (!data || size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) return {};
    bool have_format = false;
    std::size_t pos = 12;
    while (pos + 8 <= size) {
        const std::uint8_t* chunk = data + pos;
        std::size_t length = le32(chunk + 4);
        std::size_t body = pos + 8;
        if (length > size - body) return {};
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16 || le16(data + body) != 1) return {};  // PCM only
            info.channels = le16(data + body + 2);
            info.sample_rate = int(le32(data + body + 4));
            info.bits = le16(data + body + 14);
            have_format = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!have_format) return {};
            info.data_offset = body;
            info.data_size = length;
            bool usable = (info.channels == 1 || info.channels == 2) && (info.bits == 8 || info.bits == 16) &&
                          info.sample_rate > 0;
            return usable ? info : WaveInfo{};
        }
        pos = body + length + (length & 1);
    }
    return {};
}

}  // namespace pixmold
