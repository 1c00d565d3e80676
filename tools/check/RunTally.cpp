#include "tools/check/RunTally.h"

#include <algorithm>
#include <cmath>

#include "tools/check/OutputText.h"

void RunTally::Add(Verdict verdict, double ms) {
    switch (verdict) {
        case Verdict::Pass:
            ++passed_;
            break;
        case Verdict::Fail:
            ++failed_;
            break;
        case Verdict::Timeout:
        case Verdict::Undecided:
            ++timedOut_;
            break;
    }
    unitMs_.push_back(ms);
}

std::string RunTally::SummaryLine() const {
    std::string line = std::to_string(passed_) + " passed, " + std::to_string(failed_) +
                       " failed, " + std::to_string(timedOut_) + " timed out";
    if (unitMs_.empty()) {
        return line + "; no unit ran";
    }
    double rate = std::round(1000.0 * passed_ / total()) / 10;
    if (rate >= 100 && passed_ < total()) {
        rate = 99.9;
    } else if (rate <= 0 && passed_ > 0) {
        rate = 0.1;
    }
    std::vector<double> sorted = unitMs_;
    std::sort(sorted.begin(), sorted.end());
    const size_t middle = sorted.size() / 2;
    const double median =
        sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    return line + "; pass rate " + FormatOneDecimal(rate) + "%; fastest " +
           FormatMs(sorted.front()) + " ms, median " + FormatMs(median) + " ms, slowest " +
           FormatMs(sorted.back()) + " ms";
}

int RunTally::ExitCode(bool interrupted) const {
    if (total() == 0) {
        return interrupted ? kExitInterrupted : kExitNoUnit;
    }
    if (failed_ > 0) {
        return kExitSomeFailed;
    }
    if (timedOut_ > 0) {
        return kExitSomeTimedOut;
    }
    return kExitAllPassed;
}
