#pragma once

#include <chrono>
#include <thread>

// Blocks the calling thread; on the window's thread nothing else is handled meanwhile.
inline void Sleep(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
