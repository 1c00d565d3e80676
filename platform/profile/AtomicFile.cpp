#include "platform/profile/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QString>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>

#include <atomic>
#include <filesystem>

#include "platform/text/Gbk.h"

namespace {

// "/abs/path: Permission denied", in GBK for the message box.
std::string Reason(const std::string& path, int error) {
    std::error_code ec;
    std::filesystem::path shown = std::filesystem::absolute(path, ec);
    if (ec) {
        shown = path;
    }
    const std::string text =
        shown.lexically_normal().string() + ": " + std::generic_category().message(error);
    // The system speaks the locale's encoding.
    return gbk::ToBytes(QString::fromLocal8Bit(text.c_str()));
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A symbolic link is replaced by replacing the file it names.
std::string ResolveLink(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return path;
    }
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// Writes the bytes from the start of the file; false with errno set on failure.
bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Reads to the end; 0, or the system's error.
int ReadAll(int fd, std::string& bytes) {
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, static_cast<size_t>(n));
        } else if (n == 0) {
            return 0;
        } else if (errno != EINTR) {
            return errno;
        }
    }
}

long long Nanoseconds(const timespec& t) {
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

FileStamp StampFrom(const struct stat& st) {
    FileStamp stamp;
    stamp.device = static_cast<unsigned long long>(st.st_dev);
    stamp.inode = static_cast<unsigned long long>(st.st_ino);
    stamp.size = static_cast<long long>(st.st_size);
    stamp.modifiedNs = Nanoseconds(st.st_mtim);
    stamp.changedNs = Nanoseconds(st.st_ctim);
    return stamp;
}

// Opens a new, unique file beside the target; -1 with errno set on failure.
int CreateTemporary(const std::string& target, mode_t mode, std::string& name) {
    static std::atomic<unsigned> counter{0};
    const std::string stem =
        FolderOf(target) + "/." + BaseNameOf(target) + ".tmp-" + std::to_string(getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = stem + std::to_string(counter++);
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

void SyncFolder(const std::string& folder) {
    // The rename itself is on disk only once its folder is; a failure here
    // no longer endangers the data, so it is not reported.
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// Rewrites the file where it is, for a folder that takes no temporary file.
// Space for a longer content is taken before anything is overwritten, so a
// full disk stops the save while the file is still whole; a write that fails
// later all the same puts the old content back.
int OverwriteInPlace(int fd, const std::string& old, const std::string& bytes) {
#ifdef __linux__
    if (bytes.size() > old.size() &&
        fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes.size())) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS) {
        const int error = errno;
        if (ftruncate(fd, static_cast<off_t>(old.size())) != 0) {
            // Only space taken beyond the end stays taken; the content is whole.
        }
        return error;
    }
#endif
    if (WriteAll(fd, bytes) && ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 &&
        fsync(fd) == 0) {
        return 0;
    }
    const int error = errno;
    if (!WriteAll(fd, old) || ftruncate(fd, static_cast<off_t>(old.size())) != 0 ||
        fsync(fd) != 0) {
        return -error;  // the old content is not back either
    }
    return error;
}

// The file could not be replaced because its folder takes no new file.
std::string RewriteInPlace(int fd, const std::string& path, const std::string& bytes,
                           int whyNoTemporary) {
    // Without the old content a failed write could not be undone.
    std::string old;
    if (lseek(fd, 0, SEEK_SET) != 0 || ReadAll(fd, old) != 0) {
        return Reason(path, whyNoTemporary);
    }
    const int error = OverwriteInPlace(fd, old, bytes);
    if (error < 0) {
        return Reason(path, -error) + "\n" + gbk::Text("原内容未能恢复。");
    }
    return error == 0 ? std::string() : Reason(path, error);
}

}  // namespace

bool FileStamp::operator==(const FileStamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modifiedNs == other.modifiedNs && changedNs == other.changedNs;
}

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return StampFrom(st);
}

FileContent ReadWholeFile(const std::string& path) {
    FileContent result;
    // Not blocking: a pipe in the file's place must not hang the program.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) {
            result.status = FileContent::Missing;
        } else {
            result.status = FileContent::Failed;
            result.reason = Reason(path, errno);
        }
        return result;
    }
    struct stat st {};
    int error = 0;
    if (fstat(fd, &st) != 0) {
        error = errno;
    } else if (S_ISDIR(st.st_mode)) {
        error = EISDIR;
    } else if (!S_ISREG(st.st_mode)) {
        error = EINVAL;  // a pipe or a device never ends like a file
    } else {
        result.bytes.reserve(static_cast<size_t>(st.st_size));
        error = ReadAll(fd, result.bytes);
    }
    close(fd);
    if (error != 0) {
        result.status = FileContent::Failed;
        result.bytes.clear();
        result.reason = Reason(path, error);
        return result;
    }
    result.status = FileContent::Read;
    result.stamp = StampFrom(st);
    return result;
}

bool FileHolds(const std::string& path, const std::string& bytes, FileStamp& stamp) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    bool same = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                static_cast<unsigned long long>(st.st_size) == bytes.size();
    stamp = StampFrom(st);
    char buffer[64 * 1024];
    size_t done = 0;
    while (same) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            same = n == 0 && done == bytes.size();
            break;
        }
        const size_t got = static_cast<size_t>(n);
        same = got <= bytes.size() - done && bytes.compare(done, got, buffer, got) == 0;
        done += got;
    }
    close(fd);
    return same;
}

std::string ReplaceFile(const std::string& path, const std::string& bytes) {
    const std::string target = ResolveLink(path);

    struct stat st {};
    const bool exists = stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        return Reason(path, EISDIR);
    }
    // A rename asks only the folder; whether the file may change is for the
    // system to say for this user, so opening it for writing asks it. Read
    // access too, to put the content back should an in-place write fail.
    int existing = -1;
    if (exists && S_ISREG(st.st_mode)) {
        const int flags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
        existing = open(target.c_str(), O_RDWR | flags);
        if (existing < 0 && errno == EACCES) {
            existing = open(target.c_str(), O_WRONLY | flags);
        }
        if (existing < 0) {
            return Reason(path, errno);
        }
    }
    const auto done = [&](std::string reason) {
        if (existing >= 0) {
            close(existing);
        }
        return reason;
    };

    // A new file gets the usual permissions less the umask; an old one keeps its own.
    const mode_t mode = exists ? (st.st_mode & 07777) : 0666;
    std::string temporary;
    const int fd = CreateTemporary(target, mode, temporary);
    if (fd < 0) {
        const int error = errno;
        if (existing >= 0 && (error == EACCES || error == EPERM)) {
            return done(RewriteInPlace(existing, path, bytes, error));
        }
        return done(Reason(path, error));
    }
    const auto fail = [&](int error, bool open) {
        if (open) {
            close(fd);
        }
        unlink(temporary.c_str());
        return done(Reason(path, error));
    };
    if (exists && fchmod(fd, mode) != 0) {
        return fail(errno, true);
    }
    if (!WriteAll(fd, bytes) || fsync(fd) != 0) {
        return fail(errno, true);
    }
    if (close(fd) != 0) {
        return fail(errno, false);
    }
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        return fail(errno, false);
    }
    SyncFolder(FolderOf(target));
    return done(std::string());
}
