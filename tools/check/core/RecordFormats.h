#pragma once

#include <map>
#include <string>
#include <vector>

#include "tools/check/core/UnitResult.h"

// The records of the results log and --json: one per unit.

// What every record of a run shares.
struct RecordLayout {
    std::string port;      // as the run opened it; with slots, each slot's below
    std::string settings;  // "9600,n,8,1"
    std::map<std::string, std::string> slotPorts;  // by slot name, when there are slots
    // The values' columns, in order: one per field, measure and capture.
    std::vector<std::string> valueNames;
    // A plan's run: which plan, where, and the steps of each unit.
    bool plan = false;
    RunInfo run;
};

// The CSV header line and one record, RFC 4180 (CsvField), every line ending
// with CRLF. The columns: time, port, settings, sent, received, expected,
// verdict, ms, unit, id, trailing, late, then with slots slot, then for a
// plan failed_step, then reason, then one per value. The one-step columns come from the step that
// decided the unit (DecidingStep).
std::string CsvHeader(const RecordLayout& layout);
std::string FormatCsvRecord(const RecordLayout& layout, const UnitResult& unit);

// One JSON object on one line, ending with LF: the columns' keys in the same
// order, ms and unit as numbers, then "values" (numbers, or texts for
// captures and values that were no number) and "limits" ({"vbat": {"low":
// 3.0, "high": 4.2, "unit": "V"}}). A plan's record goes on with "retest",
// "plan" ({"name", "version", "sha256"}), "station", "start", "steps" and
// "teardown" (each step: name, attempts, sent, received, trailing, late,
// verdict, reason, ms, values). Valid UTF-8 (ToUtf8), escaped as JSON asks.
std::string FormatJsonRecord(const RecordLayout& layout, const UnitResult& unit);
