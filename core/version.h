// The program's version, as the build states it (the CMake project's).
#pragma once

#include <string>

namespace pixmold {

inline constexpr const char* kVersion = PIXMOLD_VERSION;  // "1.7.0"

// As the title, the About box and the instance names show it: after a blank.
inline std::string shown_version() { return std::string(" ") + kVersion; }

}  // namespace pixmold
