// The orderly end of the program.
#pragma once

#include <string>

namespace pixmold {

// After the loop: deletes the webcam snapshot (even a read-only one), fades
// the main window out, closes it and releases everything. Settings are not
// saved here: whatever ended the loop saved them.
void shutdown_program();

// Releases every resource in the reverse order of start-up (no fade, the
// snapshot stays). Used by a second instance and by the language change.
void release_resources();

// Ends the process at once after releasing everything (exit code 0): the
// language change, once the settings are saved.
[[noreturn]] void end_program_now();

// Deletes `path` whatever its permission bits; a missing file is no error.
void delete_snapshot(const std::string& path);

}  // namespace pixmold
