#pragma once

#include <QByteArray>
#include <cstdio>

#include "platform/dialog/MessageBox.h"
#include "serial/CommControlSite.h"

// Benchmarks that run the analysis window do so offscreen; call before the
// QApplication is made.
inline void UseOffscreenWindows() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

// After the QApplication: the window can host its serial control, and a
// message box is printed rather than waiting for a click.
inline void PrepareWindowBench() {
    RegisterSerialControl();
    SetMessageBoxHook(
        [](const MessageRecord& r) { std::fprintf(stderr, "message box: %s\n", r.text.c_str()); });
}
