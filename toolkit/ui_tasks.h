// Work handed to the user-interface thread by other threads.
//
// wait_event runs posted work on the user-interface thread, in the order it
// was posted, between two events: never inside a handler or a modal dialog,
// so the work may show dialogs and change widgets like any handler. Posted
// work does not end wait_event; it goes on waiting for the next event.
#pragma once

#include <functional>

namespace pixmold {

// Any thread. Work still pending when the toolkit shuts down is dropped.
void post_ui_task(std::function<void()> task);

}  // namespace pixmold
