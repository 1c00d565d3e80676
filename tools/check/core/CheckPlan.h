#pragma once

#include <optional>
#include <string>
#include <vector>

#include "serial/CommSettings.h"
#include "tools/check/core/CheckOptions.h"
#include "tools/check/core/StepRules.h"

// Everything a run needs, worked out before the port is opened: the line's
// settings and the steps each unit runs.
struct CheckPlan {
    CheckOptions options;       // as parsed; port, units and output come from here
    CommSettings lineSettings;  // options.settings, parsed
    std::string libraryPath;    // the library file read, as the profile functions take it
    std::vector<Step> steps;    // a command-line check has one
};

struct ResolvedCheckPlan {
    std::optional<CheckPlan> plan;
    std::string error;  // when there is no plan: one line, without the program's name
};

// Reads the data library entries the options name (from options.libraryPath,
// else the dialog's ".\Quorvix.ini") and resolves the step (ResolveStep).
ResolvedCheckPlan ResolveCheckPlan(const CheckOptions& options);
