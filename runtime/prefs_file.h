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
// Files appear and are rewritten only complete (runtime/atomic_file.h): a
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

// Output style of the open file (see the PREFS_ constants).
void prefs_set_flags(int flags);

// True when the open file holds no group, key or comment: zero bytes, or
// blanks, line ends and a byte order mark only.
bool prefs_is_empty();

}  // namespace pixmold
