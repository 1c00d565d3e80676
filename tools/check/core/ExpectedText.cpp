#include "tools/check/core/ExpectedText.h"

#include "analysis/BlankFilter.h"
#include "analysis/ByteText.h"
#include "platform/text/Gbk.h"
#include "tools/check/core/TextEscapes.h"

namespace {

std::string Stripped(std::string text) {
    RemoveBlanksAndTabs(text);
    return text;
}

}  // namespace

ExpectedText::ExpectedText(const std::string& expected, bool hex)
    : expected_(Stripped(expected)), hex_(hex) {}

std::optional<size_t> ExpectedText::decidingByte() const {
    if (verdict_ == Verdict::Undecided || received_.empty()) {
        return std::nullopt;
    }
    return received_.size() - 1;
}

Verdict ExpectedText::Feed(unsigned char byte) {
    if (verdict_ != Verdict::Undecided) {
        return verdict_;
    }
    received_.push_back(byte);
    const std::string text = ByteText(byte, hex_);
    if (text.empty()) {
        return verdict_;  // a byte 0 in character mode shows as nothing
    }
    collected_ += text;
    size_t checkFrom = 0;
    if (gbk::IsLeadByte(static_cast<unsigned char>(text.back()))) {
        // Part of a run of lead-range bytes: whether it starts a character or
        // ends one shows only later, but no such byte is a blank or a tab, so
        // the run is kept whole whichever it is.
        checkFrom = stripped_.size();
        stripped_ += text;
    } else {
        // This byte ends the run: the text from the run's start, which is
        // where a character starts, is stripped as the window strips it.
        std::string run = collected_.substr(runStart_);
        RemoveBlanksAndTabs(run);
        stripped_.resize(strippedRunStart_);
        stripped_ += run;
        checkFrom = strippedRunStart_;
        runStart_ = collected_.size();
        strippedRunStart_ = stripped_.size();
    }
    return Decide(checkFrom);
}

Verdict ExpectedText::Decide(size_t checkFrom) {
    // Everything before checkFrom was a prefix of the expected text already.
    if (stripped_.size() > expected_.size() ||
        stripped_.compare(checkFrom, std::string::npos, expected_, checkFrom,
                          stripped_.size() - checkFrom) != 0) {
        verdict_ = Verdict::Fail;
    } else if (stripped_.size() == expected_.size()) {
        verdict_ = Verdict::Pass;
    }
    return verdict_;
}

bool ExpectedCanNeverFail(const std::string& expected) {
    return Stripped(expected).empty();
}

std::optional<std::string> UnreachableExpectedPiece(const std::string& expected, bool hex) {
    if (!hex) {
        return std::nullopt;
    }
    const std::string stripped = Stripped(expected);
    for (size_t at = 0; at < stripped.size(); at += 2) {
        const std::string piece = stripped.substr(at, 2);
        if (piece.size() < 2) {
            return WholeCharacters(stripped, at, 1);
        }
        // Reported whole: half a character would not show.
        const std::string shown = WholeCharacters(stripped, at, 2);
        const unsigned char high = HexCharValue(piece[0]);
        const unsigned char low = HexCharValue(piece[1]);
        // Compared with what the byte these digits name shows as.
        if (high == 16 || low == 16 ||
            Stripped(ByteText(static_cast<unsigned char>(high * 16 + low), true)) != piece) {
            return shown;
        }
    }
    return std::nullopt;
}
