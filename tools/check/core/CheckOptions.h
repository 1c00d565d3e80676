#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/check/core/StepOptions.h"

class QCommandLineParser;

// The check program's command line: what to open, the step each unit runs
// (what to send and expect), how many units, and where results go. Parsing
// checks the form of every option and needs no port and no file; ResolveCheckPlan
// (CheckPlan.h) then reads the data library and works out each step.

enum class FlowControl { None, RtsCts, XonXoff };

struct CheckOptions {
    std::string port;  // as given: a device path, or COM1 to COM4; empty: the plan's
    int comPort = 0;   // 1 to 4 when given as COMn (any case), else 0
    std::string settings = "9600,n,8,1";  // checked: any baud rate from 1 up
    FlowControl flow = FlowControl::None;
    bool settingsGiven = false;  // --settings and --flow win over a plan's
    bool flowGiven = false;

    StepOptions step;       // the one step of each unit, without a plan
    std::string planPath;   // --plan: the steps come from this file
    std::string station;    // --station: the records' station; empty: the host's name
    std::string junitPath;  // --junit: a JUnit XML report written at the end
    std::string database;   // --db: a SQLite file or a postgresql:// address
    bool report = false;    // --report: the database's yields instead of a run
    std::string since;      // --since: the report's start, as given
    // --slot NAME=PATH, in order: the fixture's positions, over the plan's.
    std::vector<std::pair<std::string, std::string>> fixtureSlots;

    bool idsFromStdin = false;
    int repeat = 1;           // 1 to kMostRepeats
    int intervalMs = 0;       // 0 to kLongestIntervalMs, between units
    std::string logPath;      // empty: no log
    bool quiet = false;       // the summary only
    bool json = false;        // one JSON object per unit instead of the unit line
    std::string libraryPath;  // empty: Quorvix.ini in the current directory
};

struct ParsedCheckCommand {
    enum Action { Run, ShowHelp, ShowVersion, UsageError };
    Action action = UsageError;
    CheckOptions options;  // when Run
    std::string error;     // when UsageError: one line, without the program's name
};

// Parses the arguments after the program's name, taken as the bytes the shell
// passed: texts keep every byte, whatever the locale. --help and --version
// win over everything else, even over errors elsewhere on the line.
ParsedCheckCommand ParseCheckCommand(const std::vector<std::string>& arguments);

// Every option with what it takes and its help, for the parser and --help.
void AddCheckOptions(QCommandLineParser& parser);

// What --help prints: every option with what it takes and its default, then
// examples and the exit codes.
std::string CheckHelpText();

// What --version prints: "tessaline-check 2.0".
std::string CheckVersionText();

// Why a run cannot use these line settings (--settings, a plan's [port]), in
// one line: the settings string is wrong, or a UART cannot put it on the
// line. Empty when it can.
std::string LineSettingsError(const std::string& settings);

// The flow control of its name: none, rtscts or xonxoff; nothing for any
// other text.
std::optional<FlowControl> FlowControlNamed(const std::string& name);

// The serial control's Handshaking value for a flow control: 0 none,
// 1 XON/XOFF, 2 RTS/CTS.
short ControlHandshaking(FlowControl flow);

// The program's name in messages and help.
extern const char kCheckProgram[];
