#pragma once

// A unit's outcome. The judge of the received bytes decides PASS or FAIL; the
// runner turns a unit still undecided when its time is up into TIMEOUT.
enum class Verdict { Undecided, Pass, Fail, Timeout };

// "PASS", "FAIL" or "TIMEOUT" as the log and the unit line spell it; empty
// for Undecided.
inline const char* VerdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::Pass:
            return "PASS";
        case Verdict::Fail:
            return "FAIL";
        case Verdict::Timeout:
            return "TIMEOUT";
        case Verdict::Undecided:
            break;
    }
    return "";
}
