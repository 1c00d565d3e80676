#pragma once

#include <string>

#include <vector>

#include "send/HexText.h"
#include "tools/check/core/StepRules.h"
#include "tools/check/core/UnitResult.h"
#include "tools/check/core/Verdict.h"

class CommControl;
class StopSignals;

// What one attempt of a step came to.
struct StepOutcome {
    Verdict verdict = Verdict::Undecided;
    std::string reason;    // the judge's: empty for PASS
    bool givenUp = false;  // a second stop request came before the verdict
    ByteArray sent;
    ByteArray received;  // up to the deciding byte; all that came for a TIMEOUT
    ByteArray trailing;  // after the verdict, until the line was quiet
    ByteArray late;      // after a TIMEOUT, within one more timeout
    double ms = 0;       // from the send to the verdict
    std::vector<RecordedValue> values;
    std::string portLost;  // the device went away: the control's message; the run stops
};

// One attempt of a step on the open port. What waits to be read is discarded
// first, then the request goes out and each byte is judged (AnswerJudge) the
// moment the control reports it (OnComm, threshold 1), until the verdict or
// the timeout; a pattern that ends on a quiet line is judged once the line
// has been quiet for its idle time.
//
// Bytes belong to the unit whose request they answer, or to none: after a
// PASS or FAIL the unit lasts until the line has been quiet for the settle
// time (at most one timeout and the settle time more, for a device that never
// pauses), and what comes meanwhile, the rest of the deciding read included,
// is its `trailing` part, never judged. After a TIMEOUT it listens up to one
// more timeout: an answer then is its `late` part, and the line must again be
// quiet before the unit ends. So the next unit's request never meets the tail
// of this one's answer.
//
// The first stop request lets the unit come to its verdict and skips the
// wait for quiet; a second gives the unit up. A device that goes away ends
// the unit at once (TIMEOUT when it was undecided) with `portLost` set. Other
// port failures throw the control's CommError.
StepOutcome ExchangeStep(CommControl& control, const Step& step, StopSignals& stop);
