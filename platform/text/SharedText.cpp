#include "platform/text/SharedText.h"

std::string SharedText::Get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return text_;
}

void SharedText::Set(std::string text) {
    std::lock_guard<std::mutex> lock(mutex_);
    text_ = std::move(text);
}
