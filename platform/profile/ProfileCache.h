#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>

#include "platform/profile/AtomicFile.h"
#include "platform/profile/ProfileFormat.h"

// The last profile file read, kept parsed while it stays unchanged, so that a
// run of reads (a dialog reads twelve values) parses a large file once. The
// file is looked at on every read: another path, another file in its place
// (device and inode), or another size or timestamp reads it again.
//
// Timestamps move by the clock's ticks, on some file systems by seconds, so a
// change soon after the one before may keep the stamp. Until the file's last
// change is settleTime older than the moment it was read, each read compares
// the file's bytes with the kept ones instead (a read, no parse).
class ProfileCache {
public:
    explicit ProfileCache(std::chrono::nanoseconds settleTime = std::chrono::seconds(2));

    // The value as profile::FindValue gives it from the file's content;
    // nullopt when the file is missing or cannot be read.
    std::optional<std::string> FindValue(const std::string& path, const std::string& section,
                                         const std::string& key);

    // Forgets the file; after a write of ours, the next read reads it again.
    void Forget();

private:
    struct Snapshot {
        std::string absolutePath;
        FileStamp stamp;
        bool settled = false;
        profile::ParsedProfile parsed;  // with the bytes, to compare while not settled
    };

    // Makes last_ the file's content; false when it cannot be read. With
    // sameStamp the kept content is compared before anything is read whole.
    bool Refresh(const std::string& path, const std::string& absolutePath, bool sameStamp);

    const std::chrono::nanoseconds settleTime_;
    std::mutex mutex_;
    std::optional<Snapshot> last_;
};
