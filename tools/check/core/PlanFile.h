#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/check/core/AnswerPattern.h"
#include "tools/check/core/CheckOptions.h"
#include "tools/check/core/StepOptions.h"

// A test plan: a TOML file that names the port and the steps of one unit's
// test. Loading checks everything that needs no port and no data library
// (keys, types, ranges, what goes together); ResolveStep then checks what the
// steps say, and its messages point into the plan through each value's origin,
// "s3.toml:12:9: send_hex".

// One position of a fixture: its own unit on its own port.
struct SlotOption {
    std::string name;         // not empty, no blanks or control characters
    Given<std::string> path;  // the port
};

struct PlanFile {
    std::string path;    // as given
    std::string sha256;  // of the file's bytes, lower-case hex

    // [plan]
    std::string name;
    std::string version;                         // a whole number is kept as its digits
    std::optional<Given<std::string>> unitId;    // a pattern the whole id must match
    std::optional<AnswerPattern> unitIdPattern;  // unitId, compiled
    std::string library;  // a data library file beside the plan, resolved; empty: none given

    // [port]: what the command line's --port, --settings and --flow replace.
    std::optional<Given<std::string>> portPath;
    std::optional<Given<std::string>> settings;  // checked as --settings is
    std::optional<FlowControl> flow;

    // [[step]] and [[teardown]], [defaults] applied.
    std::vector<StepOptions> steps;
    std::vector<StepOptions> teardown;

    std::vector<SlotOption> fixtureSlots;  // [[slot]], in order ("slots" is a Qt keyword)
};

// The plan in the file at `path` (as the operator gave it, which messages
// show), or nothing with `error` set to one line: the file's name, then the
// line and column of the value at fault (or of the table or key where one is
// missing) when the fault is in its text.
std::optional<PlanFile> LoadPlanFile(const std::string& path, std::string& error);

// The same for a plan's text, named `shownPath` (a data library beside it is
// looked for in that path's folder).
std::optional<PlanFile> LoadPlanText(const std::string& text, const std::string& shownPath,
                                     std::string& error);
