#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "send/HexText.h"
#include "tools/check/core/Verdict.h"

// Compares a unit's received bytes, taken one at a time, with an expected
// text by the analysis window's rule: each byte becomes the text the window
// shows for it (ByteText: "AA " in hex mode, else the byte itself, nothing
// for a byte 0); the collected text and the expected text, blanks and tabs
// removed (RemoveBlanksAndTabs, GBK-aware), must be equal byte for byte.
//
// PASS at the byte that makes them equal. FAIL at the first byte after which
// the stripped collected text is no longer a prefix of the stripped expected
// text: appending bytes only ever appends to the stripped text (a lead byte
// left last is kept, and the byte that follows it is kept with it, blank or
// not), so such a unit can never match any more. Otherwise Undecided.
//
// An expected text with nothing but blanks and tabs would pass at once and
// could never fail; ExpectedCanNeverFail tells callers to refuse it.
class ExpectedText {
public:
    ExpectedText(const std::string& expected, bool hex);

    // Takes the next received byte and returns the verdict so far. Once the
    // unit is decided, bytes belong to no unit and are not taken.
    Verdict Feed(unsigned char byte);

    Verdict verdict() const { return verdict_; }

    // The bytes taken, the deciding one last.
    const ByteArray& received() const { return received_; }

    // Index into received() of the byte that decided; none while undecided.
    std::optional<size_t> decidingByte() const;

    // The received bytes as the window shows them ("AA BC " in hex mode).
    const std::string& collectedText() const { return collected_; }

    // Both texts as compared: blanks and tabs removed.
    const std::string& strippedCollected() const { return stripped_; }
    const std::string& strippedExpected() const { return expected_; }

private:
    Verdict Decide(size_t checkFrom);

    std::string expected_;
    bool hex_;
    Verdict verdict_ = Verdict::Undecided;
    ByteArray received_;
    std::string collected_;
    std::string stripped_;
    // Where the last run of GBK lead-range bytes began, in the collected and in
    // the stripped text: how such a run pairs up is known only at its end.
    size_t runStart_ = 0;
    size_t strippedRunStart_ = 0;
};

// True when the expected text holds nothing but blanks and tabs.
bool ExpectedCanNeverFail(const std::string& expected);

// In hex mode received text is only upper-case digit pairs, so an expected
// text with anything else can never pass. Returns the first piece of the
// stripped expected text no byte shows as (a pair such as "aa", or a lone
// last character); none when every piece is some byte's text, and always
// none in character mode.
std::optional<std::string> UnreachableExpectedPiece(const std::string& expected, bool hex);
