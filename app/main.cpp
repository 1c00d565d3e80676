#include <QApplication>

#include "app/AnalysisApp.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    theApp.InitInstance();
    return 0;
}
