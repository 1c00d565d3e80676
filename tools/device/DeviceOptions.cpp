#include "tools/device/DeviceOptions.h"

namespace {

ParsedOptions Wrong(const std::string& why) {
    return ParsedOptions{std::nullopt, why};
}

// A whole decimal number of milliseconds in the accepted range.
std::optional<int> ParsePeriod(const std::string& text) {
    if (text.empty() || text.size() > 7 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int value = std::stoi(text);
    if (value < kShortestPeriodMs || value > kLongestPeriodMs) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

ParsedOptions ParseDeviceOptions(const std::vector<std::string>& args) {
    DeviceOptions options;
    int modes = 0;
    bool periodGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // Whether the option is followed by this many values.
        auto hasValues = [&](size_t count) { return i + count < args.size(); };
        auto frameAt = [&](size_t at, const char* what, Frame& out) -> std::string {
            std::string why;
            std::optional<Frame> frame = ParseHexFrame(args[at], &why);
            if (!frame) {
                return std::string(what) + " '" + args[at] + "' is not a hex frame: " + why;
            }
            out = *frame;
            return std::string();
        };

        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "-v" || arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--echo") {
            options.mode = DeviceMode::Echo;
            ++modes;
        } else if (arg == "--answer") {
            if (!hasValues(2)) {
                return Wrong("--answer needs two hex frames: the request and the reply");
            }
            std::string why = frameAt(i + 1, "request", options.request);
            if (why.empty()) {
                why = frameAt(i + 2, "reply", options.reply);
            }
            if (!why.empty()) {
                return Wrong(why);
            }
            options.mode = DeviceMode::Answer;
            ++modes;
            i += 2;
        } else if (arg == "--send") {
            if (!hasValues(1)) {
                return Wrong("--send needs a hex frame");
            }
            if (std::string why = frameAt(i + 1, "frame", options.frame); !why.empty()) {
                return Wrong(why);
            }
            options.mode = DeviceMode::Send;
            ++modes;
            i += 1;
        } else if (arg == "--every") {
            if (!hasValues(1)) {
                return Wrong("--every needs a period in milliseconds");
            }
            std::optional<int> period = ParsePeriod(args[i + 1]);
            if (!period) {
                return Wrong("--every takes whole milliseconds from " +
                             std::to_string(kShortestPeriodMs) + " to " +
                             std::to_string(kLongestPeriodMs) + ", not '" + args[i + 1] + "'");
            }
            options.periodMs = *period;
            periodGiven = true;
            i += 1;
        } else {
            return Wrong("unknown argument '" + arg + "'");
        }
    }
    if (options.help) {
        return ParsedOptions{options, std::string()};
    }
    if (modes == 0) {
        return Wrong("say what the device does: --echo, --answer or --send");
    }
    if (modes > 1) {
        return Wrong("choose one of --echo, --answer and --send");
    }
    if (periodGiven && options.mode != DeviceMode::Send) {
        return Wrong("--every goes with --send");
    }
    return ParsedOptions{options, std::string()};
}

std::string DeviceUsage(const std::string& program) {
    return "Usage: " + program +
           " MODE [--verbose]\n"
           "\n"
           "Plays a simple serial device on a new pseudo-terminal. The path of its port\n"
           "is the first line on standard output; point a serial program at it (for\n"
           "Tessaline: TESSALINE_COM2=PATH). Ctrl-C stops it.\n"
           "\n"
           "Modes:\n"
           "  --echo                   send back every byte received\n"
           "  --answer REQUEST REPLY   answer each REQUEST frame received with REPLY\n"
           "  --send FRAME [--every MS]\n"
           "                           send FRAME every MS milliseconds (default 500,\n"
           "                           1 to 3600000) while the port is open\n"
           "\n"
           "Options:\n"
           "  -v, --verbose            log the bytes received and sent on standard error\n"
           "  -h, --help               show this help\n"
           "\n"
           "Frames are hex digit pairs, blanks allowed between pairs: \"AA BB\" or AABB.\n"
           "\n"
           "Example: " +
           program + " --send \"AA BB\" --every 500\n";
}
