// Receive formatting and comparison: random batches of bytes and random texts
// typed by the operator go through the steps of one receive event, and each
// event's outcome is checked against a plain reading of the rules.
//
// Input: one byte that sets hex mode, then events. Each event starts with a
// control byte; bit 0 switches the mode, bits 1 to 3 say that the operator
// typed a new expected, filtered or receive text before it (each a length byte
// and the bytes), and the batch follows (a length byte, times four when bit 4
// is set, and the bytes).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/BlankFilter.h"
#include "analysis/ByteText.h"
#include "analysis/Comparison.h"
#include "analysis/ReceiveBatch.h"

#include "platform/text/Gbk.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

bool IsLead(unsigned char b) {
    return gbk::IsLeadByte(b);
}

// The text's characters in order: a lead byte and the byte after it make one.
std::vector<std::string> Characters(const std::string& text) {
    std::vector<std::string> chars;
    for (size_t i = 0; i < text.size();) {
        const size_t width =
            IsLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        chars.push_back(text.substr(i, width));
        i += width;
    }
    return chars;
}

std::string Stripped(const std::string& text) {
    std::string kept;
    for (const std::string& c : Characters(text)) {
        if (c != " " && c != "\t") {
            kept += c;
        }
    }
    return kept;
}

// Blank and tab removal keeps every two-byte character whole and leaves no
// blank or tab outside one.
void CheckBlankFilter(const std::string& text) {
    std::string filtered = text;
    RemoveBlanksAndTabs(filtered);
    if (filtered != Stripped(text)) {
        Fail();
    }
    for (const std::string& c : Characters(filtered)) {
        if (c == " " || c == "\t") {
            Fail();
        }
    }
    std::string again = filtered;
    RemoveBlanksAndTabs(again);
    if (again != filtered) {
        Fail();
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;  // lower case is wrong too
}

std::string FormatChecked(const std::string& batch, bool hex) {
    std::string formatted;
    for (const char c : batch) {
        const auto byte = static_cast<unsigned char>(c);
        const std::string text = ByteText(byte, hex);
        if (hex) {
            if (text.size() != 3 || text[2] != ' ' || HexDigit(text[0]) < 0 ||
                HexDigit(text[1]) < 0 || HexDigit(text[0]) * 16 + HexDigit(text[1]) != byte) {
                Fail();
            }
        } else if (text != (byte == 0 ? std::string() : std::string(1, c))) {
            Fail();
        }
        formatted += text;
    }
    return formatted;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    bool hex = (in.Byte() & 1) != 0;
    std::string receive, filtered, expected, result;

    while (!in.AtEnd()) {
        const unsigned char control = in.Byte();
        if (control & 0x01) {
            hex = !hex;
        }
        if (control & 0x02) {
            expected = in.Text(in.Byte());
        }
        if (control & 0x04) {
            filtered = in.Text(in.Byte());
        }
        if (control & 0x08) {
            receive = in.Text(in.Byte());
        }
        const size_t length = in.Byte() * ((control & 0x10) ? 4u : 1u);
        const std::string batch = in.Text(length);

        const std::string formatted = FormatChecked(batch, hex);
        CheckBlankFilter(expected);
        CheckBlankFilter(filtered + formatted);

        const std::string receiveBefore = receive, filteredBefore = filtered;
        const std::string strippedExpected = Stripped(expected);
        const std::string strippedFiltered = Stripped(filtered + formatted);

        const std::vector<unsigned char> bytes(batch.begin(), batch.end());
        const bool overran =
            AnalyseReceivedBytes(bytes, hex, ReceiveTexts{receive, filtered, expected, result});

        if (expected != strippedExpected ||
            overran != (strippedFiltered.size() > strippedExpected.size())) {
            Fail();
        }
        const std::string compared = overran ? std::string() : strippedFiltered;
        if (filtered != (overran ? std::string() : filteredBefore + formatted)) {
            Fail();
        }
        if (result != (compared == strippedExpected ? "GOOD" : "")) {
            Fail();
        }
        const std::string grown = receiveBefore + formatted;
        if (receive != (grown.size() > kLongestReceiveText ? std::string() : grown)) {
            Fail();
        }
        // What the views show never outgrows the limits.
        if (receive.size() > kLongestReceiveText || Stripped(filtered).size() > expected.size()) {
            Fail();
        }
    }
    return 0;
}
