// Worker threads that can be stopped.
//
// A thread cannot be killed safely (it may hold a lock or half-write a file),
// so stopping one means: raise its stop request, then wait for it to end.
// Workers poll `stop_requested()` between steps and return when it is true.
#pragma once

#include <cstdint>

namespace pixmold {

using ThreadEntry = void (*)(std::intptr_t argument);
// 0 means "no thread".
using ThreadHandle = std::uint32_t;

// Starts `entry(argument)` on a new thread; 0 when the thread cannot start.
ThreadHandle start_thread(ThreadEntry entry, std::intptr_t argument);

// Raises the thread's stop request and waits until it has returned. Safe on
// a thread that already ended, on 0 and on unknown handles. A thread that
// stops itself only raises its own request (it cannot wait for itself); its
// handle is released when it ends.
void kill_thread(ThreadHandle handle);

// Stops every thread started here and waits for them (at shutdown, so no
// worker outlives the windows it writes to).
void kill_all_threads();

// True while the thread is still running its entry.
bool thread_running(ThreadHandle handle);

// On a thread started by start_thread: true once kill_thread was called for
// it. False on any other thread.
bool stop_requested();

// Blocks the calling thread for the given time (nothing for <= 0).
void sleep(int milliseconds);

}  // namespace pixmold
