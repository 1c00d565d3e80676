#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/AnalysisApp.h"
#include "app/PortListing.h"
#include "app/WindowCommand.h"
#include "trafficlog/TrafficLog.h"

namespace {

// As Qt names the application: the program file's name.
std::string ProgramName(const char* argv0) {
    const std::string path = argv0 ? argv0 : "tessaline";
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void PrintError(const std::string& program, const std::string& line) {
    std::fprintf(stderr, "%s: %s\n", program.c_str(), line.c_str());
}

// The command lines that need no window: help, version, the port list and a
// wrong line. An application object without a display is there.
int AnswerWithoutWindow(const WindowCommand& command, const std::string& program) {
    switch (command.action) {
        case WindowCommand::Action::ShowVersion:
            std::printf("%s\n", WindowVersionText(program).c_str());
            return 0;
        case WindowCommand::Action::ShowHelp:
        case WindowCommand::Action::ShowHelpAll:
            std::fputs(WindowHelpText(command.action == WindowCommand::Action::ShowHelpAll).c_str(),
                       stdout);
            return 0;
        case WindowCommand::Action::ListPorts: {
            SetCommandLineMappings(command.mappings);
            std::vector<PortMapping> mappings;
            for (int port = kFirstMappablePort; port <= kLastMappablePort; ++port) {
                mappings.push_back(CurrentMapping(port));
            }
            std::fputs(PortListText(SystemSerialPorts(), mappings, SameDeviceOnDisk,
                                    [](const std::string& path) {
                                        return QFileInfo::exists(QString::fromStdString(path));
                                    })
                           .c_str(),
                       stdout);
            return 0;
        }
        default:
            PrintError(program, command.error);
            return kUsageExitCode;
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::string program = ProgramName(argc > 0 ? argv[0] : nullptr);
    const WindowCommand command =
        ParseWindowCommand(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (command.action != WindowCommand::Action::StartWindow) {
        QCoreApplication application(argc, argv);
        return AnswerWithoutWindow(command, program);
    }

    SetCommandLineMappings(command.mappings);
    // Opened before the window, so that a log that cannot be written stops
    // the program before it shows anything.
    std::unique_ptr<TrafficLog> log;
    if (!command.logPath.empty()) {
        std::string why;
        log = TrafficLog::Open(
            command.logPath,
            [program](const std::string& warning) { PrintError(program, warning); }, &why);
        if (!log) {
            PrintError(program, why);
            return kUsageExitCode;
        }
    }

    // Assistive technology finds the controls by their id names; expose them
    // whenever an accessibility bus is there, not only when a screen reader
    // asked first.
    if (qEnvironmentVariableIsEmpty("QT_LINUX_ACCESSIBILITY_ALWAYS_ON")) {
        qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    }
    QApplication application(argc, argv);
    theApp.m_pTrafficObserver = log.get();
    theApp.m_baudRates = command.baudRates;
    theApp.InitInstance();
    return 0;
}
