#pragma once

#include <string>

// A file that whole records are appended to, a batch at a time. POSIX only.
//
// A batch goes to the file in one write(2) where the system takes it whole.
// A regular file takes less only when it cannot grow (a full disk, a quota or
// a size limit): the rest cannot follow, so the part written is cut off again
// and the file ends with the last whole batch. A pipe or a terminal may take
// a batch in parts; the rest follows as it drains, and one that takes nothing
// for kStallMs fails the log rather than keep a writer waiting for ever.
class LogFile {
public:
    static constexpr int kStallMs = 5000;

    LogFile() = default;
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Opens the file for appending, creating it. Empty on success, else one
    // line: the path and the system's reason. A FIFO without a reader is
    // refused rather than waited for.
    std::string Open(const std::string& path);

    // Appends a batch of whole records. Empty on success, else one line
    // saying why nothing more can be written.
    std::string Append(const std::string& records);

    const std::string& path() const { return path_; }

private:
    std::string Failure(const std::string& what, int error) const;
    // Cuts a batch that went in part off a regular file again.
    void CutPartialBatch(long long start, size_t written);

    int fd_ = -1;
    bool regular_ = false;
    std::string path_;
};
