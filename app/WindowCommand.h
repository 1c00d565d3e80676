#pragma once

#include <string>
#include <vector>

#include "serial/PortMapping.h"

// The window program's command line. Parsing needs no display and no
// application object, so that --help, --version, --list-ports and a wrong
// line are answered before any window could be made. Qt's own options for
// windows (-platform, -style, -display, ...) are accepted and left to Qt.
struct WindowCommand {
    enum class Action { StartWindow, ShowHelp, ShowHelpAll, ShowVersion, ListPorts, UsageError };

    Action action = Action::StartWindow;
    std::vector<PortMapping> mappings;  // --port, in the order given
    std::string logPath;                // --log; empty: no log
    std::vector<int> baudRates;         // --baud-rates, in order; empty: the usual list
    std::string error;                  // UsageError: one line, without the program's name
};

// Exit code of a wrong command line.
constexpr int kUsageExitCode = 2;

// Parses the arguments after the program's name, taken as the bytes the shell
// passed. As Qt's own parser does: a wrong option first, then --version,
// then --help; the values of the other options are checked after those.
WindowCommand ParseWindowCommand(const std::vector<std::string>& arguments);

// Qt's help text for the options; with Qt's window options too for
// --help-all. The usage line names the program as the application object
// does, so make one first.
std::string WindowHelpText(bool withQtOptions);

// "NAME 2.0", NAME being the program's name.
std::string WindowVersionText(const std::string& programName);
