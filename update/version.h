// Version texts: "1.7.0", dotted decimal fields.
#pragma once

#include <string>
#include <string_view>

namespace pixmold {

// `text` without the white space (blanks, tabs, line ends) around it.
std::string trim_white_space(std::string_view text);

// True for one or more runs of decimal digits joined by single dots.
bool is_version(std::string_view text);

// Compares two versions field by field from the left, each field as a
// number (any length), a missing field counting as 0: negative when `a` is
// older, 0 when they are the same version, positive when `a` is newer.
// Both must satisfy is_version.
int compare_versions(std::string_view a, std::string_view b);

}  // namespace pixmold
