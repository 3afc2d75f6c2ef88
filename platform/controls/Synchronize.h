#pragma once
// Calls made by worker threads on the main thread, and waits of the main thread that keep serving them.
//
// A worker hands a call to Synchronize and is blocked until the main thread has run it. The main thread runs
// the queue from its event loop (also inside modal dialogs, which run an event loop of their own), and from
// WaitServing while it waits for a worker to end. So a worker blocked in Synchronize can never deadlock a main
// thread that waits for it.
#include <chrono>
#include <functional>

namespace ctl {

// True on the thread that runs the program's event loop (the thread that initialised the program).
bool IsMainThread();

// Runs fn on the main thread and returns when it has run. On the main thread it runs at once.
// An exception that fn raises is carried back and raised again in the calling thread.
void Synchronize(const std::function<void()>& fn);

// Hands fn to the main thread and returns at once; the calls of Queue and Synchronize run in the order they
// were made. For progress a worker shows, so that it never waits for the screen. fn must not rely on anything
// the worker may destroy meanwhile (capture guarded pointers); an exception it raises is dropped.
void Queue(std::function<void()> fn);

// Runs every call queued so far (main thread only; elsewhere it does nothing). Returns how many ran.
int ProcessSynchronizeQueue();

// Number of calls waiting in the queue.
int PendingSynchronizeCalls();

// Main thread: waits until done() holds, running queued calls meanwhile, but no other events (no input, no
// timers), so nothing half torn down is re-entered. Elsewhere: a plain polling wait.
// A negative time-out waits for ever. True when done() held, false on time-out.
bool WaitServing(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::milliseconds(-1));

} // namespace ctl
