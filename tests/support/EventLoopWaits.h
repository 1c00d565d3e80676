#pragma once

#include <chrono>
#include <functional>

// Waiting on Qt's event loop while what is tested runs, on the test's thread
// or others.

using Clock = std::chrono::steady_clock;

// Long enough for a loaded machine under ThreadSanitizer; waits end as soon as
// their condition holds.
inline constexpr int kPatience = 20000;

// Runs the event loop until `done` holds; false on timeout.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = kPatience);

// Runs the event loop for the time given, looking often at what other threads
// change.
void Pump(int ms);

// Runs the event loop for the time given with nothing of the test's own to do,
// so that the CPU time spent meanwhile is the program's.
void Idle(int ms);

// Whole milliseconds of a duration.
long long Ms(Clock::duration d);
