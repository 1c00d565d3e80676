#pragma once

#include <string>

#include "tools/check/core/UnitResult.h"

// Runs and units of a known shape for the database tests and their writer
// program: unit N of a sample run has id PREFIX-N, STEPS steps named
// "step 1" ... and one teardown step, each step VALUES values; every third
// unit fails its last step.

// 2025-03-14T08:00:00.000Z
inline const WallClock::time_point kSampleStart{std::chrono::milliseconds(1741939200000)};

RunInfo SampleRun(const std::string& station);
UnitResult SampleUnit(int number, const std::string& idPrefix, int steps, int values);

// One unit with every field set and every awkward value: a GBK id, a NUL in
// a reason, NaN and infinity, trailing and late bytes, a step not reached and
// a teardown that timed out; run and unit start at kDetailedStart.
// 2025-03-14T08:26:53.589Z
inline const WallClock::time_point kDetailedStart{std::chrono::milliseconds(1741940813589)};
RunInfo DetailedRun();
UnitResult DetailedUnit();
