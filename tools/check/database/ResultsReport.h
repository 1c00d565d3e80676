#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/check/core/UnitResult.h"

class DatabaseConnection;

// What --report prints: the rows of the step-yield and first-pass-yield
// queries (ReportQueries.h) since a time.
struct ResultsReport {
    struct StepYield {
        std::string plan;
        bool teardown = false;
        std::string step;
        long long ran = 0;
        long long passed = 0;
        long long failed = 0;
        long long timedOut = 0;
        double yieldPercent = 0;
    };
    struct StationYield {
        std::string station;
        long long units = 0;
        long long passed = 0;
        double yieldPercent = 0;
    };

    WallClock::time_point since;
    std::vector<StepYield> steps;
    std::vector<StationYield> stations;
};

// Runs both queries. Empty on success, else one line.
std::string LoadResultsReport(DatabaseConnection& connection, WallClock::time_point since,
                              ResultsReport& report);

// Both tables as plain text, columns aligned, each under a title line that
// gives the period's start.
std::string FormatResultsReport(const ResultsReport& report);

// --since: "2025-03-14", "2025-03-14T08:00", "2025-03-14 08:00:30" in local
// time, or with "Z" or an offset ("+01:00"). Nothing for any other text.
std::optional<WallClock::time_point> ParseReportSince(const std::string& text);
