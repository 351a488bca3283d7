#include "batch/report.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace pixmold {

namespace {

constexpr char HEX[] = "0123456789abcdef";

// The length of the valid UTF-8 sequence at the start of `s` (shortest
// form, no surrogates, at most U+10FFFF); 0 when there is none.
std::size_t utf8_sequence(std::string_view s) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
    } else
        return 0;
    if (s.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

void append_escape(std::string& out, unsigned value) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += HEX[(value >> shift) & 0xF];
}

void append_number(std::string& out, const char* key, std::int64_t value, bool present) {
    out += ",\"";
    out += key;
    out += "\":";
    out += present ? std::to_string(value) : "null";
}

}  // namespace

std::string json_string(std::string_view bytes) {
    std::string out = "\"";
    out.reserve(bytes.size() + 2);
    while (!bytes.empty()) {
        const unsigned char c = static_cast<unsigned char>(bytes.front());
        const std::size_t length = utf8_sequence(bytes);
        if (length == 0) {
            append_escape(out, 0xDC00 + c);  // a byte outside UTF-8, given back by surrogateescape
            bytes.remove_prefix(1);
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '\r') out += "\\r";
        else if (c < 0x20) append_escape(out, c);
        else out.append(bytes.substr(0, length));
        bytes.remove_prefix(length);
    }
    out += '"';
    return out;
}

std::string_view report_reason_word(ReportStatus status, FailReason reason) {
    if (status == ReportStatus::LeftAside)
        return reason == FailReason::SameOutput ? "output-of-another" : "not-a-picture";
    switch (reason) {
    case FailReason::None: return {};
    case FailReason::Unreadable: return "unreadable";
    case FailReason::Unresizable: return "unresizable";
    case FailReason::DiskFull: return "disk-full";
    case FailReason::NoPermission: return "no-permission";
    case FailReason::ReadOnly: return "read-only";
    case FailReason::NameTooLong: return "name-too-long";
    case FailReason::SameOutput: return "same-output";
    case FailReason::Unwritable: return "unwritable";
    case FailReason::Stopped: return "stopped";
    }
    return "unwritable";
}

std::string report_line(const ReportEntry& e) {
    static constexpr const char* STATUS[] = {"written", "failed", "left-aside"};
    const bool written = e.status == ReportStatus::Written;
    std::string line = "{\"source\":";
    line += json_string(e.source);
    line += ",\"output\":";
    line += e.output.empty() ? "null" : json_string(e.output);
    line += ",\"status\":\"";
    line += STATUS[static_cast<int>(e.status)];
    line += "\",\"reason\":";
    const std::string_view reason = written ? std::string_view() : report_reason_word(e.status, e.reason);
    if (reason.empty()) {
        line += "null";
    } else {
        line += '"';
        line += reason;
        line += '"';
    }
    append_number(line, "width", e.width, written);
    append_number(line, "height", e.height, written);
    append_number(line, "milliseconds", e.milliseconds, true);
    line += "}\n";
    return line;
}

ReportFile::~ReportFile() {
    if (own_) ::close(fd_);
}

bool ReportFile::open(const std::string& path) {
    if (path == "-") {
        fd_ = STDOUT_FILENO;
        return true;
    }
    fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        error_ = errno;
        return false;
    }
    own_ = true;
    return true;
}

void ReportFile::add(const ReportEntry& entry) {
    if (fd_ < 0 || error_ != 0) return;
    const std::string line = report_line(entry);
    std::string_view rest = line;
    // One write puts the whole line in place; only an interrupted or cut
    // short one (a full disk, a pipe) needs more.
    while (!rest.empty()) {
        const ssize_t n = ::write(fd_, rest.data(), rest.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error_ = n < 0 ? errno : EIO;
            return;
        }
        rest.remove_prefix(std::size_t(n));
    }
}

}  // namespace pixmold
