// Group/key/value settings files ("pref.vrn").
//
// The whole file is read into an ordered list of lines when it is opened;
// reads and writes work on that list; the list is written back, complete and
// in order, when the file is closed after a write. Unknown keys, groups and
// comments therefore survive a rewrite.
//
// Every thread has its own current file: opening or creating one first
// closes the thread's previous one. Texts are UTF-8. Keys and group names
// compare without regard to ASCII letter case.
//
// Files on disk: a UTF-8 byte order mark marks UTF-8 text; anything else is
// read as ISO-8859-1. Written files are always UTF-8 with a byte order mark,
// CR LF line ends, an empty first line, "[group]", "; comment" and
// "key = value" lines.
//
// Files appear and are rewritten only complete (platform/atomic_file.h): a
// kill at any moment leaves the old file or none, never an empty or
// half-written one. A file that the user may not write (read-only, even for
// root) is never rewritten.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pixmold {

// Output style bits (0 for every file the program writes).
inline constexpr int PREFS_NO_BLANKS_AROUND_EQUALS = 1;
inline constexpr int PREFS_EMPTY_LINE_BEFORE_GROUPS = 2;

// True when the file exists and could be opened (perhaps for reading only);
// it is then parsed. On failure the thread's context is empty and remembers
// the path, so that writes followed by a close create the file.
bool prefs_open(const std::string& path);

// Starts a new, empty file at `path`; nothing is written before the close,
// which creates the file or replaces the one there. False when no file may be
// written there (missing folder, no permission, a read-only file).
bool prefs_create(const std::string& path);

// Writes the file when something was written since it was opened, then
// forgets it. Returns true only when the file was written to disk: false
// after reads only, for a file that could only be opened for reading, and
// when the rewrite failed (the old file is then left as it was).
bool prefs_close();

// Selects the group that reads and writes use. An empty name selects the
// part of the file before the first group header. False when no such group
// exists yet; a later write then adds it at the end of the file.
bool prefs_select_group(std::string_view name);

// The value of `key` in the selected group, blanks and tabs trimmed; the
// default when the key (or the group) is missing.
std::string prefs_read_text(std::string_view key, std::string_view default_value);

// The value read as a signed decimal: optional blanks and sign, then digits
// up to the first other character. A value without digits gives 0, not the
// default. Values beyond 64 bits saturate.
std::int64_t prefs_read_number(std::string_view key, std::int64_t default_value);

// Replaces the value of `key` in the selected group (the stored key takes the
// letter case given here) or adds the key at the end of the group.
void prefs_write_text(std::string_view key, std::string_view value);
// Writes the decimal text of the low 32 bits of `value`.
void prefs_write_number(std::string_view key, std::int64_t value);

// Walks the group headers in file order, independently of the selected
// group. True while there is a further header; its name is then available.
bool prefs_first_group();
bool prefs_next_group();
std::string prefs_group_name();

// What a file must look like to be taken for a group/key/value file: at most
// this large, with a group header among its first lines that hold anything.
inline constexpr std::uint64_t PREFS_MAX_FILE_BYTES = 1 << 20;
inline constexpr int PREFS_HEADER_WITHIN_LINES = 16;

enum class PrefsFileKind {
    Missing,     // nothing at the path (or a link to nothing)
    Unreadable,  // a regular file that may not be read
    Empty,       // zero bytes, or blanks, line ends and a byte order mark only
    Groups,      // a group/key/value file: a header such as "[USER]" early on
    Foreign,     // anything else: no such header, larger, or not a regular file
};

// What is at `path` (the file a link leads to), judged before it is opened
// for good: reads at most PREFS_MAX_FILE_BYTES of it, and opens nothing but
// a regular file, so a FIFO or a device never blocks it.
PrefsFileKind prefs_file_kind(const std::string& path);

// prefs_file_kind and, for a settings file (Groups), prefs_open on the same
// bytes: the file is read once. Any other kind leaves the thread's context
// empty, as a failed prefs_open does.
PrefsFileKind prefs_open_settings(const std::string& path);

// Whether a close after writes could write the file at `path` (the file a
// link leads to): a new file in its folder, or a replacement of the one
// there. Nothing is created.
bool prefs_writable(const std::string& path);

// Output style of the open file (see the PREFS_ constants).
void prefs_set_flags(int flags);

// True when the open file holds no group, key or comment: zero bytes, or
// blanks, line ends and a byte order mark only.
bool prefs_is_empty();

}  // namespace pixmold
