#include "image/exif.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>

#include "image/byte_order.h"
#include "image/file_bytes.h"

namespace pixmold {

namespace {

constexpr std::uint16_t TAG_ORIENTATION = 0x0112;
constexpr std::uint16_t TAG_EXIF_IFD = 0x8769;
constexpr std::uint16_t TAG_GPS_IFD = 0x8825;
constexpr std::uint16_t TAG_INTEROP_IFD = 0xA005;
constexpr std::uint16_t TAG_PIXEL_X = 0xA002;
constexpr std::uint16_t TAG_PIXEL_Y = 0xA003;
constexpr std::uint16_t TAG_THUMB_OFFSET = 0x0201;
constexpr std::uint16_t TAG_THUMB_LENGTH = 0x0202;
constexpr std::uint16_t TAG_STRIP_OFFSETS = 0x0111;
constexpr std::uint16_t TAG_STRIP_COUNTS = 0x0117;
constexpr std::uint16_t TYPE_SHORT = 3;
constexpr std::uint16_t TYPE_LONG = 4;
// Far more than any camera writes; a bigger eXIf chunk is taken as damage.
constexpr std::uint32_t MAX_EXIF_CHUNK = 16u << 20;

std::size_t type_size(std::uint16_t type) {
    switch (type) {
        case 1: case 2: case 6: case 7: return 1;
        case 3: case 8: return 2;
        case 4: case 9: case 11: case 13: return 4;
        case 5: case 10: case 12: return 8;
        default: return 0;
    }
}

// A TIFF structure read in the byte order its header names; not valid when
// the header is not a TIFF one (or the block is shorter than a header).
class Tiff : public OrderedBytes {
public:
    explicit Tiff(std::span<const std::uint8_t> data)
        : OrderedBytes(data, tiff_byte_order(data).value_or(ByteOrder::Little)),
          valid_(data.size() >= 8 && tiff_byte_order(data)) {}
    bool valid() const { return valid_; }

private:
    bool valid_;
};

struct Entry {
    std::size_t at;  // offset of the 12-byte entry
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    // Where the value lives: inside the entry (at + 8) or out of line.
    std::size_t value_at;
    std::size_t value_size;
};

struct Ifd {
    std::size_t at = 0;
    std::vector<Entry> entries;
    std::size_t next_at = 0;  // offset of the next-IFD link
};

// Parses the IFD at `offset`; nullopt when its table does not fit.
std::optional<Ifd> read_ifd(const Tiff& t, std::size_t offset) {
    const auto count = t.u16(offset);
    if (!count) return std::nullopt;
    const std::size_t table_end = offset + 2 + std::size_t(*count) * 12;
    if (table_end + 4 > t.size()) return std::nullopt;
    Ifd ifd;
    ifd.at = offset;
    ifd.next_at = table_end;
    for (std::size_t i = 0; i < *count; ++i) {
        const std::size_t at = offset + 2 + i * 12;
        Entry e{at, std::uint16_t(*t.u16(at)), std::uint16_t(*t.u16(at + 2)), *t.u32(at + 4), at + 8, 0};
        const std::size_t unit = type_size(e.type);
        if (unit == 0 || e.count > (t.size() / unit)) {
            e.value_size = 0;  // unknown type or impossible count: keep, never follow
        } else {
            e.value_size = unit * e.count;
            if (e.value_size > 4) {
                e.value_at = *t.u32(at + 8);
                if (e.value_at > t.size() || t.size() - e.value_at < e.value_size) e.value_size = 0;
            }
        }
        ifd.entries.push_back(e);
    }
    return ifd;
}

std::optional<std::uint32_t> entry_number(const Tiff& t, const Entry& e) {
    if (e.count < 1) return std::nullopt;
    if (e.type == TYPE_SHORT) return t.u16(e.at + 8);
    if (e.type == TYPE_LONG || e.type == 13) return t.u32(e.at + 8);
    return std::nullopt;
}

const Entry* find_entry(const Ifd& ifd, std::uint16_t tag) {
    for (const Entry& e : ifd.entries)
        if (e.tag == tag) return &e;
    return nullptr;
}

int orientation_of(const Tiff& t, const Ifd& ifd0) {
    const Entry* e = find_entry(ifd0, TAG_ORIENTATION);
    if (!e) return 1;
    const auto v = entry_number(t, *e);
    return v && *v >= 1 && *v <= 8 ? int(*v) : 1;
}

std::optional<Ifd> first_ifd(const Tiff& t) {
    if (!t.valid()) return std::nullopt;
    return read_ifd(t, *t.u32(4));
}

void set_number(std::vector<std::uint8_t>& d, const Entry& e, std::uint32_t v, ByteOrder order) {
    if (e.count < 1) return;
    if (e.type == TYPE_SHORT && v <= 0xFFFF) put_u16(&d[e.at + 8], v, order);
    if (e.type == TYPE_LONG) put_u32(&d[e.at + 8], v, order);
}

// Byte range [begin, end) occupied by IFD tables and their out-of-line
// values, and those ranges one by one.
struct Extent {
    std::size_t begin = SIZE_MAX;
    std::size_t end = 0;
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    void add(std::size_t b, std::size_t e) {
        begin = std::min(begin, b);
        end = std::max(end, e);
        ranges.emplace_back(b, e);
    }
    bool overlaps(std::size_t b, std::size_t e) const {
        return std::any_of(ranges.begin(), ranges.end(), [&](const auto& r) { return b < r.second && r.first < e; });
    }
};

void add_ifd_extent(const Ifd& ifd, Extent& x) {
    x.add(ifd.at, ifd.next_at + 4);
    for (const Entry& e : ifd.entries)
        if (e.value_size > 4) x.add(e.value_at, e.value_at + e.value_size);
}

// Takes entry `e` out of `ifd`'s table in `d`: the entries after it move up,
// the count drops by one and the freed last 12 bytes are zeroed. Offsets
// elsewhere stay valid, since the table keeps its start.
void remove_entry(std::vector<std::uint8_t>& d, const Ifd& ifd, const Entry& e, ByteOrder order) {
    const std::size_t table_end = ifd.next_at + 4;  // the next-IFD link moves with the entries
    std::memmove(&d[e.at], &d[e.at + 12], table_end - (e.at + 12));
    std::fill(d.begin() + std::ptrdiff_t(table_end - 12), d.begin() + std::ptrdiff_t(table_end), std::uint8_t(0));
    put_u16(&d[ifd.at], std::uint32_t(ifd.entries.size() - 1), order);
}

// ---- readers of whole files ----

int jpeg_orientation(std::span<const std::uint8_t> file) {
    std::size_t at = 2;  // past the start marker
    for (;;) {
        if (at >= file.size() || file[at] != 0xFF) return 1;  // segments must follow each other
        ++at;
        std::uint8_t marker = 0xFF;
        while (marker == 0xFF) {
            if (at >= file.size()) return 1;
            marker = file[at++];
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (marker == 0xDA || marker == 0xD9) return 1;  // picture data: no EXIF before it
        if (file.size() - at < 2) return 1;
        const std::size_t length = std::size_t(file[at]) << 8 | file[at + 1];
        at += 2;
        if (length < 2) return 1;
        const std::size_t body = length - 2;
        if (marker == 0xE1 && body >= 6) {
            if (file.size() - at < body) return 1;
            const auto data = file.subspan(at, body);
            if (std::memcmp(data.data(), "Exif\0\0", 6) == 0) return exif_orientation(data.subspan(6));
            // an XMP APP1: keep looking
        }
        at += body;  // past the end: the next read fails
    }
}

// The orientation in an EXIF chunk of `length` bytes at `at`, which may
// start with JPEG's "Exif\0\0" header.
int chunk_orientation(std::span<const std::uint8_t> file, std::size_t at, std::uint32_t length) {
    // Never trust the length further than the bytes that are there.
    if (at > file.size() || file.size() - at < length || length > MAX_EXIF_CHUNK) return 1;
    const auto data = file.subspan(at, length);
    const std::size_t skip = length >= 6 && std::memcmp(data.data(), "Exif\0\0", 6) == 0 ? 6 : 0;
    return exif_orientation(data.subspan(skip));
}

int png_orientation(std::span<const std::uint8_t> file) {
    std::size_t at = 8;  // past the signature
    for (;;) {
        if (at > file.size() || file.size() - at < 8) return 1;
        const std::uint32_t length = *OrderedBytes(file.subspan(at, 4), ByteOrder::Big).u32(0);
        const std::uint8_t* type = file.data() + at + 4;
        at += 8;
        if (length > 0x7FFFFFFFu) return 1;
        if (std::memcmp(type, "IEND", 4) == 0) return 1;
        if (std::memcmp(type, "eXIf", 4) == 0) return chunk_orientation(file, at, length);
        if (file.size() - at < length) return 1;
        at += std::size_t(length) + 4;  // and the CRC
    }
}

// WebP keeps EXIF in a chunk of its RIFF container. Chunks are padded to even sizes.
int webp_orientation(std::span<const std::uint8_t> file) {
    std::size_t at = 12;  // past "RIFF", the size and "WEBP"
    for (;;) {
        if (at > file.size() || file.size() - at < 8) return 1;
        const std::uint32_t length = *OrderedBytes(file.subspan(at + 4, 4), ByteOrder::Little).u32(0);
        const std::uint8_t* type = file.data() + at;
        at += 8;
        if (std::memcmp(type, "EXIF", 4) == 0) return chunk_orientation(file, at, length);
        if (file.size() - at < std::uint64_t(length) + (length & 1)) return 1;
        at += std::size_t(length) + (length & 1);
    }
}

int tiff_file_orientation(std::span<const std::uint8_t> file) {
    if (file.size() < 8) return 1;
    const Tiff h(file.first(8));
    if (!h.valid()) return 1;
    const std::size_t ifd0 = *h.u32(4);
    if (ifd0 > file.size() || file.size() - ifd0 < 2) return 1;
    const std::size_t count = *OrderedBytes(file.subspan(ifd0, 2), h.order()).u16(0);
    if (file.size() - ifd0 - 2 < count * 12) return 1;
    // A small TIFF holding only IFD0's table, so that the one parser serves
    // even where the file ends right after the table.
    std::vector<std::uint8_t> table(8 + 2 + count * 12 + 4, 0);
    std::memcpy(table.data(), file.data(), 4);
    put_u32(&table[4], 8, h.order());
    std::memcpy(table.data() + 8, file.data() + ifd0, 2 + count * 12);
    return exif_orientation(table);
}

}  // namespace

int exif_orientation(std::span<const std::uint8_t> tiff) {
    const Tiff t(tiff);
    const auto ifd0 = first_ifd(t);
    return ifd0 ? orientation_of(t, *ifd0) : 1;
}

int picture_orientation(std::span<const std::uint8_t> file) {
    if (file.size() >= 2 && file[0] == 0xFF && file[1] == 0xD8) return jpeg_orientation(file);
    if (file.size() >= 8 && std::memcmp(file.data(), "\x89PNG\r\n\x1a\n", 8) == 0) return png_orientation(file);
    if (file.size() >= 12 && std::memcmp(file.data(), "RIFF", 4) == 0 && std::memcmp(file.data() + 8, "WEBP", 4) == 0)
        return webp_orientation(file);
    if (file.size() >= 4 && tiff_byte_order(file)) return tiff_file_orientation(file);
    return 1;
}

int read_orientation(const std::string& path) {
    FileBytes file;
    return file.read(path) ? picture_orientation(file.bytes()) : 1;
}

std::vector<std::uint8_t> exif_for_output(std::span<const std::uint8_t> tiff, int width, int height,
                                          Location location) {
    const Tiff t(tiff);
    const auto ifd0 = first_ifd(t);
    if (!ifd0) return {};
    std::vector<std::uint8_t> out(tiff.begin(), tiff.end());
    const ByteOrder order = t.order();

    if (const Entry* e = find_entry(*ifd0, TAG_ORIENTATION)) set_number(out, *e, 1, order);

    Extent kept;
    add_ifd_extent(*ifd0, kept);
    kept.add(0, 8);
    std::set<std::size_t> seen{ifd0->at};
    auto follow = [&](const Ifd& parent, std::uint16_t tag) -> std::optional<Ifd> {
        const Entry* e = find_entry(parent, tag);
        if (!e) return std::nullopt;
        const auto at = entry_number(t, *e);
        if (!at || !seen.insert(*at).second) return std::nullopt;
        auto ifd = read_ifd(t, *at);
        if (ifd) add_ifd_extent(*ifd, kept);
        return ifd;
    };
    if (auto exif = follow(*ifd0, TAG_EXIF_IFD)) {
        if (const Entry* e = find_entry(*exif, TAG_PIXEL_X)) set_number(out, *e, std::uint32_t(width), order);
        if (const Entry* e = find_entry(*exif, TAG_PIXEL_Y)) set_number(out, *e, std::uint32_t(height), order);
        follow(*exif, TAG_INTEROP_IFD);
    }
    const bool strip = location == Location::Strip;
    if (!strip) follow(*ifd0, TAG_GPS_IFD);

    // Unlink the thumbnail IFD; drop its bytes when nothing kept lies after them.
    const std::uint32_t ifd1_at = *t.u32(ifd0->next_at);
    put_u32(&out[ifd0->next_at], 0, order);
    if (ifd1_at != 0 && !seen.count(ifd1_at)) {
        if (const auto ifd1 = read_ifd(t, ifd1_at)) {
            Extent thumb;
            add_ifd_extent(*ifd1, thumb);
            const Entry* off = find_entry(*ifd1, TAG_THUMB_OFFSET);
            const Entry* len = find_entry(*ifd1, TAG_THUMB_LENGTH);
            if (!off || !len) {
                off = find_entry(*ifd1, TAG_STRIP_OFFSETS);
                len = find_entry(*ifd1, TAG_STRIP_COUNTS);
                if (off && off->count != 1) off = nullptr;
            }
            if (off && len) {
                const auto o = entry_number(t, *off);
                const auto n = entry_number(t, *len);
                if (o && n && *o <= out.size() && out.size() - *o >= *n) thumb.add(*o, std::size_t(*o) + *n);
            }
            if (thumb.begin >= kept.end && thumb.begin < out.size()) out.resize(thumb.begin);
        }
    }

    if (const Entry* gps_entry = strip ? find_entry(*ifd0, TAG_GPS_IFD) : nullptr) {
        // The link goes; then the GPS IFD's own bytes, unless a kept structure
        // shares them (a damaged or hostile layout).
        const auto gps_at = entry_number(t, *gps_entry);
        if (gps_at && !seen.count(*gps_at)) {
            if (const auto gps = read_ifd(t, *gps_at)) {
                Extent located;
                add_ifd_extent(*gps, located);
                for (const auto& [b, e] : located.ranges) {
                    const std::size_t end = std::min(e, out.size());
                    if (b < end && !kept.overlaps(b, end))
                        std::fill(out.begin() + std::ptrdiff_t(b), out.begin() + std::ptrdiff_t(end), std::uint8_t(0));
                }
            }
        }
        if (ifd0->entries.size() == 1) return {};
        remove_entry(out, *ifd0, *gps_entry, order);
    }
    return out;
}

}  // namespace pixmold
