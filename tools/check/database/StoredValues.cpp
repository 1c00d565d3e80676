#include "tools/check/database/StoredValues.h"

#include <QDateTime>
#include <QRegularExpression>

#include "tools/check/core/TextEscapes.h"

std::string StoredTime(std::chrono::system_clock::time_point at) {
    const auto ms = std::chrono::floor<std::chrono::milliseconds>(at.time_since_epoch());
    return QDateTime::fromMSecsSinceEpoch(ms.count(), Qt::UTC)
        .toString(Qt::ISODateWithMs)
        .toStdString();
}

std::optional<std::chrono::system_clock::time_point> ReadStoredTime(const std::string& text) {
    static const QRegularExpression form(
        QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$)"));
    const QString qtext = QString::fromStdString(text);
    if (!form.match(qtext).hasMatch()) {
        return std::nullopt;
    }
    const QDateTime time = QDateTime::fromString(qtext, Qt::ISODateWithMs);
    // The clock counts nanoseconds in 64 bits: about 292 years either side
    // of 1970.
    constexpr qint64 kReach = 9'000'000'000'000;
    if (!time.isValid() || time.toMSecsSinceEpoch() <= -kReach ||
        time.toMSecsSinceEpoch() >= kReach) {
        return std::nullopt;
    }
    return std::chrono::system_clock::time_point(
        std::chrono::milliseconds(time.toMSecsSinceEpoch()));
}

std::string StoredText(const std::string& text) {
    std::string out;
    for (char c : ToUtf8(text)) {
        if (c == '\0') {
            out += "\xEF\xBF\xBD";
        } else {
            out += c;
        }
    }
    return out;
}
