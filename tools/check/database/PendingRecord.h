#pragma once

#include <optional>
#include <string>

#include "tools/check/core/UnitResult.h"

// A run as the database knows it: its key (a UUID the writer makes) and what
// the run says about itself.
struct StoredRun {
    std::string uuid;
    RunInfo info;
};

// A unit with the key its rows go in under. The same key on a second try
// lets the writer see that the unit went in already.
struct StoredUnit {
    std::string uuid;
    UnitResult result;
};

// What did not reach the database: a unit with its run, or only a run (to
// record its end).
struct PendingRecord {
    StoredRun run;
    std::optional<StoredUnit> unit;
};

// One record as one JSON line ending in LF, and back. Everything the database
// holds survives the trip: texts as the database stores them (StoredText),
// times to the millisecond, bytes as hex pairs, numbers exact (a number that
// is not finite as "NaN", "Infinity" or "-Infinity").
//
// {"pending":1,
//  "run":{"uuid","plan_name","plan_version","plan_sha256","station","start","end"?},
//  "unit":{"uuid","number","id","slot","retest","verdict","reason","failed_step",
//          "start","end","ms","steps":[STEP...],"teardown":[STEP...]}?}
// STEP: {"name","attempts","sent","received","trailing","late","verdict",
//        "reason","start","ms","values":[{"name","number"?,"text","unit",
//        "low"?,"high"?,"judged"}]}
std::string EncodePendingRecord(const PendingRecord& record);
// Nothing for a line that is not such a record.
std::optional<PendingRecord> DecodePendingRecord(const std::string& line);
