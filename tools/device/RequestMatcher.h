#pragma once

#include <deque>

#include "tools/device/HexFrame.h"

// Spots a request frame in a stream of received bytes, however the bytes are
// split into reads. After a match it starts afresh, so one request is answered
// once.
class RequestMatcher {
public:
    explicit RequestMatcher(Frame request) : request_(std::move(request)) {}

    // True when this byte completes the request.
    bool Feed(unsigned char byte);

private:
    Frame request_;
    std::deque<unsigned char> recent_;  // the last bytes, at most the request's length
};
