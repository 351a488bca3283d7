#include "platform/prefs_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/atomic_file.h"

namespace pixmold {
namespace {

struct Node {
    enum Kind { Group, Comment, Entry } kind;
    std::string key;    // group name or entry key
    std::string value;  // comment text or entry value
};

struct Context {
    bool active = false;       // a file is open (or a failed open remembered its path)
    std::string path;
    bool modified = false;
    bool read_only = false;
    int flags = 0;
    std::vector<Node> nodes;
    long current = -1;                   // index of the selected group node, -1: before the first group
    std::optional<std::string> pending;  // selected group not in the file yet
    long group_cursor = -1;              // position of prefs_first_group / prefs_next_group
};

thread_local Context ctx;

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_eol(char c) { return c == '\r' || c == '\n'; }

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    return true;
}

std::string latin1_to_utf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out.push_back(char(c));
        } else {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// One pass over the text; a line ends at the first CR or LF, so a line
// without "=" can never swallow the next line, whatever the line ends are.
std::vector<Node> parse(std::string_view text) {
    std::vector<Node> nodes;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        while (i < n && is_blank(text[i])) ++i;
        if (i >= n) break;
        if (is_eol(text[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < n && !is_eol(text[end])) ++end;
        std::string_view line = text.substr(i, end - i);
        i = end;

        if (line[0] == ';') {
            std::string_view body = line.substr(1);
            if (!body.empty() && body[0] == ' ') body.remove_prefix(1);
            nodes.push_back({Node::Comment, {}, std::string(body)});
        } else if (line[0] == '[') {
            std::string_view name = line.substr(1);
            std::size_t close = name.find(']');
            if (close != std::string_view::npos) name = name.substr(0, close);
            nodes.push_back({Node::Group, std::string(name), {}});
        } else {
            std::size_t eq = line.find('=');
            std::string_view key = line.substr(0, eq);
            while (!key.empty() && is_blank(key.back())) key.remove_suffix(1);
            std::string_view value;
            if (eq != std::string_view::npos) {
                value = line.substr(eq + 1);
                while (!value.empty() && is_blank(value.front())) value.remove_prefix(1);
            }
            nodes.push_back({Node::Entry, std::string(key), std::string(value)});
        }
    }
    return nodes;
}

std::string serialise(const std::vector<Node>& nodes, int flags) {
    std::string out = "\xEF\xBB\xBF\r\n";
    bool first_group = true;
    for (const Node& node : nodes) {
        switch (node.kind) {
        case Node::Group:
            if ((flags & PREFS_EMPTY_LINE_BEFORE_GROUPS) && !first_group) out += "\r\n";
            first_group = false;
            out += "[" + node.key + "]";
            break;
        case Node::Comment:
            out += "; " + node.value;
            break;
        case Node::Entry:
            out += node.key;
            out += (flags & PREFS_NO_BLANKS_AROUND_EQUALS) ? "=" : " = ";
            out += node.value;
            break;
        }
        out += "\r\n";
    }
    return out;
}

// A settings file reached through a link keeps the link: the file it leads
// to is the one replaced.
std::string resolved(const std::string& path) {
    std::string target = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    return target;
}

std::optional<std::string> read_file(const std::string& path, bool& read_only) {
    read_only = false;
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return std::nullopt;
        read_only = true;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string bytes;
    char buffer[16384];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) break;
        bytes.append(buffer, std::size_t(got));
    }
    ::close(fd);
    return bytes;
}

// A header the program could have written: "[" and a name of letters,
// digits, "_", "-", "." and inner blanks, then "]". A shell test such as
// "[ -f ~/.x ]" is no header, although the parser would take it for one.
bool is_group_header(std::string_view line) {
    if (line.empty() || line[0] != '[') return false;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos || close == 1) return false;
    const std::string_view name = line.substr(1, close - 1);
    auto name_char = [](unsigned char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
               c == '.' || c == ' ' || c >= 0x80;
    };
    for (unsigned char c : name)
        if (!name_char(c)) return false;
    return name.front() != ' ' && name.front() != '-' && name.front() != '.' && name.back() != ' ';
}

// The lines that hold anything, as parse() sees them: a group header among
// the first of them makes a group file.
PrefsFileKind kind_of_text(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    int lines = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (is_blank(text[i]) || is_eol(text[i]))) ++i;
        if (i >= text.size()) break;
        std::size_t end = i;
        while (end < text.size() && !is_eol(text[end])) ++end;
        if (is_group_header(text.substr(i, end - i))) return PrefsFileKind::Groups;
        if (++lines >= PREFS_HEADER_WITHIN_LINES) break;
        i = end;
    }
    return lines == 0 ? PrefsFileKind::Empty : PrefsFileKind::Foreign;
}

// Index range [begin, end) of the entries of the selected group.
std::pair<std::size_t, std::size_t> section() {
    std::size_t begin = ctx.current < 0 ? 0 : std::size_t(ctx.current) + 1;
    std::size_t end = begin;
    while (end < ctx.nodes.size() && ctx.nodes[end].kind != Node::Group) ++end;
    return {begin, end};
}

Node* find_entry(std::string_view key) {
    auto [begin, end] = section();
    for (std::size_t i = begin; i < end; ++i)
        if (ctx.nodes[i].kind == Node::Entry && same_name(ctx.nodes[i].key, key)) return &ctx.nodes[i];
    return nullptr;
}

void reset(const std::string& path) {
    ctx = Context{};
    ctx.path = path;
    ctx.active = true;
}

}  // namespace

namespace {

// The kind of file at `path` and, for a settings file, its bytes: one read.
PrefsFileKind read_kind(const std::string& path, std::string& bytes) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? PrefsFileKind::Missing : PrefsFileKind::Unreadable;
    if (!S_ISREG(info.st_mode) || std::uint64_t(info.st_size) > PREFS_MAX_FILE_BYTES) return PrefsFileKind::Foreign;
    // Non-blocking, should the file have been swapped for a FIFO since.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return PrefsFileKind::Unreadable;
    bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    bool failed = false;
    char buffer[16384];
    while (regular && bytes.size() <= PREFS_MAX_FILE_BYTES) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            failed = got < 0;
            break;
        }
        bytes.append(buffer, std::size_t(got));
    }
    ::close(fd);
    if (!regular || bytes.size() > PREFS_MAX_FILE_BYTES) return PrefsFileKind::Foreign;
    if (failed) return PrefsFileKind::Unreadable;
    return kind_of_text(bytes);
}

void parse_into_context(std::string_view raw) {
    if (raw.size() > 2 && raw.substr(0, 3) == "\xEF\xBB\xBF")
        ctx.nodes = parse(raw.substr(3));
    else
        ctx.nodes = parse(latin1_to_utf8(raw));
}

}  // namespace

bool prefs_open(const std::string& path) {
    prefs_close();
    reset(path);
    bool read_only = false;
    std::optional<std::string> bytes = read_file(path, read_only);
    if (!bytes) return false;
    ctx.read_only = read_only;
    parse_into_context(*bytes);
    return true;
}

bool prefs_create(const std::string& path) {
    prefs_close();
    // Nothing is written yet: the file appears, complete, when it is closed.
    if (check_writable(resolved(path)) != FileError::None) {
        ctx = Context{};
        return false;
    }
    reset(path);
    ctx.modified = true;
    return true;
}

bool prefs_close() {
    if (!ctx.active) return false;
    bool written = false;
    if (ctx.modified && !ctx.read_only)
        written = write_file_atomically(resolved(ctx.path), serialise(ctx.nodes, ctx.flags)) == FileError::None;
    ctx = Context{};
    return written;
}

PrefsFileKind prefs_file_kind(const std::string& path) {
    std::string bytes;
    return read_kind(path, bytes);
}

PrefsFileKind prefs_open_settings(const std::string& path) {
    prefs_close();
    reset(path);
    std::string bytes;
    const PrefsFileKind kind = read_kind(path, bytes);
    if (kind == PrefsFileKind::Groups) {
        ctx.read_only = ::access(path.c_str(), W_OK) != 0;
        parse_into_context(bytes);
    }
    return kind;
}

bool prefs_writable(const std::string& path) { return check_writable(resolved(path)) == FileError::None; }

bool prefs_select_group(std::string_view name) {
    ctx.pending.reset();
    ctx.current = -1;
    if (name.empty()) return true;
    for (std::size_t i = 0; i < ctx.nodes.size(); ++i) {
        if (ctx.nodes[i].kind == Node::Group && same_name(ctx.nodes[i].key, name)) {
            ctx.current = long(i);
            return true;
        }
    }
    ctx.pending = std::string(name);
    return false;
}

std::string prefs_read_text(std::string_view key, std::string_view default_value) {
    if (ctx.pending) return std::string(default_value);
    const Node* entry = find_entry(key);
    if (!entry) return std::string(default_value);
    std::string_view value = entry->value;
    while (!value.empty() && is_blank(value.front())) value.remove_prefix(1);
    while (!value.empty() && is_blank(value.back())) value.remove_suffix(1);
    return std::string(value);
}

std::int64_t prefs_read_number(std::string_view key, std::int64_t default_value) {
    if (ctx.pending) return default_value;
    const Node* entry = find_entry(key);
    if (!entry) return default_value;
    std::string_view v = entry->value;
    std::size_t i = 0;
    while (i < v.size() && is_blank(v[i])) ++i;
    bool negative = false;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
    std::int64_t result = 0;
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
        int digit = v[i] - '0';
        if (result > (INT64_MAX - digit) / 10) return negative ? INT64_MIN : INT64_MAX;
        result = result * 10 + digit;
    }
    return negative ? -result : result;
}

void prefs_write_text(std::string_view key, std::string_view value) {
    if (!ctx.active) return;
    if (ctx.pending) {
        ctx.nodes.push_back({Node::Group, *ctx.pending, {}});
        ctx.current = long(ctx.nodes.size()) - 1;
        ctx.pending.reset();
    }
    if (Node* entry = find_entry(key)) {
        entry->key = std::string(key);
        entry->value = std::string(value);
    } else {
        auto insert_at = section().second;
        ctx.nodes.insert(ctx.nodes.begin() + long(insert_at), Node{Node::Entry, std::string(key), std::string(value)});
    }
    ctx.modified = true;
}

void prefs_write_number(std::string_view key, std::int64_t value) {
    auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
    prefs_write_text(key, std::to_string(low));
}

bool prefs_first_group() {
    ctx.group_cursor = -1;
    return prefs_next_group();
}

bool prefs_next_group() {
    for (std::size_t i = std::size_t(ctx.group_cursor + 1); i < ctx.nodes.size(); ++i) {
        if (ctx.nodes[i].kind == Node::Group) {
            ctx.group_cursor = long(i);
            return true;
        }
    }
    ctx.group_cursor = long(ctx.nodes.size());
    return false;
}

std::string prefs_group_name() {
    if (ctx.group_cursor < 0 || std::size_t(ctx.group_cursor) >= ctx.nodes.size()) return {};
    return ctx.nodes[std::size_t(ctx.group_cursor)].key;
}

void prefs_set_flags(int flags) { ctx.flags = flags; }

bool prefs_is_empty() { return ctx.nodes.empty(); }

}  // namespace pixmold
