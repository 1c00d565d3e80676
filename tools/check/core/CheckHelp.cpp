// The check program's options as --help shows them.
#include <QCommandLineParser>
#include <QStringList>

#include "tools/check/core/CheckOptions.h"

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
     "as the window maps them (TESSALINE_COMn when set). A name with a / or naming a file here "
     "is that file; a bare name that is no file here is /dev/NAME (ttyUSB0). Required, unless "
     "the plan names one."},
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
     "are GBK as stored), compared as the window compares. One of --expect, --expect-entry, "
     "--expect-mask and --expect-regex is required."},
    {{"expect-entry"}, "N", "Expect reference N (1 to 3) of the data library."},
    {{"expect-mask"},
     "MASK",
     "The answer's raw bytes as hex pairs, ?? for any byte, A? or ?5 for one nibble fixed: "
     "\"01 03 04 ?? ?? A? 5F\". The answer has exactly the mask's length (and its checksum)."},
    {{"expect-regex"},
     "PATTERN",
     "A Perl-style pattern the whole answer must match, the bytes read as the window shows "
     "them (GBK, ASCII as it is), before its end: 'SN=(?<sn>[0-9A-F]{8}) V=(?<v>[0-9.]+)'."},
    {{"end"},
     "TEXT",
     "With --expect-regex: the answer ends with TEXT (\\r \\n \\t \\\\ \\xHH read), "
     "which is not part of what the pattern matches. Default: a line end, LF with or without a "
     "CR before it."},
    {{"idle"}, "MS", "With --expect-regex: the answer ends when no byte came for MS."},
    {{"field"},
     "FIELD",
     "A number at a fixed place of the raw answer, NAME=OFFSET:LENGTH:TYPE[*SCALE], recorded "
     "as NAME: OFFSET from 0 (negative "
     "from the end), LENGTH 1, 2 or 4, TYPE u8 s8 u16be u16le s16be s16le u32be u32le s32be "
     "s32le, SCALE a factor: 'temp=3:2:s16be*0.1'. Repeatable."},
    {{"measure"},
     "MEASURE",
     "NAME=LOW..HIGH [UNIT]: judge the value NAME (a --field, or a named group of the pattern) "
     "against its limits, "
     "either end open ('..4.2', '3.0..'): a value outside them, or a group that is no number, "
     "fails the unit. 'vbat=3.0..4.2 V'. Repeatable."},
    {{"capture"}, "NAME", "Record the pattern's group NAME as text, unjudged. Repeatable."},
    {{"checksum"},
     "NAME",
     "Append this checksum to each request and verify it at the end of each answer (reason "
     "'checksum'); the expected text, mask or pattern covers the answer without it. NAME: "
     "CRC-16/MODBUS, CRC-16/IBM-3740 (CRC-16/CCITT-FALSE), CRC-16/XMODEM, CRC-16/KERMIT, "
     "CRC-16/ARC, CRC-8/SMBUS (CRC-8), CRC-8/MAXIM-DOW, CRC-32/ISO-HDLC (CRC-32), SUM-8, XOR-8, "
     "LRC-8 (Modbus ASCII), or CRC:width,poly,init,refin,refout,xorout. On the wire "
     "CRC-16/MODBUS goes low byte first, as Modbus RTU sends it (01 03 00 0A 00 02 E4 09); every "
     "other name high byte first, as the catalogue writes its value (CRC-16/XMODEM: ... 4C F1)."},
    {{"checksum-order"}, "le|be", "The checksum's byte order on the wire, over the default."},
    {{"checksum-range"},
     "FROM..TO",
     "The bytes the checksum covers, of the frame without its checksum: from 0, TO included, "
     "negative from the end, either end left out: '1..' skips a start byte."},
    {{"checksum-ascii"},
     "",
     "The checksum goes as upper-case hex digits, two per byte. With LRC-8, as Modbus ASCII: "
     "over the values of the hex pairs it covers. A request that ends with the --end text gets "
     "its checksum before it."},
    {{"hex"},
     "",
     "Show received bytes as hex digit pairs (\"AA BB \"), else as characters. The answer "
     "passes when it equals the expected text, blanks and tabs removed from both, case "
     "mattering."},
    {{"plan"},
     "FILE",
     "Run the test plan FILE (TOML: the port, the steps of each unit, its teardown) instead of "
     "one step from the options; --port, --settings and --flow win over the plan's."},
    {{"station"}, "NAME", "The station the records name (default: this computer's name)."},
    {{"junit"},
     "FILE",
     "Write a JUnit XML report of the run to FILE at its end (one test case per unit and step), "
     "replacing the file whole."},
    {{"slot"},
     "NAME=PATH",
     "A fixture position and its port; repeatable. The slots run their units at the same time, "
     "each on its own port, in rounds; over the plan's [[slot]] tables. Give stable names: "
     "/dev/serial/by-path/... (tessaline --list-ports shows them)."},
    {{"db"},
     "FILE|URL",
     "Also write every unit to a results database: a SQLite file (made when missing) or a "
     "PostgreSQL database, postgresql://USER@HOST[:PORT]/DB. A unit that cannot be written is kept "
     "in a local file and sent by "
     "the next run with the same database."},
    {{"report"},
     "",
     "Print the yield per step and the first-pass yield per station of the --db database "
     "for the last 24 hours (or --since), and run nothing."},
    {{"since"}, "TIME", "With --report: from TIME (2025-03-14, 2025-03-14T08:00, ...)."},
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
    "  tessaline-check --port /dev/ttyUSB0 --settings 19200,e,8,1 --send-hex \"01 03 00 0A 00 02\" "
    "\\\n"
    "      --checksum CRC-16/MODBUS --expect-mask \"01 03 04 ?? ?? ?? ??\" \\\n"
    "      --field 'v=3:2:u16be*0.001' --measure 'v=3.0..4.2 V'\n"
    "  tessaline-check --port /dev/ttyACM0 --send $'SN?\\r\\n' \\\n"
    "      --expect-regex 'SN=(?<sn>[0-9A-F]{8}) V=(?<vbat>[0-9.]+)' --capture sn \\\n"
    "      --measure 'vbat=3.0..4.2 V' --ids-from-stdin --log line3.csv\n"
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

}  // namespace

void AddCheckOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        "Sends a request over a serial port, waits for the answer and decides PASS, FAIL\n"
        "or TIMEOUT, unit after unit: with the analysis window's comparison, a mask, or a\n"
        "pattern with measured values and a checksum. Exits with a code a script can act on.");
    for (const OptionSpec& o : kOptions) {
        parser.addOption(
            QCommandLineOption(o.names, QString::fromUtf8(o.help), QString::fromUtf8(o.valueName)));
    }
}

std::string CheckHelpText() {
    QCommandLineParser parser;
    AddCheckOptions(parser);
    std::string text = parser.helpText().toStdString();
    // Qt names the program after the running binary or not at all.
    text = "Usage: " + std::string(kCheckProgram) + " [options]\n" + text.substr(text.find('\n'));
    return text + kExamples;
}

std::string CheckVersionText() {
    return std::string(kCheckProgram) + " " + TESSALINE_VERSION + "\n";
}
