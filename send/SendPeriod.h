#pragma once

// The automatic-send period the worker waits, in milliseconds. A failed range
// check leaves whatever was typed in the member (0, negative, 100000); the
// worker keeps to 10 to 5000 ms, so it never spins and a run always ends
// within about five seconds of being stopped.
constexpr int kMinSendPeriod = 10;
constexpr int kMaxSendPeriod = 5000;

constexpr int ClampSendPeriod(int period) {
    return period < kMinSendPeriod   ? kMinSendPeriod
           : period > kMaxSendPeriod ? kMaxSendPeriod
                                     : period;
}
