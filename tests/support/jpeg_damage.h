// Damaged copies of a good JPEG file, made byte by byte: data that ends
// early, corrupt scan data, and harmless extra bytes before a marker.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pixmold::test {

using Bytes = std::vector<std::uint8_t>;

// The entropy-coded data of one scan: bytes [begin, end) after its SOS header.
struct ScanData {
    std::size_t sos = 0;  // where the SOS marker starts
    std::size_t begin = 0, end = 0;
};

// Every scan of a well-formed file, in order.
inline std::vector<ScanData> jpeg_scans(const Bytes& b) {
    std::vector<ScanData> scans;
    std::size_t i = 2;
    while (i + 4 <= b.size() && b[i] == 0xFF && b[i + 1] != 0xD9) {
        const std::size_t length = std::size_t(b[i + 2]) << 8 | b[i + 3];
        const std::size_t after = i + 2 + length;
        if (b[i + 1] != 0xDA) {
            i = after;
            continue;
        }
        // Scan data runs to the first marker other than a stuffed 0xFF or a restart marker.
        std::size_t j = after;
        while (j + 1 < b.size() && !(b[j] == 0xFF && b[j + 1] != 0 && (b[j + 1] < 0xD0 || b[j + 1] > 0xD7))) ++j;
        scans.push_back({i, after, j});
        i = j;
    }
    return scans;
}

inline std::size_t scan_bytes(const std::vector<ScanData>& scans) {
    std::size_t total = 0;
    for (const ScanData& s : scans) total += s.end - s.begin;
    return total;
}

// The file offset `fraction` of the way through all scan data, moved off
// the second byte of a two-byte code.
inline std::size_t scan_offset(const Bytes& b, double fraction) {
    const auto scans = jpeg_scans(b);
    std::size_t want = std::size_t(double(scan_bytes(scans)) * fraction);
    for (const ScanData& s : scans) {
        if (want < s.end - s.begin) {
            std::size_t at = s.begin + want;
            if (at > s.begin && b[at - 1] == 0xFF) ++at;
            return at;
        }
        want -= s.end - s.begin;
    }
    return b.size() - 2;
}

// An end marker `fraction` of the way through the scan data, the rest dropped.
inline Bytes end_marker_early(const Bytes& b, double fraction) {
    Bytes out(b.begin(), b.begin() + long(scan_offset(b, fraction)));
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

// The first `scans` scans whole, then the end marker.
inline Bytes end_marker_after_scans(const Bytes& b, std::size_t scans) {
    const auto all = jpeg_scans(b);
    Bytes out(b.begin(), b.begin() + long(all.at(scans - 1).end));
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

// The file cut `fraction` of the way through the scan data, with no end marker.
inline Bytes cut_short(const Bytes& b, double fraction) {
    return Bytes(b.begin(), b.begin() + long(scan_offset(b, fraction)));
}

// 32 bytes of scan data overwritten with stuffed 0xFF bytes: a run of one
// bits, which no Huffman table may give a code.
inline Bytes corrupt_scan(const Bytes& b, double fraction) {
    Bytes out = b;
    const std::size_t at = scan_offset(b, fraction);
    for (std::size_t k = 0; k < 32 && at + k + 2 < out.size(); k += 2) {
        out[at + k] = 0xFF;
        out[at + k + 1] = 0x00;
    }
    return out;
}

// The first restart marker after `fraction` of the scan data renumbered, as
// if the segments in between were lost.
inline Bytes skip_restart_marker(const Bytes& b, double fraction) {
    Bytes out = b;
    for (std::size_t j = scan_offset(b, fraction); j + 1 < out.size(); ++j)
        if (out[j] == 0xFF && out[j + 1] >= 0xD0 && out[j + 1] <= 0xD7) {
            out[j + 1] = std::uint8_t(0xD0 + (out[j + 1] - 0xD0 + 3) % 8);
            break;
        }
    return out;
}

// Bytes that are no marker, which libjpeg skips with a warning, inserted
// before the SOS marker of scan `scan` (from 0), or before the end marker.
inline Bytes garbage_at(const Bytes& b, std::size_t at) {
    Bytes out = b;
    out.insert(out.begin() + long(at), {0x12, 0x34, 0x56, 0x00, 0x78, 0x9A});
    return out;
}
inline Bytes garbage_before_scan(const Bytes& b, std::size_t scan) { return garbage_at(b, jpeg_scans(b).at(scan).sos); }
inline Bytes garbage_before_end_marker(const Bytes& b) { return garbage_at(b, jpeg_scans(b).back().end); }

}  // namespace pixmold::test
