// The online menu: whether a newer version is published, and the web site.
//
// The check downloads the published version text on a worker thread, so the
// window goes on handling events; the StatusLine says it is checking. When
// the download ends, the answer comes on the user-interface thread (through
// wait_event): the latest-version text, the question whether to open the web
// site, or, when no usable version came back, the failure text. Each check
// answers from its own reply alone.
//
// Everything here runs on the user-interface thread.
#pragma once

#include <functional>
#include <string>

#include "platform/http_download.h"

namespace pixmold {

// What the check needs from the window around it.
struct UpdateShell {
    std::function<void(const std::string&)> show_status;  // the StatusLine
    std::function<std::string()> status_text;             // what it shows now
    std::function<void(int milliseconds)> play_click;
};

struct UpdateConfig {
    std::string site;             // the web site; the version text is under it
    std::string running_version;  // " 1.7.0" (blanks around it are ignored)
    HttpOptions http;
};

// Sets what the next checks use (a check that runs keeps its own download).
void configure_update_check(UpdateShell shell, UpdateConfig config);

// The update entry. With no network: says so. While a check runs: nothing.
// Otherwise starts the download and returns at once.
void check_for_update();
// True from check_for_update until the user has seen or answered the result.
bool update_check_running();

// The visit entry: opens the web site in the default browser, or says in
// the StatusLine that no browser could.
void visit_website();

// At shutdown, or to start over: aborts a running download, waits for its
// thread and forgets it, showing nothing.
void stop_update_check();

}  // namespace pixmold
