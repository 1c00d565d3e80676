#pragma once

#include <QRegularExpression>
#include <optional>
#include <string>
#include <vector>

#include "serial/CommSettings.h"
#include "tools/check/core/CheckOptions.h"
#include "tools/check/core/StepRules.h"
#include "tools/check/core/UnitResult.h"

// Everything a run needs, worked out before any port is opened: where each
// unit runs, the line's settings, the steps each unit runs and what the
// records say about the run.

// A fixture position and its port.
struct SlotPort {
    std::string name;  // "A1"; empty for the one port of a run without slots
    std::string port;  // a device path, or COM1 to COM4
    int comPort = 0;   // 1 to 4 for COMn, else 0
};

struct CheckPlan {
    CheckOptions options;                // as parsed, the plan's port and settings filled in
    CommSettings lineSettings;           // options.settings, parsed
    std::string libraryPath;             // the library file read, as the profile functions take it
    std::vector<SlotPort> fixtureSlots;  // at least one
    std::vector<Step> steps;             // a command-line check has one
    std::vector<Step> teardown;
    bool fromPlan = false;                     // the steps came from a plan file
    RunInfo run;                               // the plan's name, version and hash; the station
    std::optional<QRegularExpression> unitId;  // ids must match it, whole
    std::string unitIdText;                    // as the plan gives it
};

struct ResolvedCheckPlan {
    std::optional<CheckPlan> plan;
    std::string error;  // when there is no plan: one line, without the program's name
};

// Reads the plan file (--plan) or takes the command line's one step, reads
// the data library entries the steps name (from options.libraryPath, else the
// plan's library, else the dialog's ".\Quorvix.ini") and resolves each step
// (ResolveStep). `terminal` says whether an operator can answer prompts.
ResolvedCheckPlan ResolveCheckPlan(const CheckOptions& options, bool terminal = false);

// The names of the values the records have a column for, in the plan's
// order, each once.
std::vector<std::string> PlanValueNames(const CheckPlan& plan);
