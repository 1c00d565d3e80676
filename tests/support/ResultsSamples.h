#pragma once

#include <string>

#include "tools/check/core/UnitResult.h"

// Runs and units for the database tests and their writer program.

// 2025-03-14T08:00:00.000Z
inline const WallClock::time_point kSampleStart{std::chrono::milliseconds(1741939200000)};

// Plan "P" version 1 on station STATION, started at kSampleStart.
RunInfo SampleRun(const std::string& station);

// Unit NUMBER with id ID, started SECONDS after kSampleStart: a step "s1",
// "s2", ... per letter of VERDICTS (P pass, F fail, T timeout, - not
// reached), each that ran sending 01 03, receiving AA and reading VALUES
// values "v1", "v2", ... of 1.5 V within 1 to 2; then a teardown step
// "sleep" that passes. The first step that fails or times out decides.
UnitResult SampleUnit(long long number, const std::string& id, const std::string& verdicts,
                      int values, int seconds, int retest = 1);

// One unit with every field set and every awkward value: a GBK id, a NUL in
// a reason, NaN and infinity, trailing and late bytes, a step not reached and
// a teardown that timed out; run and unit start at kDetailedStart,
// 2025-03-14T08:26:53.589Z.
inline const WallClock::time_point kDetailedStart{std::chrono::milliseconds(1741940813589)};
RunInfo DetailedRun();
UnitResult DetailedUnit();
