// The pictures and folders the program is started with (`pixmold FILE...`,
// as a file manager's "Open with" starts it): they are a drop on the window.
#pragma once

#include <string>
#include <vector>

namespace pixmold {

struct OpenedPaths {
    std::vector<std::string> paths;    // absolute, in the order given
    std::vector<std::string> ignored;  // arguments that are no path, as given
};

// The program's own arguments (argv[1] to argv[argc - 1], once the toolkit
// took out its options). Each is a path, made absolute against the working
// folder, since a later start hands them to a copy that runs in another
// one. Not a path: an argument starting with "-" that names no existing
// file ("--" makes every later argument a path), and a path holding a line
// feed, which no drop can carry.
OpenedPaths paths_from_arguments(int argc, char** argv);

// The paths as a drop delivers them: joined by "\n".
std::string drop_text(const std::vector<std::string>& paths);

}  // namespace pixmold
