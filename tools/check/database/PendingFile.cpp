#include "tools/check/database/PendingFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSaveFile>
#include <vector>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

constexpr int kLockWaitMs = 30000;
constexpr QFile::Permissions kPrivateFile = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions kPrivateFolder =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

QString StateFolder() {
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    const QString base =
        QDir::isAbsolutePath(state) ? state : QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(base + QStringLiteral("/tessaline"));
}

// Creates the file's folder, private to the user, when it is missing.
std::string MakeFolder(const QString& file) {
    const QString folder = QFileInfo(file).absolutePath();
    QDir dir;
    if (dir.exists(folder)) {
        return {};
    }
    if (!dir.mkpath(QFileInfo(folder).absolutePath()) || !dir.mkdir(folder, kPrivateFolder)) {
        if (!dir.exists(folder)) {  // another program may have made it meanwhile
            return "cannot create the folder " + folder.toStdString();
        }
    }
    return {};
}

// Holds the lock file beside the pending file while it lives.
class Turn {
public:
    explicit Turn(const std::string& path)
        : lock_(QString::fromStdString(path) + QStringLiteral(".lock")) {}

    std::string Take() {
        if (lock_.tryLock(kLockWaitMs)) {
            return {};
        }
        return lock_.error() == QLockFile::LockFailedError
                   ? "another program held " + lock_.fileName().toStdString() + " for " +
                         std::to_string(kLockWaitMs / 1000) + " s"
                   : "cannot create " + lock_.fileName().toStdString();
    }

private:
    QLockFile lock_;
};

bool SyncToDisk(QFile& file) {
    if (!file.flush()) {
        return false;
    }
#ifdef Q_OS_UNIX
    return fsync(file.handle()) == 0;
#else
    return true;
#endif
}

std::vector<std::string> Lines(const QByteArray& bytes) {
    std::vector<std::string> lines;
    for (const QByteArray& line : bytes.split('\n')) {
        if (!line.trimmed().isEmpty()) {
            lines.push_back(line.toStdString());
        }
    }
    return lines;
}

}  // namespace

std::string PendingFile::PathFor(const DatabaseTarget& target) {
    const std::string name = target.Name();
    std::string readable;
    for (char c : name.substr(0, 80)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-';
        readable += plain ? c : '_';
    }
    // The digest tells apart names that read alike once shortened or cleaned.
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray::fromStdString(name), QCryptographicHash::Sha256)
            .toHex()
            .left(12);
    const char* kind = target.kind == DatabaseTarget::Kind::Sqlite ? "sqlite" : "postgresql";
    return (StateFolder() + QStringLiteral("/pending-%1-%2-%3.jsonl")
                                .arg(QLatin1String(kind), QString::fromStdString(readable),
                                     QString::fromLatin1(digest)))
        .toStdString();
}

std::string PendingFile::Append(const PendingRecord& record) {
    const QString path = QString::fromStdString(path_);
    std::string error = MakeFolder(path);
    Turn turn(path_);
    if (error.empty()) {
        error = turn.Take();
    }
    if (!error.empty()) {
        return path_ + ": " + error;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite, kPrivateFile)) {
        return path_ + ": " + file.errorString().toStdString();
    }
    const qint64 size = file.size();
    std::string bytes = EncodePendingRecord(record);
    // A line that a crash cut short stays apart from this record.
    if (size > 0 && file.seek(size - 1) && file.read(1) != "\n") {
        bytes.insert(bytes.begin(), '\n');
    }
    if (!file.seek(size) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !SyncToDisk(file)) {
        const std::string reason = file.errorString().toStdString();
        file.resize(size);
        return path_ + ": " + reason;
    }
    return {};
}

PendingFile::Outcome PendingFile::SendAll(const Send& send) {
    Outcome outcome;
    const QString path = QString::fromStdString(path_);
    if (!QFile::exists(path)) {
        return outcome;
    }
    Turn turn(path_);
    if (const std::string error = turn.Take(); !error.empty()) {
        outcome.error = path_ + ": " + error;
        return outcome;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        // Gone since the check: another program sent it.
        outcome.error = file.exists() ? path_ + ": " + file.errorString().toStdString() : "";
        return outcome;
    }
    const std::vector<std::string> lines = Lines(file.readAll());
    file.close();

    std::string stays;
    for (const std::string& line : lines) {
        const auto record = DecodePendingRecord(line);
        if (!record) {
            ++outcome.unreadable;
        } else if (std::string failure; outcome.error.empty() && send(*record, failure)) {
            ++outcome.sent;
            continue;
        } else {
            if (outcome.error.empty()) {
                outcome.error = failure.empty() ? "a record was not sent" : failure;
            }
            ++outcome.kept;
        }
        stays += line + "\n";
    }
    if (outcome.sent == 0) {
        return outcome;  // the file stays as it was
    }
    if (stays.empty()) {
        if (!QFile::remove(path)) {
            outcome.error = path_ + ": cannot remove it after sending its records";
        }
        return outcome;
    }
    QSaveFile rest(path);
    if (!rest.open(QIODevice::WriteOnly) ||
        rest.write(stays.data(), static_cast<qint64>(stays.size())) !=
            static_cast<qint64>(stays.size()) ||
        !rest.commit()) {
        outcome.error = path_ + ": " + rest.errorString().toStdString();
    }
    return outcome;
}
