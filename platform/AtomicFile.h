#pragma once

#include <string>

// Whole-file reads, and replacing a file so that a failure or a crash leaves
// either the old content or the new one, never a mixture.

struct FileContent {
    enum Status { Read, Missing, Failed };
    Status status = Missing;
    std::string bytes;   // when Read
    std::string reason;  // when Failed: the path and the system's reason, GBK
};

FileContent ReadWholeFile(const std::string& path);

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
