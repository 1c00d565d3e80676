#include "platform/profile/ProfileCache.h"

#include <filesystem>
#include <system_error>

namespace {

long long NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// A relative name names another file after a change of the current directory.
std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? std::string() : absolute.lexically_normal().string();
}

}  // namespace

ProfileCache::ProfileCache(std::chrono::nanoseconds settleTime) : settleTime_(settleTime) {}

std::optional<std::string> ProfileCache::FindValue(const std::string& path,
                                                   const std::string& section,
                                                   const std::string& key) {
    const std::string absolutePath = AbsolutePath(path);
    std::lock_guard<std::mutex> lock(mutex_);
    const std::optional<FileStamp> stamp = StampOf(path);
    const bool sameStamp = stamp && last_ && !absolutePath.empty() &&
                           last_->absolutePath == absolutePath && last_->stamp == *stamp;
    if (!(sameStamp && last_->settled) && !Refresh(path, absolutePath, sameStamp)) {
        return std::nullopt;
    }
    return last_->parsed.FindValue(section, key);
}

void ProfileCache::Forget() {
    std::lock_guard<std::mutex> lock(mutex_);
    last_.reset();
}

bool ProfileCache::Refresh(const std::string& path, const std::string& absolutePath,
                           bool sameStamp) {
    // Taken before the read: a change after it gets a later timestamp.
    const long long readAt = NowNs();
    const auto settled = [&](const FileStamp& stamp) {
        return stamp.changedNs + settleTime_.count() < readAt;
    };
    FileStamp stamp;
    if (sameStamp && FileHolds(path, last_->parsed.content(), stamp)) {
        last_->stamp = stamp;
        last_->settled = settled(stamp);
        return true;
    }
    FileContent file = ReadWholeFile(path);
    if (file.status != FileContent::Read) {
        last_.reset();
        return false;
    }
    if (last_ && last_->absolutePath == absolutePath && last_->parsed.content() == file.bytes) {
        // Only the stamp is new: the file was touched or written unchanged.
        last_->stamp = file.stamp;
        last_->settled = settled(file.stamp);
        return true;
    }
    last_.emplace(Snapshot{absolutePath, file.stamp, settled(file.stamp),
                           profile::ParsedProfile(std::move(file.bytes))});
    return true;
}
