#include "res/Templates.h"

QIcon LoadAppIcon() {
    Q_INIT_RESOURCE(res);
    QIcon icon;
    icon.addFile(QStringLiteral(":/res/icon128_32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/res/icon128_16.png"), QSize(16, 16));
    return icon;
}
