#pragma once

#include <functional>
#include <string>

#include "tools/check/core/UnitIds.h"

class StopSignals;

// The units of a run with --ids-from-stdin: one per line of standard input.
// Lines are read on the event loop, so that a stop request while the program
// waits for one is seen at once. On a terminal each line is asked for with
// the prompt, on standard error so that standard output keeps only results.
class UnitIdSource {
public:
    enum class Result { Unit, End, Stopped };

    UnitIdSource(int fd, bool prompt, StopSignals& stop);

    // Refuses ids for which `check` gives a reason (a plan's unit_id): the
    // unit does not run, and on a terminal the operator is asked again.
    void SetIdCheck(std::function<std::string(const std::string& id)> check) {
        check_ = std::move(check);
    }

    // The next unit's id (an empty line repeats the last), the end of input,
    // or a stop request.
    Result Next(std::string& id);

    // The id of the unit in one slot of a round ("A1 unit id:" on a
    // terminal); an empty line gives an empty id, which leaves the slot out.
    Result NextSlotId(const std::string& slot, std::string& id);

    // Shows `text` on a terminal and waits for a line (Enter); false at the
    // end of input or on a stop request.
    bool Ask(const std::string& text);

    // Whether the prompt waits on its line for an answer.
    bool prompting() const { return prompted_; }

    // Lines refused as ids (too long, or refused by the check) and so units never tested, each said
    // on standard error at once. On a terminal none: the operator is asked
    // again instead.
    int skipped() const { return skipped_; }

private:
    // An id from the next line; `repeatLast`: an empty line repeats the
    // last id, else it gives an empty one.
    Result NextId(const std::string& prompt, bool repeatLast, std::string& id);
    Result NextLine(const std::string& prompt, std::string& text);
    // Waits until the input has something to read or a stop request came;
    // false on a stop request.
    bool WaitForInput();
    void ReadSome();
    void Refuse(const std::string& why);

    int fd_;
    bool prompt_;
    StopSignals& stop_;
    InputLines lines_;
    std::string lastId_;
    bool ended_ = false;
    bool prompted_ = false;
    int skipped_ = 0;
    std::function<std::string(const std::string&)> check_;
};
