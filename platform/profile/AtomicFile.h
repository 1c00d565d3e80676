#pragma once

#include <optional>
#include <string>

// Whole-file reads, and replacing a file so that a failure or a crash leaves
// either the old content or the new one, never a mixture.

// Which file a path named and how it stood: when two stamps of one path are
// equal the file has not been changed in between, as far as the system's
// timestamps can tell (a change within one tick of its clock may keep them).
struct FileStamp {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = 0;
    long long modifiedNs = 0;  // content last written, since the epoch
    long long changedNs = 0;   // content or attributes last changed; cannot be set back
    bool operator==(const FileStamp& other) const;
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

// The stamp of the file path names (a symbolic link is followed); nullopt
// when there is none or it cannot be looked at.
std::optional<FileStamp> StampOf(const std::string& path);

struct FileContent {
    enum Status { Read, Missing, Failed };
    Status status = Missing;
    std::string bytes;   // when Read
    FileStamp stamp;     // when Read: the file the bytes came from, before reading
    std::string reason;  // when Failed: the path and the system's reason, GBK
};

FileContent ReadWholeFile(const std::string& path);

// Whether the file path names holds exactly these bytes, compared piece by
// piece without a copy of the file; its stamp before reading goes to stamp.
bool FileHolds(const std::string& path, const std::string& bytes, FileStamp& stamp);

// Writes the bytes to a new file in the same folder, flushes it to disk and
// renames it over path; an existing file keeps its permissions, and a
// symbolic link is followed to the file it names. An existing file that the
// user may not write is refused, whatever its folder allows. On failure
// nothing is left behind, path is untouched, and the result is the path and
// the system's reason (GBK). Empty on success.
//
// One case is not atomic: a file the user may write in a folder that takes
// no new file is rewritten in place. A write that fails part way then puts
// the old content back before reporting.
std::string ReplaceFile(const std::string& path, const std::string& bytes);
