#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/check/core/PlanToml.h"
#include "tools/check/core/StepOptions.h"

// The steps of a plan: [[step]] and [[teardown]] tables, each key as the
// command line's option of the same name (without dashes, '-' as '_'), and
// [defaults] for what a step does not give itself.

// What one step's table, or [defaults], says: each key as written.
struct StepKeys {
    std::optional<Given<std::string>> name, send, sendHex, expect, expectMask, expectRegex, end,
        prompt, checksum, checksumOrder, checksumRange;
    std::optional<Given<int>> sendEntry, expectEntry, idleMs, timeoutMs, settleMs, retries, waitMs;
    std::optional<Given<bool>> entryHex, hex, checksumAscii, stopOnFail;
    std::vector<FieldOption> fields;
    std::vector<MeasureOption> measures;
    std::vector<Given<std::string>> captures;
};

// [defaults]: timeout, settle, retries, on_fail, hex, checksum and its
// order, range and ascii, end and idle.
StepKeys ReadStepDefaults(const PlanReader& reader, const toml::table& defaults);

// The [[step]] or [[teardown]] tables (`kind` "step" or "teardown") of
// `steps`, which must be an array of them, with `defaults` applied: a step
// takes each value it does not give itself, those that judge an answer
// (hex, checksum, end, idle) only when it has an answer they fit. An unnamed
// step is "step 1", "step 2" ... by its place; names are unique.
std::vector<StepOptions> ReadPlanSteps(const PlanReader& reader, const toml::node& steps,
                                       const char* kind, const StepKeys& defaults);
