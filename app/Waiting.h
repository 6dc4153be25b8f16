// Waits that end early when the process is asked to end: the hold after a
// creation ("/D:", DelayTime) and a save that waits for the reader of a FIFO.
// A termination request (zebrixd's SIGTERM, SIGINT, SIGHUP) cuts every such
// wait short, the ones running and all later ones, so that the window can
// close and keep its settings at once.
#pragma once

#include <functional>

// Makes the request possible (before any signal handler may call
// RequestTermination): creates the descriptor waits watch.
void PrepareTerminationRequests();
// Async-signal-safe: from now on every wait below ends at once.
void RequestTermination();

// Sleeps for ms, less when termination is requested; false when cut short.
bool SleepUnlessTerminated(int ms);

// What a long wait does between its looks (zebrixd: the window repaints).
// Empty: nothing.
void SetWaitHook(std::function<void()> hook);
void RunWaitHook();
