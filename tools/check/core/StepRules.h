#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/text/ByteArray.h"
#include "serial/CommSettings.h"
#include "tools/check/core/AnswerMask.h"
#include "tools/check/core/AnswerPattern.h"
#include "tools/check/core/ChecksumFrame.h"
#include "tools/check/core/StepOptions.h"

// A step as it runs: the bytes it sends and the rule its answer is judged
// by, worked out from its options before the port is opened.

// What an answer must be, and the values read from it.
struct AnswerRule {
    ExpectSource kind = ExpectSource::Nothing;  // an Entry is read into Text
    std::string expected;  // Text: as given, blanks kept; Mask, Pattern: as given
    bool hex = false;      // Text: received bytes as hex digit pairs
    std::optional<AnswerMask> mask;
    std::optional<AnswerPattern> pattern;
    // Pattern: where an answer ends. `end` when given, else after `idleMs`
    // of quiet when given, else at a line end (LF, with a CR before it or not).
    std::string end;
    int idleMs = 0;
    std::optional<ChecksumFrame> checksum;
    std::vector<FieldOption> fields;
    std::vector<MeasureLimits> measures;
    std::vector<std::string> captures;
};

struct Step {
    std::string name;
    bool sends = false;
    ByteArray request;  // its checksum included
    AnswerRule answer;
    int timeoutMs = 1000;
    int settleMs = 0;
    int retries = 0;
    bool stopOnFail = true;
    int waitMs = 0;
    std::string prompt;
};

// Where a step's library entries come from, and the line it runs on.
struct StepContext {
    std::string libraryPath;   // as the profile functions take it
    std::string shownLibrary;  // as messages name it
    CommSettings line;
};

// The step, or nothing with `error` set to one line that names the option
// (or plan key) at fault: hex cut short by a bad pair or a lone last digit
// (naming its position, from 1), a missing library entry, a missing or
// unreadable library file, an expected text that is empty once blanks and
// tabs are removed (no answer could fail) or that --hex can never show, a bad
// mask, pattern, end, checksum, order or range (and where in it), a measure
// or capture that names no field or group of the pattern, options that do
// not go together, and a request whose checksum range lies outside it.
std::optional<Step> ResolveStep(const StepOptions& options, const StepContext& context,
                                std::string& error);

// The names of the values a step records, in order: its fields, then the
// pattern's groups it measures, then its captures; each name once.
std::vector<std::string> ValueNames(const AnswerRule& rule);

// The quiet time after a verdict when none is given: 50 ms, or five
// characters' time on the line when that is longer, so that a line end or a
// checksum a few milliseconds behind the answer is still the unit's.
int DefaultSettleMs(const CommSettings& line);
