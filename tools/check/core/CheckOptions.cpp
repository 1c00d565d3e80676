#include "tools/check/core/CheckOptions.h"

#include <QCommandLineParser>
#include <QStringList>
#include <algorithm>

#include "serial/CommSettings.h"
#include "serial/DevicePath.h"
#include "serial/PortMapping.h"
#include "tools/check/core/CommandArguments.h"

namespace {

// Options that may be given more than once.
const char* const kRepeatable[] = {"field", "measure", "capture", "slot"};

// Options of a step, which a plan gives for each of its steps instead.
const char* const kStepOptions[] = {"send",
                                    "send-hex",
                                    "send-entry",
                                    "entry-hex",
                                    "expect",
                                    "expect-entry",
                                    "hex",
                                    "expect-mask",
                                    "expect-regex",
                                    "end",
                                    "idle",
                                    "field",
                                    "measure",
                                    "capture",
                                    "checksum",
                                    "checksum-order",
                                    "checksum-range",
                                    "checksum-ascii",
                                    "timeout",
                                    "settle"};

// Why a UART cannot put these settings on the line although the settings
// string allows them; nullptr when it can.
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

// --settings and --flow, over a plan's as well.
std::string ParseLine(const Arguments& a, CheckOptions& o) {
    o.settingsGiven = a.isSet("settings");
    o.flowGiven = a.isSet("flow");
    if (a.isSet("settings")) {
        o.settings = a.value("settings");
        if (const std::string why = LineSettingsError(o.settings); !why.empty()) {
            return "--settings " + o.settings + ": " + why;
        }
    }
    if (a.isSet("flow")) {
        const std::string flow = a.value("flow");
        const std::optional<FlowControl> named = FlowControlNamed(flow);
        if (!named) {
            return "--flow is none, rtscts or xonxoff, not '" + flow + "'";
        }
        o.flow = *named;
    }
    return std::string();
}

std::string ParsePort(const Arguments& a, CheckOptions& o) {
    // A plan may name its port; the command line's wins.
    if (a.isSet("plan") && !a.isSet("port")) {
        return ParseLine(a, o);
    }
    if (!a.isSet("port") || a.value("port").empty()) {
        return "--port is required: a device path such as /dev/ttyUSB0, or COM1 to COM4";
    }
    o.port = a.value("port");
    o.comPort = ComPortNumber(o.port);
    if (o.comPort < 0) {
        return "--port " + o.port +
               ": the COM ports are COM1 to COM4; give other ports by their device path";
    }
    if (o.comPort == 0) {
        o.port = ResolveDevicePath(o.port);  // fixed now, whatever the folder later
    }
    return ParseLine(a, o);
}

// --plan, and that the steps' own options stay in it.
std::string ParsePlan(const Arguments& a, CheckOptions& o) {
    if (!a.isSet("plan")) {
        return std::string();
    }
    o.planPath = a.value("plan");
    if (o.planPath.empty()) {
        return "--plan needs a file name";
    }
    for (const char* name : kStepOptions) {
        if (a.isSet(name)) {
            return std::string("--") + name + " goes in the plan's steps, not beside --plan";
        }
    }
    return std::string();
}

// --report reads the database and runs nothing.
std::string ParseReport(const Arguments& a, CheckOptions& o) {
    o.report = a.isSet("report");
    o.since = a.value("since");
    if (a.isSet("since") && !o.report) {
        return "--since goes with --report";
    }
    if (o.report && !a.isSet("db")) {
        return "--report reads a results database: give it with --db";
    }
    return std::string();
}

// --slot NAME=PATH: each name once, no blanks or control characters.
std::string ParseSlots(const Arguments& a, CheckOptions& o) {
    for (const std::string& text : a.values("slot")) {
        const size_t equals = text.find('=');
        const std::string name = text.substr(0, equals);
        const bool named = !name.empty() && std::none_of(name.begin(), name.end(), [](char c) {
            return static_cast<unsigned char>(c) <= ' ' || c == 0x7F;
        });
        if (equals == std::string::npos || !named || equals + 1 == text.size()) {
            return "--slot takes NAME=PATH (a name without blanks, then the port), not '" + text +
                   "'";
        }
        for (const auto& [other, path] : o.fixtureSlots) {
            if (other == name) {
                return "--slot " + name + " given twice: each slot has one port";
            }
        }
        const std::string port = text.substr(equals + 1);
        if (ComPortNumber(port) < 0) {
            return "--slot " + text +
                   ": the COM ports are COM1 to COM4; give other ports by their device path";
        }
        o.fixtureSlots.emplace_back(name, ComPortNumber(port) > 0 ? port : ResolveDevicePath(port));
    }
    if (!o.fixtureSlots.empty() && a.isSet("port")) {
        return "--port and --slot do not go together: with slots each has its own port";
    }
    return std::string();
}

// How many units, and where their results go.
std::string ParseRun(const Arguments& a, CheckOptions& o) {
    StepOptions& s = o.step;
    for (const std::string& why :
         {Number(a, "timeout", 1, kLongestTimeoutMs, "whole milliseconds", s.timeoutMs),
          Number(a, "repeat", 1, kMostRepeats, "a whole number of units", o.repeat),
          Number(a, "interval", 0, kLongestIntervalMs, "whole milliseconds", o.intervalMs),
          Number(a, "settle", 0, kLongestIntervalMs, "whole milliseconds", s.settleMs)}) {
        if (!why.empty()) {
            return why;
        }
    }
    o.idsFromStdin = a.isSet("ids-from-stdin");
    if (o.idsFromStdin && a.isSet("repeat")) {
        return "--repeat and --ids-from-stdin do not go together: each line is one unit";
    }
    o.quiet = a.isSet("quiet");
    o.json = a.isSet("json");
    if (o.quiet && o.json) {
        return "--quiet and --json do not go together: --quiet prints only the summary";
    }
    for (const auto& [name, path] :
         {std::pair{"log", &o.logPath}, std::pair{"library", &o.libraryPath},
          std::pair{"junit", &o.junitPath}, std::pair{"station", &o.station},
          std::pair{"db", &o.database}}) {
        if (a.isSet(name)) {
            *path = a.value(name);
            if (path->empty()) {
                return std::string("--") + name +
                       (name == std::string("station") ? " needs a name"
                        : name == std::string("db")
                            ? " needs a SQLite file or a postgresql:// address"
                            : " needs a file name");
            }
        }
    }
    return std::string();
}

ParsedCheckCommand Wrong(const std::string& why) {
    ParsedCheckCommand parsed;
    parsed.error = why;
    return parsed;
}

}  // namespace

std::string LineSettingsError(const std::string& settings) {
    std::string why;
    const std::optional<CommSettings> line = ParseCommSettingsAnyBaud(settings, &why);
    if (!line) {
        return why;
    }
    const char* unsendable = UnsendableReason(*line);
    return unsendable ? unsendable : std::string();
}

std::optional<FlowControl> FlowControlNamed(const std::string& name) {
    if (name == "none") {
        return FlowControl::None;
    }
    if (name == "rtscts") {
        return FlowControl::RtsCts;
    }
    if (name == "xonxoff") {
        return FlowControl::XonXoff;
    }
    return std::nullopt;
}

ParsedCheckCommand ParseCheckCommand(const std::vector<std::string>& arguments) {
    QCommandLineParser parser;
    AddCheckOptions(parser);
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
        const bool repeatable =
            std::any_of(std::begin(kRepeatable), std::end(kRepeatable),
                        [&](const char* r) { return name == QString::fromUtf8(r); });
        if (given.count(name) > 1 && !repeatable) {
            return Wrong("--" + ToBytes(name) + " given more than once");
        }
    }
    const Arguments a(parser);
    CheckOptions& o = result.options;
    if (a.isSet("report")) {
        // Nothing runs: only the database and the report's start count.
        for (const QString& name : given) {
            if (name != "report" && name != "db" && name != "since") {
                return Wrong("--report goes with --db and --since only, not --" + ToBytes(name));
            }
        }
        if (const std::string why = ParseReport(a, o); !why.empty()) {
            return Wrong(why);
        }
        o.database = a.value("db");
        result.action = ParsedCheckCommand::Run;
        return result;
    }
    const bool plan = a.isSet("plan");
    const bool slotted = a.isSet("slot");
    for (const std::string& why :
         {slotted ? ParseLine(a, o) : ParsePort(a, o), ParseSlots(a, o), ParsePlan(a, o),
          plan ? std::string() : ParseStepArguments(a, o.step), ParseReport(a, o),
          ParseRun(a, o)}) {
        if (!why.empty()) {
            return Wrong(why);
        }
    }
    result.action = ParsedCheckCommand::Run;
    return result;
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
