#include "tools/check/core/UnitIds.h"

const char kUnitIdPrompt[] = "unit id (Enter to test, Ctrl-D to end):";

std::string NextUnitId(std::string line, std::string& lastId) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    if (!line.empty()) {
        lastId = line;
    }
    return lastId;
}

void InputLines::Append(const char* bytes, size_t count) {
    pending_.append(bytes, count);
}

std::optional<std::string> InputLines::Next() {
    if (skipLineFeed_ && !pending_.empty()) {
        if (pending_[0] == '\n') {
            pending_.erase(0, 1);
        }
        skipLineFeed_ = false;
    }
    const size_t end = pending_.find_first_of("\r\n", scanned_);
    if (end == std::string::npos) {
        if (pending_.size() > kLongestUnitId + 1) {
            pending_.resize(kLongestUnitId + 1);
        }
        scanned_ = pending_.size();
        return std::nullopt;
    }
    std::string line = pending_.substr(0, end);
    size_t next = end + 1;
    if (pending_[end] == '\r') {
        if (next == pending_.size()) {
            skipLineFeed_ = true;  // its LF may come with the next piece
        } else if (pending_[next] == '\n') {
            ++next;
        }
    }
    pending_.erase(0, next);
    scanned_ = 0;
    return line;
}

std::optional<std::string> InputLines::Rest() {
    if (pending_.empty()) {
        return std::nullopt;
    }
    std::string line;
    line.swap(pending_);
    scanned_ = 0;
    return line;
}
