#pragma once

#include <mutex>
#include <string>

// A text member that worker threads read while the window's thread may replace it.
class SharedText {
public:
    SharedText() = default;
    explicit SharedText(std::string text) : text_(std::move(text)) {}
    SharedText(const SharedText&) = delete;
    SharedText& operator=(const SharedText&) = delete;

    std::string Get() const;
    void Set(std::string text);
    SharedText& operator=(std::string text) {
        Set(std::move(text));
        return *this;
    }
    operator std::string() const { return Get(); }

private:
    mutable std::mutex mutex_;
    std::string text_;
};
