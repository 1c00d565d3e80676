#pragma once

#include <string>

#include "tools/check/UnitRecord.h"

// What a person sees of one unit on standard output.

// The unit's line, then for FAIL and TIMEOUT the expected and received texts
// side by side; every line ends with LF. `hex` is the receive form (--hex).
//
//   unit 2 (SN7): FAIL in 4.2 ms, sent 01 03, received AA BC
//     expected  AA BB
//     received  AA BC
//     first difference at character 4 (blanks and tabs removed)
//
// In character mode each side shows its text quoted and escaped, then its
// bytes in hex: `expected  "OK\r\n"  4F 4B 0D 0A`. Received is what arrived
// up to the verdict; "nothing" when no byte came. "(SN7)" shows only when the
// unit has an id, its control characters escaped. Bytes that came after the
// verdict follow as ", trailing 0D 0A", an answer after a TIMEOUT as
// ", late 4F 4B".
std::string FormatUnitReport(const UnitRecord& record, bool hex);

// The verdict in large block letters, a few lines high, for an operator a
// step away: green PASS, red FAIL, yellow TIMEOUT with ANSI colour escapes
// when `colour` is set (only when standard output is a terminal). Empty for
// Undecided.
std::string FormatVerdictBanner(Verdict verdict, bool colour);
