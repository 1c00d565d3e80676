// tessaline-check: the analysis window's verdict from a script, unit after
// unit, with exit codes and a results log. No display needed.
#include <QCoreApplication>
#include <string>
#include <vector>

#include "tools/check/CheckProgram.h"

int main(int argc, char** argv) {
    // The arguments as the shell passed them, before Qt sees any.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    QCoreApplication app(argc, argv);
    return RunCheckProgram(arguments);
}
