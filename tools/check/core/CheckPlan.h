#pragma once

#include <optional>
#include <string>

#include "send/HexText.h"
#include "serial/CommSettings.h"
#include "tools/check/core/CheckOptions.h"

// Everything a run needs, resolved from the command line before the port is
// opened: the bytes each unit sends and the text it expects.
struct CheckPlan {
    CheckOptions options;       // as parsed; port, timing and output come from here
    CommSettings lineSettings;  // options.settings, parsed
    ByteArray sendBytes;        // what each unit sends (none when listening only)
    bool listenOnly = true;     // no send option: each unit only waits for its answer
    std::string expected;       // as given (blanks kept), for UnitJudge and the record
    std::string libraryPath;    // the library file read, as the profile functions take it
    int settleMs = 0;           // options.settleMs, or its default for the line's rate
};

// The quiet time after a verdict when none is given: 50 ms, or five
// characters' time on the line when that is longer, so that a line end or a
// checksum a few milliseconds behind the answer is still the unit's.
int DefaultSettleMs(const CommSettings& line);

struct ResolvedCheckPlan {
    std::optional<CheckPlan> plan;
    std::string error;  // when there is no plan: one line, without the program's name
};

// Reads the data library entries the options name (from options.libraryPath,
// else the dialog's ".\Quorvix.ini"), turns hex texts into bytes and checks
// the expected text. Refused, each with one line: hex cut short by a bad pair
// or a lone last digit (naming its position, from 1), a missing library entry,
// a missing or unreadable library file, an expected text that is empty once
// blanks and tabs are removed (no answer could fail), and with --hex an
// expected text no received bytes can show as.
ResolvedCheckPlan ResolveCheckPlan(const CheckOptions& options);
