#include "tools/device/RequestMatcher.h"

#include <algorithm>

bool RequestMatcher::Feed(unsigned char byte) {
    recent_.push_back(byte);
    if (recent_.size() > request_.size()) {
        recent_.pop_front();
    }
    if (recent_.size() == request_.size() &&
        std::equal(recent_.begin(), recent_.end(), request_.begin())) {
        recent_.clear();
        return true;
    }
    return false;
}
