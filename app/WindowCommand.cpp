#include "app/WindowCommand.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <algorithm>
#include <optional>

#include "serial/CommSettings.h"

namespace {

struct QtWindowOption {
    const char* name;
    const char* valueName;  // nullptr: a switch
    const char* description;
};

// What QApplication takes off the command line for itself (its platform
// plugin, X11 and widgets), so that our parser does not call them unknown.
const QtWindowOption kQtWindowOptions[] = {
    {"platform", "platformName[:options]", "QPA plugin, e.g. xcb, wayland or offscreen."},
    {"platformpluginpath", "path", "Path to the platform plugins."},
    {"platformtheme", "theme", "Platform theme."},
    {"plugin", "plugin", "Additional plugins to load, can be given more than once."},
    {"qwindowgeometry", "geometry", "Geometry of the main window, like 100x100+50+50."},
    {"qwindowicon", "icon", "Default window icon."},
    {"qwindowtitle", "title", "Title of the first window."},
    {"reverse", nullptr, "Lays the window out from right to left."},
    {"session", "session", "Restores the application from an earlier session."},
    {"style", "style", "Widget style, e.g. Fusion."},
    {"stylesheet", "file", "Style sheet of the widgets."},
    {"widgetcount", nullptr, "Prints the number of widgets left at exit."},
    {"qmljsdebugger", "value", "Activates the QML/JS debugger."},
    {"testability", nullptr, "Loads the testability driver."},
    {"display", "display", "X11: the display to use."},
    {"geometry", "geometry", "X11: geometry of the main window."},
    {"title", "title", "X11: title of the first window."},
    {"icon", "icon", "X11: default window icon."},
    {"name", "name", "X11: instance name of the application."},
    {"visual", "id", "X11: visual to use."},
    {"sync", nullptr, "X11: synchronous X calls, for debugging."},
    {"nograb", nullptr, "X11: never grab the mouse or keyboard."},
    {"dograb", nullptr, "X11: grab even when running under a debugger."},
};

const char kLog[] = "log";
const char kBaudRates[] = "baud-rates";
const char kPort[] = "port";
const char kListPorts[] = "list-ports";

// The parser with our options; Qt's window options are shown by --help-all
// only.
void AddOptions(QCommandLineParser& parser, bool showQtOptions) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        "Watches the traffic of a serial port, compares what arrives with an expected\n"
        "reference and sends text or hex bytes. Without options the window starts as\n"
        "it always does.\n"
        "\n"
        "Example: tessaline --port COM2=/dev/ttyUSB0 --log traffic.log\n"
        "         tessaline --baud-rates 9600,115200,921600");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(
        kListPorts,
        "Lists the serial ports of the system, with the COMn each one is and its stable name "
        "under /dev/serial/by-path, and exits."));
    parser.addOption(QCommandLineOption(
        kPort,
        "Makes COMn (COM1 to COM4) open <path>, as TESSALINE_COMn does, which it overrides. "
        "Give it once per port. A path with a / in it, or naming a file in the current "
        "folder, is that file; a bare name that is no file here is /dev/<name>.",
        "COMn=path"));
    parser.addOption(QCommandLineOption(
        kBaudRates,
        "Offers the baud rates in <list>, whole numbers separated by commas, in that order "
        "instead of 1200 to 9600; 9600 is chosen at start when listed, else the first.",
        "list"));
    parser.addOption(QCommandLineOption(
        kLog,
        "Appends a record of every opening, closing, received, sent and discarded byte to "
        "<file> while the window runs.",
        "file"));
    for (const QtWindowOption& qt : kQtWindowOptions) {
        QCommandLineOption option(qt.name, qt.description,
                                  qt.valueName ? QString(qt.valueName) : QString());
        if (!showQtOptions) {
            option.setFlags(QCommandLineOption::HiddenFromHelp);
        }
        parser.addOption(option);
    }
}

WindowCommand Wrong(const std::string& why) {
    WindowCommand command;
    command.action = WindowCommand::Action::UsageError;
    command.error = why;
    return command;
}

std::string Bytes(const QString& latin1) {
    return latin1.toLatin1().toStdString();
}

// "1200,9600,115200": each a rate the settings take, none twice.
std::optional<std::vector<int>> ParseBaudRateList(const QString& list, std::string* why) {
    std::vector<int> rates;
    for (const QString& text : list.split(',')) {
        const std::string item = Bytes(text);
        const std::optional<int> rate = ParseBaudRate(item);
        if (!rate) {
            *why = "--baud-rates takes whole numbers from 1 to " + std::to_string(kMaxBaudRate) +
                   " separated by commas, not '" + item + "'";
            return std::nullopt;
        }
        if (std::find(rates.begin(), rates.end(), *rate) != rates.end()) {
            *why = "--baud-rates lists " + std::to_string(*rate) + " twice";
            return std::nullopt;
        }
        rates.push_back(*rate);
    }
    return rates;
}

}  // namespace

WindowCommand ParseWindowCommand(const std::vector<std::string>& arguments) {
    QCommandLineParser parser;
    AddOptions(parser, false);
    // Latin-1 both ways keeps every byte of a path, whatever the locale.
    QStringList line{"tessaline"};
    for (const std::string& argument : arguments) {
        line << QString::fromLatin1(argument.data(), static_cast<qsizetype>(argument.size()));
    }
    if (!parser.parse(line)) {
        return Wrong(Bytes(parser.errorText()));
    }
    WindowCommand command;
    if (parser.isSet("version")) {
        command.action = WindowCommand::Action::ShowVersion;
        return command;
    }
    if (parser.isSet("help")) {
        command.action = WindowCommand::Action::ShowHelp;
        return command;
    }
    if (parser.isSet("help-all")) {
        command.action = WindowCommand::Action::ShowHelpAll;
        return command;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return Wrong("unexpected argument '" + Bytes(parser.positionalArguments().first()) + "'");
    }

    for (const QString& value : parser.values(kPort)) {
        std::string why;
        const std::optional<PortMapping> mapping = ParsePortMapping(Bytes(value), &why);
        if (!mapping) {
            return Wrong(why);
        }
        for (const PortMapping& earlier : command.mappings) {
            if (earlier.port == mapping->port) {
                return Wrong("--port maps COM" + std::to_string(mapping->port) + " twice");
            }
        }
        command.mappings.push_back(*mapping);
    }
    if (parser.isSet(kListPorts)) {
        command.action = WindowCommand::Action::ListPorts;
        return command;
    }

    const QStringList rateLists = parser.values(kBaudRates);
    if (rateLists.size() > 1) {
        return Wrong("--baud-rates is given twice: the window has one baud-rate list");
    }
    if (!rateLists.isEmpty()) {
        std::string why;
        const std::optional<std::vector<int>> rates = ParseBaudRateList(rateLists.first(), &why);
        if (!rates) {
            return Wrong(why);
        }
        command.baudRates = *rates;
    }

    const QStringList logs = parser.values(kLog);
    if (logs.size() > 1) {
        return Wrong("--log is given twice: the window keeps one log");
    }
    if (!logs.isEmpty()) {
        command.logPath = Bytes(logs.first());
        if (command.logPath.empty()) {
            return Wrong("--log needs a file name");
        }
    }
    return command;
}

std::string WindowHelpText(bool withQtOptions) {
    QCommandLineParser parser;
    AddOptions(parser, withQtOptions);
    return parser.helpText().toStdString();
}

std::string WindowVersionText(const std::string& programName) {
    return programName + " " + TESSALINE_VERSION;
}
