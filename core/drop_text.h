// The text of a drop: the dropped paths joined by one line feed, none after
// the last. One splitter for the window's batch and the editor's preview.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pixmold {

inline constexpr char DROP_SEPARATOR = '\n';

// Splits a drop text at DROP_SEPARATOR: n separators give n + 1 fields.
std::vector<std::string> split_drop_text(std::string_view text);

}  // namespace pixmold
