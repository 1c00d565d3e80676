#pragma once

#include "send/HexText.h"
#include "tools/check/CheckPlan.h"
#include "tools/check/core/Verdict.h"

class CommControl;
class StopSignals;

// What one unit came to.
struct UnitOutcome {
    Verdict verdict = Verdict::Undecided;  // Undecided: given up on a second stop request
    ByteArray received;                    // up to the deciding byte; all that came for a TIMEOUT
    double ms = 0;                         // from the send to the verdict
};

// One unit on the open port. What waits to be read is discarded first: bytes
// after the last verdict or between units belong to no unit. Then the request
// goes out and each byte is judged the moment the control reports it (OnComm,
// threshold 1), until the verdict or the timeout; bytes read with the deciding
// one but after it are dropped. The first stop request lets the unit finish,
// a second gives it up. A port that fails throws the control's CommError.
UnitOutcome ExchangeUnit(CommControl& control, const CheckPlan& plan, StopSignals& stop);
