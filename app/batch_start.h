// The batch on the main window: a drop starts it, the StopButton ends it.
// The job itself lives in batch/; this binds it to the window's widgets.
#pragma once

#include <string>

#include "toolkit/toolkit.h"

namespace pixmold {

// DropOnWindow: starts a batch over the dropped files or folder, or refuses
// the drop while one runs (the StatusLine says so).
void batch_drop(const std::string& files);
// Files opened with the program (its command line, or handed over by a later
// start): a drop, except that while a batch runs it waits for that batch to
// end instead of being refused. Several wait in the order they came.
void batch_open(const std::string& files);
// Starts the oldest waiting files once no batch runs. True while some still
// wait; the event loop then calls it again shortly.
bool batch_start_waiting();
// The StopButton's events (Stop also forgets the waiting files); false for
// any other widget.
bool handle_batch_event(int widget, SubKind subkind);
bool batch_running();
// Waits until the running batch (if any) has ended and shown its end; for
// shutdown and tests.
void batch_wait();
// Stops a running batch without a trace and forgets the waiting files; for
// shutdown.
void batch_stop();

}  // namespace pixmold
