// The line from a later start of the program to the copy that already runs:
// a local socket that only its user may reach. The later start hands over
// the files it was started with and asks the running copy to come forward;
// the running copy receives them as a FilesHandedOver event.
//
// On the socket, a handover is the line "pixmold-open 1", then one line per
// path, then an empty line; the running copy answers "ok" once it has it
// all. A path holding a line feed cannot travel (nor be dropped).
#pragma once

#include <string>
#include <vector>

namespace pixmold {

// The running copy, on the user-interface thread after init_toolkit:
// listens at `socket_path`. A socket file there whose process no longer
// answers is replaced; false (and nothing changed) when another process
// answers on it or the socket cannot be made. From then on every handover
// brings `window` forward at once (even while a modal dialog runs) and
// queues a FilesHandedOver event with the paths joined by "\n".
bool listen_for_handovers(const std::string& socket_path, int window);
// Stops listening and removes the socket file; later starts find no one.
void stop_listening_for_handovers();

enum class HandOverResult {
    Delivered,   // the running copy answered that it has the paths
    NoListener,  // nothing listens at the path (yet, or any more)
    NoAnswer,    // a listener took the connection but did not answer in time
};

// A later start: hands `paths` (none: only "come forward") to the copy
// listening at `socket_path`, waiting up to `answer_ms` for its answer.
// Needs no running toolkit loop.
HandOverResult hand_over(const std::string& socket_path, const std::vector<std::string>& paths, int answer_ms);

}  // namespace pixmold
