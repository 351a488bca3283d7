// Names of the program's temporary files beside the files it writes, and
// the removal of those that a killed process left behind.
#pragma once

#include <string>
#include <string_view>

namespace pixmold {

// A fresh random name ".pixmold-<16 hex digits>.tmp" (no folder).
std::string temporary_file_name();

// True for names that temporary_file_name gives.
bool is_temporary_file_name(std::string_view name);

// Removes from `folder` the temporary files that the user owns, that no
// live writer holds (writers keep an exclusive flock on theirs) and that
// have not been modified for `min_age_seconds`. Returns how many went.
int remove_stale_temporary_files(const std::string& folder, long min_age_seconds);

// The same with an age of a minute, at most once a minute for each folder
// (by path); the first call for a folder always looks.
void remove_stale_temporary_files_now_and_then(const std::string& folder);

}  // namespace pixmold
