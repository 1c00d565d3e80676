#pragma once

#include <QFont>
#include <QRect>

// Dialog units are fractions of the dialog font: a horizontal unit is a quarter
// of its average character width (over A-Z and a-z), a vertical unit an eighth
// of its height.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;

    static DialogBaseUnits FromFont(const QFont& font);
    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    QRect ToPixels(int x, int y, int cx, int cy) const;
};

// The dialog font: a Song-style CJK face standing in for the named face, with
// fallbacks, at the given point size.
QFont DialogFont(const char* faceUtf8, int pointSize);
