// What the program learns of the system it runs on.
#pragma once

#include <cstdint>
#include <string>

namespace pixmold {

// The process's working folder; "." when it cannot be named (it was
// removed, or its path is beyond reason).
std::string working_folder();

// The width in columns of the terminal that the standard error stream
// writes to; 0 when it writes to no terminal, or the terminal does not tell.
int error_terminal_columns();

// True when the standard error stream writes to a terminal.
bool error_stream_is_terminal();

// The machine's physical memory in bytes; 0 when it cannot be found out.
std::uint64_t physical_memory_bytes();

}  // namespace pixmold
