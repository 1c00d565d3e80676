#pragma once

#include <chrono>
#include <thread>

#include "platform/threads/UiThreadCalls.h"

// Blocks the calling thread; on the window's thread nothing else is handled meanwhile.
inline void Sleep(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// A deliberate wait of the window's thread that blocks clicks and receive events
// like Sleep but goes on running the calls that send workers hand over (`calls`,
// null when no worker was ever started), so that a send due meanwhile leaves on
// time, as it would from a worker using the port on its own thread.
inline void SleepServingWorkers(int milliseconds, UiThreadCalls* calls) {
    if (calls) {
        calls->ServeFor(milliseconds);
    } else {
        Sleep(milliseconds);
    }
}
