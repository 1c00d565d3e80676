#include "tools/check/core/Verdict.h"

const char* VerdictName(Verdict verdict) {
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
