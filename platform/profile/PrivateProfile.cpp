#include "platform/profile/PrivateProfile.h"

#include <algorithm>
#include <optional>

#include "platform/profile/AtomicFile.h"
#include "platform/profile/ProfileCache.h"
#include "platform/profile/ProfileFormat.h"

namespace {

std::string LocalPath(std::string fileName) {
    std::replace(fileName.begin(), fileName.end(), '\\', '/');
    return fileName;
}

// The last file read stays parsed for the reads that follow.
ProfileCache& LastProfile() {
    static ProfileCache cache;
    return cache;
}

ProfileWriteResult Failure(std::string reason) {
    return ProfileWriteResult{false, std::move(reason)};
}

}  // namespace

std::string GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                     const std::string& defaultValue, const std::string& fileName) {
    std::optional<std::string> value = LastProfile().FindValue(LocalPath(fileName), section, key);
    return value ? *value : defaultValue;
}

FileContent ReadProfileFile(const std::string& fileName) {
    return ReadWholeFile(LocalPath(fileName));
}

std::string WhyProfileWriteRefused(const std::string& section, const std::string& key,
                                   const std::string& value) {
    return profile::WhyUnstorable(section, key, value);
}

ProfileWriteResult WritePrivateProfileStringA(const std::string& section, const std::string& key,
                                              const std::string& value,
                                              const std::string& fileName) {
    if (std::string why = profile::WhyUnstorable(section, key, value); !why.empty()) {
        return Failure(std::move(why));
    }
    const std::string path = LocalPath(fileName);
    const FileContent file = ReadWholeFile(path);
    if (file.status == FileContent::Failed) {
        // Writing without the old content would lose the other entries.
        return Failure(file.reason);
    }
    const std::string updated = profile::SetValue(file.bytes, section, key, value);
    if (file.status == FileContent::Read && updated == file.bytes) {
        return ProfileWriteResult{};
    }
    std::string why = ReplaceFile(path, updated);
    LastProfile().Forget();
    if (!why.empty()) {
        return Failure(std::move(why));
    }
    return ProfileWriteResult{};
}
