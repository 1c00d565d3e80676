#include "tools/device/DeviceOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

#include "tools/WholeNumber.h"

namespace {

ParsedOptions Wrong(const std::string& why) {
    return ParsedOptions{std::nullopt, why};
}

// Takes a number option's value when it is set; an empty text when it is fine.
std::string ReadNumber(const QCommandLineParser& parser, const QCommandLineOption& option, int low,
                       int high, const char* what, int& out) {
    if (!parser.isSet(option)) {
        return std::string();
    }
    const std::string text = parser.value(option).toStdString();
    const std::optional<int> value = ParseWholeNumber(text, low, high);
    if (!value) {
        return "--" + option.names().first().toStdString() + " takes " + what + " from " +
               std::to_string(low) + " to " + std::to_string(high) + ", not '" + text + "'";
    }
    out = *value;
    return std::string();
}

// An empty text when `text` is a hex frame (then in `out`), else why not.
std::string ReadFrame(const std::string& text, const char* what, Frame& out) {
    std::string why;
    std::optional<Frame> frame = ParseHexFrame(text, &why);
    if (!frame) {
        return std::string(what) + " '" + text + "' is not a hex frame: " + why;
    }
    out = *frame;
    return std::string();
}

const char kAnswerNeedsTwo[] = "--answer needs two hex frames: the request and the reply";

// Why the parser stopped, in the device's words.
std::string ParserError(const QCommandLineParser& parser, const std::vector<std::string>& args) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString dashes = unknown.first().size() > 1 ? "--" : "-";
        return "unknown argument '" + (dashes + unknown.first()).toStdString() + "'";
    }
    // Otherwise the last argument is an option whose value is missing.
    const std::string last = args.empty() ? std::string() : args.back();
    if (last == "--answer") {
        return kAnswerNeedsTwo;
    }
    if (last == "--send") {
        return "--send needs a hex frame";
    }
    if (last == "--every") {
        return "--every needs a period in milliseconds";
    }
    if (last == "--delay") {
        return "--delay needs a time in milliseconds";
    }
    if (last == "--split") {
        return "--split needs a number of bytes";
    }
    return parser.errorText().toStdString();
}

// --answer REQUEST REPLY: each reply is the argument right after its request,
// which the parser leaves among the positional arguments; one per --answer.
bool TakeReplies(const std::vector<std::string>& args, QStringList& positional,
                 std::vector<std::string>& replies) {
    for (size_t i = 0; i < args.size(); ++i) {
        const bool joined = args[i].rfind("--answer=", 0) == 0;
        if (args[i] != "--answer" && !joined) {
            continue;
        }
        const size_t at = i + (joined ? 1 : 2);
        if (at >= args.size() || positional.isEmpty() ||
            positional.first().toStdString() != args[at]) {
            return false;
        }
        replies.push_back(positional.takeFirst().toStdString());
        i = at;
    }
    return true;
}

}  // namespace

ParsedOptions ParseDeviceOptions(const std::vector<std::string>& args) {
    const QCommandLineOption help({"h", "help"}, "");
    const QCommandLineOption verbose({"v", "verbose"}, "");
    const QCommandLineOption echo("echo", "");
    const QCommandLineOption answer("answer", "", "REQUEST");
    const QCommandLineOption send("send", "", "FRAME");
    const QCommandLineOption every("every", "", "MS");
    const QCommandLineOption delay("delay", "", "MS");
    const QCommandLineOption split("split", "", "N");
    QCommandLineParser parser;
    parser.addOptions({help, verbose, echo, answer, send, every, delay, split});
    QStringList line{"tessaline-device"};
    for (const std::string& arg : args) {
        line << QString::fromStdString(arg);
    }
    if (!parser.parse(line)) {
        return Wrong(ParserError(parser, args));
    }

    DeviceOptions options;
    options.help = parser.isSet(help);
    options.verbose = parser.isSet(verbose);
    QStringList positional = parser.positionalArguments();
    std::vector<std::string> replies;
    if (!TakeReplies(args, positional, replies)) {
        return Wrong(kAnswerNeedsTwo);
    }
    std::string why;
    const QStringList requests = parser.values(answer);
    for (qsizetype i = 0; i < requests.size() && why.empty(); ++i) {
        std::pair<Frame, Frame> pair;
        why = ReadFrame(requests[i].toStdString(), "request", pair.first);
        if (why.empty()) {
            why = ReadFrame(replies.at(static_cast<size_t>(i)), "reply", pair.second);
        }
        options.answers.push_back(std::move(pair));
    }
    for (const QString& frame : parser.values(send)) {
        if (why.empty()) {
            why = ReadFrame(frame.toStdString(), "frame", options.frame);
        }
    }
    if (!why.empty()) {
        return Wrong(why);
    }
    if (!positional.isEmpty()) {
        return Wrong("unknown argument '" + positional.first().toStdString() + "'");
    }
    for (const std::string& wrong : {
             ReadNumber(parser, every, kShortestPeriodMs, kLongestPeriodMs, "whole milliseconds",
                        options.periodMs),
             ReadNumber(parser, delay, 0, kLongestDelayMs, "whole milliseconds", options.delayMs),
             ReadNumber(parser, split, 1, kLargestPiece, "a number of bytes", options.splitBytes),
         }) {
        if (!wrong.empty()) {
            return Wrong(wrong);
        }
    }
    if (options.help) {
        return ParsedOptions{options, std::string()};
    }

    const QStringList found = parser.optionNames();
    const auto modes = (found.contains("echo") ? 1 : 0) + (found.contains("answer") ? 1 : 0) +
                       (found.contains("send") ? 1 : 0);
    if (modes == 0) {
        return Wrong("say what the device does: --echo, --answer or --send");
    }
    if (modes > 1) {
        return Wrong("choose one of --echo, --answer and --send");
    }
    options.mode = parser.isSet(answer) ? DeviceMode::Answer
                   : parser.isSet(send) ? DeviceMode::Send
                                        : DeviceMode::Echo;
    if (parser.isSet(every) && options.mode != DeviceMode::Send) {
        return Wrong("--every goes with --send");
    }
    if (parser.isSet(delay) && options.mode == DeviceMode::Send) {
        return Wrong("--delay goes with --echo or --answer");
    }
    return ParsedOptions{options, std::string()};
}

std::string DeviceUsage(const std::string& program) {
    return "Usage: " + program +
           " MODE [--delay MS] [--split N] [--verbose]\n"
           "\n"
           "Plays a simple serial device on a new pseudo-terminal. The path of its port\n"
           "is the first line on standard output; point a serial program at it\n"
           "(tessaline --port COM2=PATH, tessaline-check --port PATH). Ctrl-C stops it.\n"
           "\n"
           "Modes:\n"
           "  --echo                   send back every byte received\n"
           "  --answer REQUEST REPLY   answer each REQUEST frame received with REPLY;\n"
           "                           repeat it for a device that answers several requests\n"
           "  --send FRAME [--every MS]\n"
           "                           send FRAME every MS milliseconds (default 500,\n"
           "                           1 to 3600000) while the port is open\n"
           "\n"
           "Options:\n"
           "  --delay MS               wait MS milliseconds before each answer (--echo,\n"
           "                           --answer; 0 to 3600000, default 0)\n"
           "  --split N                send in pieces of N bytes (1 to 4096), each written\n"
           "                           on its own a few milliseconds after the last, so\n"
           "                           that they arrive as separate reads\n"
           "  -v, --verbose            log the bytes received and sent on standard error\n"
           "  -h, --help               show this help\n"
           "\n"
           "Frames are hex digit pairs, blanks allowed between pairs: \"AA BB\" or AABB.\n"
           "The port takes any baud rate its user sets; the device never changes it.\n"
           "\n"
           "Example: " +
           program + " --send \"AA BB\" --every 500\n";
}
