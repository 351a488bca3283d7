// Builds small TIFF-structured EXIF payloads for tests, in either byte order.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace pixmold::test {

struct Tag {
    std::uint16_t tag;
    std::uint16_t type;  // 3 SHORT, 4 LONG, 2 ASCII, 7 UNDEFINED
    std::uint32_t count;
    std::vector<std::uint8_t> value;  // already in the payload's byte order when > 4 bytes
    std::uint32_t number = 0;         // for SHORT/LONG with count 1
};

class ExifBuilder {
public:
    explicit ExifBuilder(bool big_endian) : big_(big_endian) {}

    static Tag shortTag(std::uint16_t tag, std::uint32_t v) { return Tag{tag, 3, 1, {}, v}; }
    static Tag longTag(std::uint16_t tag, std::uint32_t v) { return Tag{tag, 4, 1, {}, v}; }
    static Tag ascii(std::uint16_t tag, const std::string& s) {
        std::vector<std::uint8_t> v(s.begin(), s.end());
        v.push_back(0);
        return Tag{tag, 2, std::uint32_t(v.size()), v, 0};
    }

    // IFD0 entries, Exif IFD entries (linked by 0x8769 when not empty) and an
    // optional IFD1 thumbnail placed after everything else.
    std::vector<std::uint8_t> build(std::vector<Tag> ifd0, const std::vector<Tag>& exif,
                                    const std::vector<std::uint8_t>& thumbnail) {
        out_.clear();
        out_.insert(out_.end(), big_ ? std::initializer_list<std::uint8_t>{'M', 'M', 0, 42}
                                     : std::initializer_list<std::uint8_t>{'I', 'I', 42, 0});
        put32(8);
        std::size_t exif_link = 0;
        if (!exif.empty()) ifd0.push_back(longTag(0x8769, 0));
        const std::size_t ifd0_next = write_ifd(ifd0, &exif_link);
        if (!exif.empty()) {
            patch32(exif_link, std::uint32_t(out_.size()));
            write_ifd(exif, nullptr);
        }
        if (!thumbnail.empty()) {
            patch32(ifd0_next, std::uint32_t(out_.size()));
            std::size_t unused = 0;
            std::vector<Tag> ifd1{shortTag(0x0103, 6), longTag(0x0201, 0), longTag(0x0202, std::uint32_t(thumbnail.size()))};
            const std::size_t start = out_.size();
            write_ifd(ifd1, &unused);
            patch32(start + 2 + 12 + 8, std::uint32_t(out_.size()));
            out_.insert(out_.end(), thumbnail.begin(), thumbnail.end());
        }
        return out_;
    }

private:
    void put16(std::uint32_t v) {
        if (big_) out_.insert(out_.end(), {std::uint8_t(v >> 8), std::uint8_t(v)});
        else out_.insert(out_.end(), {std::uint8_t(v), std::uint8_t(v >> 8)});
    }
    void put32(std::uint32_t v) {
        if (big_) out_.insert(out_.end(), {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)});
        else out_.insert(out_.end(), {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)});
    }
    void patch32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out_[at + std::size_t(big_ ? i : 3 - i)] = std::uint8_t(v >> (24 - 8 * i));
    }
    // Returns the offset of the next-IFD link; *pointer_at receives the value
    // field of the last 0x8769 entry.
    std::size_t write_ifd(const std::vector<Tag>& tags, std::size_t* pointer_at) {
        put16(std::uint32_t(tags.size()));
        std::vector<std::pair<std::size_t, const Tag*>> deferred;
        for (const Tag& t : tags) {
            put16(t.tag);
            put16(t.type);
            put32(t.count);
            const std::size_t value_at = out_.size();
            if (t.tag == 0x8769 && pointer_at) *pointer_at = value_at;
            if (!t.value.empty() && t.value.size() > 4) {
                put32(0);
                deferred.emplace_back(value_at, &t);
            } else if (!t.value.empty()) {
                std::vector<std::uint8_t> v = t.value;
                v.resize(4, 0);
                out_.insert(out_.end(), v.begin(), v.end());
            } else if (t.type == 3) {
                put16(t.number);
                put16(0);
            } else {
                put32(t.number);
            }
        }
        const std::size_t next = out_.size();
        put32(0);
        for (auto& [at, t] : deferred) {
            patch32(at, std::uint32_t(out_.size()));
            out_.insert(out_.end(), t->value.begin(), t->value.end());
        }
        return next;
    }

    bool big_;
    std::vector<std::uint8_t> out_;
};

}  // namespace pixmold::test
