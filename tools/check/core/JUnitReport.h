#pragma once

#include <string>
#include <vector>

#include "tools/check/core/UnitResult.h"

// A run as a JUnit XML report, what CI servers read: one test suite for the
// run, one test case per unit and step (teardown steps too), a FAIL or
// TIMEOUT as a failure with its reason and the expected and received bytes.
class JUnitReport {
public:
    void Add(const UnitResult& unit);

    // The whole report. `suite` names the test suite and each case's class:
    // the plan's name, or the program's.
    std::string Xml(const RunInfo& run, const std::string& suite) const;

    // Writes the report whole, replacing the file at once (a temporary file
    // beside it, renamed over it). Empty, or the path and the system's reason.
    std::string Write(const std::string& path, const RunInfo& run, const std::string& suite) const;

private:
    struct Case {
        std::string name;
        double seconds = 0;
        Verdict verdict = Verdict::Undecided;
        std::string reason;
        std::string details;  // expected, received and what came after
    };
    std::vector<Case> cases_;
};
