#pragma once

#include <string>
#include <vector>

// The texts one receive event works on: the analysis window's members.
struct ReceiveTexts {
    std::string& receive;
    std::string& filtered;
    std::string& expected;
    std::string& result;
};

// Everything one receive event does to its texts, without the window: each
// byte's text is appended to the receive and filtered texts; blanks and tabs
// leave the expected text and a copy of the filtered one; a filtered text that
// overruns the expected one is emptied, as is a receive text grown too long;
// the result is set from the comparison. Returns true when the filtered text
// overran, so that the caller lets the rest of the broken frame arrive.
bool AnalyseReceivedBytes(const std::vector<unsigned char>& bytes, bool hex,
                          const ReceiveTexts& texts);
