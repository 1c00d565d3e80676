#include "platform/dialog/DialogUnits.h"

#include <QFontMetrics>
#include <QStringList>

namespace {
int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    // Rounds half away from zero.
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}
}  // namespace

DialogBaseUnits DialogBaseUnits::FromFont(const QFont& font) {
    QFontMetrics metrics(font);
    const int extent =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    DialogBaseUnits units;
    units.x = (extent / 26 + 1) / 2;
    units.y = metrics.height();
    if (units.x <= 0) {
        units.x = 1;
    }
    if (units.y <= 0) {
        units.y = 1;
    }
    return units;
}

int DialogBaseUnits::ToPixelsX(int units) const {
    return MulDiv(units, x, 4);
}

int DialogBaseUnits::ToPixelsY(int units) const {
    return MulDiv(units, y, 8);
}

QRect DialogBaseUnits::ToPixels(int ux, int uy, int ucx, int ucy) const {
    return QRect(ToPixelsX(ux), ToPixelsY(uy), ToPixelsX(ucx), ToPixelsY(ucy));
}

QFont DialogFont(const char* faceUtf8, int pointSize) {
    QFont font;
    QStringList families;
    families << QString::fromUtf8(faceUtf8) << "SimSun"
             << "AR PL UMing CN"
             << "AR PL UMing TW"
             << "AR PL SungtiL GB"
             << "Noto Serif CJK SC"
             << "Noto Sans CJK SC"
             << "WenQuanYi Zen Hei"
             << "Source Han Serif SC";
    font.setFamilies(families);
    font.setPointSize(pointSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setStyleHint(QFont::Serif);
    return font;
}
