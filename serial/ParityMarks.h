#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// With parity checking on, a Unix terminal marks each byte received with a
// parity or framing error as 0xFF 0x00 and the byte (a break as 0xFF 0x00
// 0x00), and doubles a real 0xFF. This undoes the marking, putting the
// replacement byte in place of each marked one. A mark may be split between
// two reads: the reader keeps where it stands in a mark until the next read.
class ParityMarkReader {
public:
    explicit ParityMarkReader(unsigned char replacement = '?') : replacement_(replacement) {}

    // Appends at most `limit` bytes that `raw` stands for to `out` and
    // returns how many raw bytes that took; the rest stay for the next read.
    size_t Read(const unsigned char* raw, size_t size, std::vector<unsigned char>& out,
                size_t limit = SIZE_MAX);
    // How many bytes Read would give for `raw` now, without taking them.
    size_t Count(const unsigned char* raw, size_t size) const;
    // Forgets a mark begun: what came before it was discarded.
    void Reset() { state_ = State::Plain; }
    // Inside a mark, waiting for its next byte.
    bool InMark() const { return state_ != State::Plain; }

private:
    enum class State { Plain, AfterFF, AfterMark };

    unsigned char replacement_;
    State state_ = State::Plain;
};
