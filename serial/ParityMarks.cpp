#include "serial/ParityMarks.h"

size_t ParityMarkReader::Read(const unsigned char* raw, size_t size,
                              std::vector<unsigned char>& out, size_t limit) {
    size_t taken = 0;
    size_t given = 0;
    while (taken < size && given < limit) {
        const unsigned char b = raw[taken];
        switch (state_) {
            case State::Plain:
                if (b == 0xFF) {
                    state_ = State::AfterFF;
                } else {
                    out.push_back(b);
                    ++given;
                }
                break;
            case State::AfterFF:
                if (b == 0x00) {
                    state_ = State::AfterMark;
                    break;
                }
                // 0xFF 0xFF is a real 0xFF. Anything else is no mark: the
                // terminal did not mark this stretch, so 0xFF is data, and the
                // byte after it is read again as a plain one.
                out.push_back(0xFF);
                ++given;
                state_ = State::Plain;
                if (b != 0xFF) {
                    continue;
                }
                break;
            case State::AfterMark:
                out.push_back(replacement_);
                ++given;
                state_ = State::Plain;
                break;
        }
        ++taken;
    }
    return taken;
}

size_t ParityMarkReader::Count(const unsigned char* raw, size_t size) const {
    ParityMarkReader copy = *this;
    std::vector<unsigned char> ignored;
    ignored.reserve(size);
    copy.Read(raw, size, ignored);
    return ignored.size();
}
