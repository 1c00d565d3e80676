#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// A fuzzer's input read as a stream of choices and texts; past its end every
// read gives 0 or the empty text.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool AtEnd() const { return at_ == size_; }
    unsigned char Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::string Text(size_t length) {
        length = std::min(length, size_ - at_);
        std::string text(reinterpret_cast<const char*>(data_ + at_), length);
        at_ += length;
        return text;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// An invariant broke: libFuzzer saves the input that did it.
[[noreturn]] inline void Fail() {
    std::abort();
}

inline void Require(bool holds) {
    if (!holds) {
        Fail();
    }
}
