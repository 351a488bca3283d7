// Names of the program's temporary files beside the files it writes, and
// the removal of those that a killed process left behind.
#pragma once

#include <string>
#include <string_view>

namespace pixmold {

// How a temporary file came by its name. Its writer holds an exclusive flock
// on it until it has renamed it.
enum class TemporaryName {
    Created,  // named when created, locked an instant later: ".pixmold-<16 hex digits>.tmp"
    Linked,   // locked while still unnamed, then linked in: ".pixmold-<16 hex digits>.new"
};

// A fresh random name (no folder).
std::string temporary_file_name(TemporaryName kind);

// True for names that temporary_file_name gives, of either kind.
bool is_temporary_file_name(std::string_view name);

// Removes from `folder` the temporary files that the user owns and that no
// live writer holds; those of kind Created only when they have not been
// modified for `min_age_seconds` (their writer may be about to lock them).
// Returns how many went.
int remove_stale_temporary_files(const std::string& folder, long min_age_seconds);

// The same with an age of a minute, at most once a minute for each folder
// (by path); the first call for a folder always looks.
void remove_stale_temporary_files_now_and_then(const std::string& folder);

}  // namespace pixmold
