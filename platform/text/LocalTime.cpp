#include "platform/text/LocalTime.h"

#include <QDateTime>
#include <cstdio>
#include <cstdlib>

std::string LocalIsoTime(std::chrono::system_clock::time_point at) {
    using namespace std::chrono;
    const qint64 ms = duration_cast<milliseconds>(at.time_since_epoch()).count();
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms).toLocalTime();
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    return local.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")).toStdString() + zone;
}
