#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/check/core/AnswerField.h"
#include "tools/check/core/MeasureLimits.h"

// One step of a unit's test as it is written, before anything is looked up:
// the command line's options for a one-step check, or a [[step]] of a plan
// file. StepRules turns it into what the step sends and how its answer is
// judged, with the same checks and messages for both.

// A value as written, and where, so that a message can point at it:
// "--send-hex" on the command line, "line3.toml:12:9: send_hex" in a plan.
template <class T>
struct Given {
    T value{};
    std::string origin;
};

enum class SendSource { Nothing, Text, Hex, Entry };
enum class ExpectSource { Nothing, Text, Entry, Mask, Pattern };

// A field of the raw answer, with its unit when a plan gives one.
struct FieldOption {
    AnswerField field;
    std::string unit;
    std::string origin;
};

struct MeasureOption {
    MeasureLimits limits;
    std::string origin;
};

struct StepOptions {
    std::string name = "check";

    SendSource send = SendSource::Nothing;
    Given<std::string> sendText;  // Text: the bytes as given; Hex: the hex text
    Given<int> sendEntry;         // Entry: 1 to 3
    bool entryHex = false;        // Entry: the entry is hex text

    ExpectSource expect = ExpectSource::Nothing;
    Given<std::string> expectText;          // Text, Mask or Pattern, as given
    Given<int> expectEntry;                 // Entry: 1 to 3
    bool hex = false;                       // Text, Entry: received bytes as hex digit pairs
    std::optional<Given<std::string>> end;  // Pattern: backslash escapes still to read
    std::optional<Given<int>> idleMs;       // Pattern: the answer ends after this quiet

    std::vector<FieldOption> fields;
    std::vector<MeasureOption> measures;
    std::vector<Given<std::string>> captures;

    std::optional<Given<std::string>> checksum;
    std::optional<Given<std::string>> checksumOrder;
    std::optional<Given<std::string>> checksumRange;
    bool checksumAscii = false;

    int timeoutMs = 1000;  // per attempt
    int settleMs = -1;     // -1: the default for the line's rate

    // Plan steps only.
    int retries = 0;         // attempts after the first
    bool stopOnFail = true;  // after the last failed attempt: on to the teardown
    int waitMs = 0;          // a wait: nothing sent, nothing judged
    std::string prompt;      // shown to the operator, who presses Enter
};

// Ranges the numbers must lie in.
constexpr int kLongestTimeoutMs = 3600000;
constexpr int kLongestIntervalMs = 3600000;
constexpr int kMostRepeats = 1000000000;
constexpr int kMostRetries = 100;
