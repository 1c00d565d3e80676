#include <QApplication>

#include "app/AnalysisApp.h"

int main(int argc, char* argv[]) {
    // Assistive technology finds the controls by their id names; expose them
    // whenever an accessibility bus is there, not only when a screen reader
    // asked first.
    if (qEnvironmentVariableIsEmpty("QT_LINUX_ACCESSIBILITY_ALWAYS_ON")) {
        qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    }
    QApplication application(argc, argv);
    theApp.InitInstance();
    return 0;
}
