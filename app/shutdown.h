// The orderly end of the program.
#pragma once

namespace pixmold {

// After the loop: fades the main window out, closes it and releases
// everything. Settings are not saved here: whatever ended the loop saved them.
// No file is deleted: the webcam's picture never goes through one.
void shutdown_program();

// Releases every resource in the reverse order of start-up (no fade). Used
// by a second instance and by the language change.
void release_resources();

// Ends the process at once after releasing everything (exit code 0): the
// language change, once the settings are saved.
[[noreturn]] void end_program_now();

}  // namespace pixmold
