#pragma once

#include <functional>
#include <string>

#include "tools/check/database/DatabaseTarget.h"
#include "tools/check/database/PendingRecord.h"

// The local file that keeps what could not be written to a results database
// (a server gone, a full disk), one JSON line per record (PendingRecord.h),
// until the next program that opens the same database sends it. One file per
// database, in $XDG_STATE_HOME/tessaline/ (default ~/.local/state/tessaline/),
// private to the user. Programs that share the file take turns through a
// lock file beside it.
class PendingFile {
public:
    // The file kept for `target`, named after its Name().
    static std::string PathFor(const DatabaseTarget& target);

    explicit PendingFile(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }

    // Appends one record and flushes it to the disk. Empty on success, else
    // one line; the file then ends as it did before.
    std::string Append(const PendingRecord& record);

    struct Outcome {
        int sent = 0;        // records that went in and left the file
        int kept = 0;        // records still in the file
        int unreadable = 0;  // lines that are no record, left in the file
        std::string error;   // why sending stopped, or why the file failed
    };

    // Sends every record, oldest first, through `send` (true: it went in;
    // else it says why in its error). The first failure stops the sending:
    // that record and the rest stay. The file then holds what stayed, or is
    // removed when nothing did.
    using Send = std::function<bool(const PendingRecord& record, std::string& error)>;
    Outcome SendAll(const Send& send);

private:
    std::string path_;
};
