// The batch on the main window: a drop starts it, the StopButton ends it.
// The job itself lives in batch/; this binds it to the window's widgets.
#pragma once

#include <string>

#include "runtime/toolkit.h"

namespace pixmold {

// DropOnWindow: starts a batch over the dropped files or folder, or refuses
// the drop while one runs (the StatusLine says so).
void batch_drop(const std::string& files);
// The StopButton's events; false for any other widget.
bool handle_batch_event(int widget, SubKind subkind);
bool batch_running();
// Waits until the running batch (if any) has ended and shown its end; for
// shutdown and tests.
void batch_wait();
// Stops a running batch without a trace; for shutdown.
void batch_stop();

}  // namespace pixmold
