#pragma once

#include <string>

#include "platform/profile/AtomicFile.h"

// Our private-profile functions: one value of an INI-style profile file by
// section and key (see ProfileFormat.h for the format). The file name is taken
// as the platform takes it: a backslash separates folders, and a relative name
// is looked up in the current directory at the time of each call.

// What a write did; a failure carries the reason to show (GBK).
struct ProfileWriteResult {
    bool ok = true;
    std::string reason;
    explicit operator bool() const { return ok; }
};

// The value of key in section, read whole. The default when the file, the
// section or the key is missing, or the file cannot be read. The last file
// read is kept parsed while it stays unchanged (see ProfileCache.h).
std::string GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                     const std::string& defaultValue, const std::string& fileName);

// The profile file as the functions above read it, the name taken as they
// take it: for telling a missing or unreadable file from a missing value.
FileContent ReadProfileFile(const std::string& fileName);

// Sets key in section to value, creating the file, the section or the key as
// needed; every other line of the file is kept byte for byte. The file is
// replaced as a whole (see ReplaceFile in AtomicFile.h), so a failure leaves
// it as it was; a file the user may not write is refused. A text that cannot
// be stored on one line (CR, LF or NUL) is refused.
ProfileWriteResult WritePrivateProfileStringA(const std::string& section, const std::string& key,
                                              const std::string& value,
                                              const std::string& fileName);

// Why a write of these texts would be refused before touching the file (GBK);
// empty when it would not.
std::string WhyProfileWriteRefused(const std::string& section, const std::string& key,
                                   const std::string& value);
