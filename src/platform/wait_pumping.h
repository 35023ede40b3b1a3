// Waiting for one of the two run mutexes without freezing the window.
//
// On the thread that owns the windows, WaitPumpingMessages keeps handling
// that thread's events while it waits, and gives up (false, mutex not taken)
// once the application is quitting. On every other thread it simply locks.
// Which thread owns the windows, and how its events are handled, is
// installed by the screen layer; with nothing installed (headless runs,
// tests) every thread just locks.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

namespace varnet {

// Handles the pending events of the calling thread once; false when the
// application is quitting.
using EventPump = std::function<bool()>;

void InstallEventPump(std::thread::id windowThread, EventPump pump);
void RemoveEventPump();

// True with the mutex locked by the caller; false (not locked) only on the
// window thread when the application quits while waiting.
bool WaitPumpingMessages(std::timed_mutex& mutex);

} // namespace varnet
