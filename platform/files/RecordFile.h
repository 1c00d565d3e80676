#pragma once

#include <string>

// A file that whole records are appended to, for the logs. POSIX only.
//
// A batch of records goes to the file in one write(2) where the system takes
// it whole, on a descriptor opened with O_APPEND, so that two programs
// appending to one file never mix inside a batch. A regular file takes less
// only when it cannot grow (a full disk, a quota or a size limit): the rest
// cannot follow, so the part written is cut off again and the file ends with
// the last whole batch. A pipe or a terminal may take a batch in parts; the
// rest follows as it drains, and one that takes nothing for kStallMs fails
// rather than keep the writer waiting for ever.
//
// Appends to a regular file hold an exclusive flock(2) from finding the file's
// end to the cut-back, so that another program's append cannot slip in between
// and leave half a record behind. Append releases it again: a caller that
// holds the lock itself (on this descriptor) holds it only until then. A lock
// that another holder keeps for kStallMs fails the append with ETIMEDOUT.
//
// Failures are the system's error numbers (0: none), for the caller to word.
class RecordFile {
public:
    static constexpr int kStallMs = 5000;

    RecordFile() = default;
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // Opens the file for appending, creating it. A FIFO without a reader is
    // refused (ENXIO) rather than waited for.
    int Open(const std::string& path);

    // Appends to a descriptor someone else opened and keeps open (standard
    // output), as to an opened file; it is not closed here.
    int Adopt(int fd);

    // Appends a batch of whole records. ETIMEDOUT: a pipe took nothing, or
    // another writer kept the file locked, for kStallMs.
    int Append(const std::string& records);

    void Close();

    // For locking the file or reading its size; -1 while not open.
    int handle() const { return fd_; }

private:
    // Takes the file's lock, waiting up to kStallMs: 0, ETIMEDOUT when another
    // held it all that time, or the error of a file system without locks.
    int Lock();
    // Writes the whole batch; `start` is where it began in a regular file.
    int Write(const std::string& records, long long start);
    // Cuts a batch that went in part off a regular file again.
    void CutPartialBatch(long long start, size_t written);

    int fd_ = -1;
    bool owned_ = true;
    bool regular_ = false;
};
