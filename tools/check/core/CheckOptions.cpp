#include "tools/check/core/CheckOptions.h"

#include <QCommandLineParser>
#include <QStringList>
#include <algorithm>

#include "serial/CommSettings.h"
#include "serial/PortMapping.h"
#include "tools/WholeNumber.h"

const char kCheckProgram[] = "tessaline-check";

#ifndef TESSALINE_VERSION
#define TESSALINE_VERSION "unknown"
#endif

namespace {

// Each option once: its names, what it takes (empty for a flag) and its help.
struct OptionSpec {
    QStringList names;
    const char* valueName;
    const char* help;
};

const OptionSpec kOptions[] = {
    {{"port"},
     "PATH|COMn",
     "The port: a device path (/dev/ttyUSB0, /dev/ttyACM0, a pseudo-terminal) or COM1 to COM4 "
     "as the window maps them (TESSALINE_COMn when set). Required."},
    {{"settings"},
     "SETTINGS",
     "Line settings BAUD,PARITY,DATABITS,STOPBITS (default 9600,n,8,1): BAUD any rate the port "
     "accepts (115200, 921600, 250000 ...), PARITY e, m, n, o or s, DATABITS 5 to 8, STOPBITS "
     "1 or 2 (1 or 1.5 with 5 data bits)."},
    {{"flow"}, "none|rtscts|xonxoff", "Flow control (default none)."},
    {{"send"},
     "TEXT",
     "Send TEXT's bytes as given, once per unit; no escapes are read (in bash, $'OK\\r' "
     "gives a CR)."},
    {{"send-hex"},
     "HEX",
     "Send the bytes of hex digit pairs, blanks between pairs allowed: \"01 03 00 00\"."},
    {{"send-entry"}, "N", "Send text N (1 to 3) of the data library, its bytes as stored."},
    {{"entry-hex"}, "", "With --send-entry: the library text is hex digit pairs."},
    {{"expect"},
     "TEXT",
     "The expected answer, TEXT's bytes as given (UTF-8 from a UTF-8 terminal; library entries "
     "are GBK as stored). This or --expect-entry is required."},
    {{"expect-entry"}, "N", "Expect reference N (1 to 3) of the data library."},
    {{"hex"},
     "",
     "Show received bytes as hex digit pairs (\"AA BB \"), else as characters. The answer "
     "passes when it equals the expected text, blanks and tabs removed from both, case "
     "mattering."},
    {{"ids-from-stdin"},
     "",
     "One unit per line of standard input, the line being the unit's id (an empty line "
     "repeats the last id); end of input ends the run. On a terminal it asks for each id "
     "and shows each verdict in large letters."},
    {{"timeout"}, "MS", "How long a unit waits for its answer (default 1000)."},
    {{"repeat"}, "N", "Run N units (default 1)."},
    {{"interval"}, "MS", "Wait between units, on top of the settle time (default 0)."},
    {{"settle"},
     "MS",
     "After each verdict, wait until the line has been quiet for MS before the next unit; what "
     "comes meanwhile (a line end, a checksum) is recorded as trailing and never judged. After "
     "a TIMEOUT an answer within one more timeout is recorded as late. Default 50, or five "
     "characters' time when that is longer (below 1000 baud). 0: the next unit at once, for "
     "devices known to answer in one piece."},
    {{"log"},
     "FILE",
     "Append one record per unit to FILE: JSON lines when its name ends in .jsonl, else CSV."},
    {{"quiet"}, "", "Print only the summary."},
    {{"json"}, "", "Print one JSON object per unit, keys as in the log, instead of its line."},
    {{"library"}, "FILE", "Read the data library from FILE instead of Quorvix.ini here."},
    {{"h", "help"}, "", "Show this help."},
    {{"version"}, "", "Show the version."},
};

const char kExamples[] =
    "\n"
    "Examples:\n"
    "  tessaline-check --port /dev/ttyUSB0 --send-hex \"01 03\" --expect \"AA BB\" --hex\n"
    "  tessaline-check --port COM2 --settings 115200,n,8,1 --send $'PING\\r' --expect PONG \\\n"
    "      --repeat 100 --interval 50 --log results.csv\n"
    "  tessaline-check --port /dev/ttyACM0 --send-entry 1 --entry-hex --expect-entry 1 --hex \\\n"
    "      --ids-from-stdin --log line3.jsonl\n"
    "  tessaline-check --port /dev/ttyS1 --settings 250000,e,8,2 --flow rtscts \\\n"
    "      --library rig.ini --send-entry 2 --expect-entry 2 --timeout 300 --quiet\n"
    "  tessaline-check --port /dev/ttyUSB0 --send OK --expect OK --json | jq -r .verdict\n"
    "\n"
    "Ctrl-C, SIGTERM or SIGHUP ends the run after the current unit, prints the summary and\n"
    "exits with the code for the units that ran; a second one gives up the unit.\n"
    "\n"
    "Exit codes:\n"
    "  0    every unit passed\n"
    "  1    at least one unit failed\n"
    "  2    at least one unit timed out, none failed\n"
    "  3    usage, port or file error before any unit ran, or a port, log or\n"
    "       standard output that failed during the run (which then stops), or\n"
    "       unit ids refused\n"
    "  4    no unit ran (empty input)\n"
    "  130  interrupted before any unit completed\n";

void AddOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        "Sends a request over a serial port, waits for the answer and decides PASS, FAIL\n"
        "or TIMEOUT with the analysis window's comparison, unit after unit; exits with a\n"
        "code a script can act on.");
    for (const OptionSpec& o : kOptions) {
        parser.addOption(
            QCommandLineOption(o.names, QString::fromUtf8(o.help), QString::fromUtf8(o.valueName)));
    }
}

// The argument's own bytes: Latin-1 maps every byte to one character and back.
QString FromBytes(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text) {
    return text.toLatin1().toStdString();
}

// A whole decimal number within [low, high] into `out`; false otherwise.
bool ParseWhole(const std::string& text, int low, int high, int& out) {
    const std::optional<int> value = ParseWholeNumber(text, low, high);
    if (value) {
        out = *value;
    }
    return value.has_value();
}

// Settings the string allows but a UART cannot put on the line.
const char* UnsendableReason(const CommSettings& line) {
    switch (FindUnsendableSettings(line)) {
        case UnsendableSettings::DataBits:
            return "a serial port sends 5 to 8 data bits";
        case UnsendableSettings::OneAndAHalfStopBits:
            return "1.5 stop bits need 5 data bits (6 to 8 data bits take 1 or 2 stop bits)";
        case UnsendableSettings::TwoStopBits:
            return "2 stop bits need 6 to 8 data bits (5 data bits take 1 or 1.5 stop bits)";
        case UnsendableSettings::None:
            break;
    }
    return nullptr;
}

ParsedCheckCommand Wrong(const std::string& why) {
    ParsedCheckCommand parsed;
    parsed.error = why;
    return parsed;
}

}  // namespace

ParsedCheckCommand ParseCheckCommand(const std::vector<std::string>& arguments) {
    QCommandLineParser parser;
    AddOptions(parser);
    QStringList list{QString::fromUtf8(kCheckProgram)};
    for (const std::string& argument : arguments) {
        list << FromBytes(argument);
    }
    const bool parsedWell = parser.parse(list);
    ParsedCheckCommand result;
    if (parser.isSet("help")) {
        result.action = ParsedCheckCommand::ShowHelp;
        return result;
    }
    if (parser.isSet("version")) {
        result.action = ParsedCheckCommand::ShowVersion;
        return result;
    }
    if (!parsedWell) {
        return Wrong(ToBytes(parser.errorText()));
    }
    if (!parser.positionalArguments().isEmpty()) {
        return Wrong("unexpected argument '" + ToBytes(parser.positionalArguments().first()) +
                     "' (put quotes around a text with blanks)");
    }
    const QStringList given = parser.optionNames();
    for (const QString& name : given) {
        if (given.count(name) > 1) {
            return Wrong("--" + ToBytes(name) + " given more than once");
        }
    }
    const auto isSet = [&](const char* name) { return parser.isSet(QString::fromUtf8(name)); };
    const auto value = [&](const char* name) {
        return ToBytes(parser.value(QString::fromUtf8(name)));
    };

    CheckOptions& o = result.options;
    if (!isSet("port") || value("port").empty()) {
        return Wrong("--port is required: a device path such as /dev/ttyUSB0, or COM1 to COM4");
    }
    o.port = value("port");
    o.comPort = ComPortNumber(o.port);
    if (o.comPort < 0) {
        return Wrong("--port " + o.port +
                     ": the COM ports are COM1 to COM4; give other ports by their device path");
    }
    if (isSet("settings")) {
        o.settings = value("settings");
        std::string why;
        const std::optional<CommSettings> line = ParseCommSettingsAnyBaud(o.settings, &why);
        if (!line) {
            return Wrong("--settings " + o.settings + ": " + why);
        }
        if (const char* unsendable = UnsendableReason(*line)) {
            return Wrong("--settings " + o.settings + ": " + unsendable);
        }
    }
    if (isSet("flow")) {
        const std::string flow = value("flow");
        if (flow == "none") {
            o.flow = FlowControl::None;
        } else if (flow == "rtscts") {
            o.flow = FlowControl::RtsCts;
        } else if (flow == "xonxoff") {
            o.flow = FlowControl::XonXoff;
        } else {
            return Wrong("--flow is none, rtscts or xonxoff, not '" + flow + "'");
        }
    }

    const int sends = isSet("send") + isSet("send-hex") + isSet("send-entry");
    if (sends > 1) {
        return Wrong("choose at most one of --send, --send-hex and --send-entry");
    }
    if (isSet("send")) {
        o.send = SendSource::Text;
        o.sendText = value("send");
    } else if (isSet("send-hex")) {
        o.send = SendSource::Hex;
        o.sendText = value("send-hex");
    } else if (isSet("send-entry")) {
        o.send = SendSource::Entry;
        if (!ParseWhole(value("send-entry"), 1, 3, o.sendEntry)) {
            return Wrong("--send-entry takes an entry number from 1 to 3, not '" +
                         value("send-entry") + "'");
        }
    }
    o.entryHex = isSet("entry-hex");
    if (o.entryHex && o.send != SendSource::Entry) {
        return Wrong("--entry-hex goes with --send-entry");
    }

    if (isSet("expect") == isSet("expect-entry")) {
        return Wrong(isSet("expect") ? "choose one of --expect and --expect-entry"
                                     : "say what to expect: --expect TEXT or --expect-entry N");
    }
    if (isSet("expect")) {
        o.expect = ExpectSource::Text;
        o.expectText = value("expect");
    } else {
        o.expect = ExpectSource::Entry;
        if (!ParseWhole(value("expect-entry"), 1, 3, o.expectEntry)) {
            return Wrong("--expect-entry takes an entry number from 1 to 3, not '" +
                         value("expect-entry") + "'");
        }
    }
    o.hex = isSet("hex");

    struct Number {
        const char* name;
        int low;
        int high;
        const char* what;
        int* out;
    };
    const Number numbers[] = {
        {"timeout", 1, kLongestTimeoutMs, "whole milliseconds", &o.timeoutMs},
        {"repeat", 1, kMostRepeats, "a whole number of units", &o.repeat},
        {"interval", 0, kLongestIntervalMs, "whole milliseconds", &o.intervalMs},
        {"settle", 0, kLongestIntervalMs, "whole milliseconds", &o.settleMs},
    };
    for (const Number& n : numbers) {
        if (isSet(n.name) && !ParseWhole(value(n.name), n.low, n.high, *n.out)) {
            return Wrong(std::string("--") + n.name + " takes " + n.what + " from " +
                         std::to_string(n.low) + " to " + std::to_string(n.high) + ", not '" +
                         value(n.name) + "'");
        }
    }
    o.idsFromStdin = isSet("ids-from-stdin");
    if (o.idsFromStdin && isSet("repeat")) {
        return Wrong("--repeat and --ids-from-stdin do not go together: each line is one unit");
    }
    o.quiet = isSet("quiet");
    o.json = isSet("json");
    if (o.quiet && o.json) {
        return Wrong("--quiet and --json do not go together: --quiet prints only the summary");
    }
    for (const auto& [name, path] :
         {std::pair{"log", &o.logPath}, std::pair{"library", &o.libraryPath}}) {
        if (isSet(name)) {
            *path = value(name);
            if (path->empty()) {
                return Wrong(std::string("--") + name + " needs a file name");
            }
        }
    }
    result.action = ParsedCheckCommand::Run;
    return result;
}

std::string CheckHelpText() {
    QCommandLineParser parser;
    AddOptions(parser);
    std::string text = parser.helpText().toStdString();
    // Qt names the program after the running binary or not at all.
    text = "Usage: " + std::string(kCheckProgram) + " [options]\n" + text.substr(text.find('\n'));
    return text + kExamples;
}

std::string CheckVersionText() {
    return std::string(kCheckProgram) + " " + TESSALINE_VERSION + "\n";
}

short ControlHandshaking(FlowControl flow) {
    switch (flow) {
        case FlowControl::XonXoff:
            return 1;
        case FlowControl::RtsCts:
            return 2;
        case FlowControl::None:
            break;
    }
    return 0;
}
