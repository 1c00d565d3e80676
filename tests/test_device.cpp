#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tools/device/DeviceOptions.h"
#include "tools/device/HexFrame.h"
#include "tools/device/RequestMatcher.h"

namespace {

using Args = std::vector<std::string>;

TEST(HexFrame, ParsesPairsAndRefusesTheRest) {
    struct Case {
        std::string text;
        std::optional<Frame> frame;
        std::string why;  // part of the error
    };
    const Case cases[] = {
        {"AA BB", Frame{0xAA, 0xBB}, ""},
        {"aabb", Frame{0xAA, 0xBB}, ""},
        {"\t01 0203  ", Frame{0x01, 0x02, 0x03}, ""},
        {"00", Frame{0x00}, ""},
        {"A A", std::nullopt, "odd number"},
        {"AAB", std::nullopt, "odd number"},
        {"AG", std::nullopt, "'G' is not a hex digit"},
        {"0x41", std::nullopt, "'x' is not a hex digit"},
        {"AA,BB", std::nullopt, "','"},
        {"", std::nullopt, "no bytes"},
        {"   ", std::nullopt, "no bytes"},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_EQ(ParseHexFrame(c.text, &why), c.frame) << c.text;
        EXPECT_NE(why.find(c.why), std::string::npos) << c.text << ": " << why;
    }
    EXPECT_EQ(FormatHexFrame({0x0A, 0xFF, 0x00}), "0A FF 00");
}

TEST(RequestMatcher, FindsTheRequestAcrossReadsAndOverlaps) {
    struct Case {
        Frame request;
        Frame stream;
        std::vector<size_t> matchesAt;  // index of the byte that completes one
    };
    const Case cases[] = {
        {{0x01, 0x02}, {0x00, 0x01, 0x02, 0x01, 0x02}, {2, 4}},
        {{0x01, 0x01, 0x02}, {0x01, 0x01, 0x01, 0x02}, {3}},
        {{0x01, 0x01}, {0x01, 0x01, 0x01, 0x01}, {1, 3}},  // one answer per request
        {{0x41}, {0x41, 0x42, 0x41}, {0, 2}},
        {{0x01, 0x02}, {0x02, 0x01}, {}},
    };
    for (const Case& c : cases) {
        RequestMatcher matcher(c.request);
        std::vector<size_t> matches;
        for (size_t i = 0; i < c.stream.size(); ++i) {
            if (matcher.Feed(c.stream[i])) {
                matches.push_back(i);
            }
        }
        EXPECT_EQ(matches, c.matchesAt) << FormatHexFrame(c.stream);
    }
}

TEST(DeviceOptions, ReadsTheCommandLine) {
    auto ok = [](const Args& args) {
        ParsedOptions p = ParseDeviceOptions(args);
        EXPECT_TRUE(p.options) << p.error;
        return p.options.value_or(DeviceOptions{});
    };
    EXPECT_EQ(ok({"--echo"}).mode, DeviceMode::Echo);
    const DeviceOptions answer = ok({"--answer", "01 02", "AABB", "-v"});
    EXPECT_EQ(answer.mode, DeviceMode::Answer);
    EXPECT_EQ(answer.request, (Frame{0x01, 0x02}));
    EXPECT_EQ(answer.reply, (Frame{0xAA, 0xBB}));
    EXPECT_TRUE(answer.verbose);
    const DeviceOptions send = ok({"--every", "20", "--send", "AA BB"});
    EXPECT_EQ(send.mode, DeviceMode::Send);
    EXPECT_EQ(send.frame, (Frame{0xAA, 0xBB}));
    EXPECT_EQ(send.periodMs, 20);
    EXPECT_EQ(ok({"--send", "AA"}).periodMs, 500);
    EXPECT_TRUE(ok({"--help"}).help);
}

TEST(DeviceOptions, RefusesBadLinesWithAReason) {
    struct Case {
        Args args;
        std::string why;
    };
    const Case cases[] = {
        {{}, "--echo, --answer or --send"},
        {{"--verbose"}, "--echo, --answer or --send"},
        {{"--echo", "--send", "AA"}, "choose one"},
        {{"--answer", "01"}, "two hex frames"},
        {{"--answer", "01", "ZZ"}, "reply 'ZZ' is not a hex frame"},
        {{"--answer", "0", "AA"}, "request '0'"},
        {{"--send"}, "needs a hex frame"},
        {{"--send", "AA", "--every"}, "needs a period"},
        {{"--send", "AA", "--every", "0"}, "from 1 to 3600000, not '0'"},
        {{"--send", "AA", "--every", "3600001"}, "not '3600001'"},
        {{"--send", "AA", "--every", "-5"}, "not '-5'"},
        {{"--send", "AA", "--every", "1.5"}, "not '1.5'"},
        {{"--send", "AA", "--every", "99999999999"}, "not '99999999999'"},
        {{"--echo", "--every", "10"}, "--every goes with --send"},
        {{"--echo", "extra"}, "unknown argument 'extra'"},
    };
    for (const Case& c : cases) {
        const ParsedOptions p = ParseDeviceOptions(c.args);
        EXPECT_FALSE(p.options);
        EXPECT_NE(p.error.find(c.why), std::string::npos) << p.error;
    }
}

// The built program, run as a user would.
class DeviceProcess {
public:
    explicit DeviceProcess(const Args& args) {
        int out[2], err[2];
        if (pipe(out) != 0 || pipe(err) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            std::vector<char*> argv{const_cast<char*>(TESSALINE_DEVICE_PATH)};
            for (const std::string& a : args) {
                argv.push_back(const_cast<char*>(a.c_str()));
            }
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~DeviceProcess() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (port_ >= 0)
            close(port_);
        close(out_);
        close(err_);
    }

    // The first line of standard output, waiting at most the time given.
    std::string FirstLine(int timeoutMs) {
        std::string line;
        char c;
        while (Wait(out_, timeoutMs) && read(out_, &c, 1) == 1 && c != '\n') {
            line += c;
        }
        return line;
    }
    std::string AllOf(int fd) {
        std::string text;
        char buffer[512];
        ssize_t n;
        while (Wait(fd, 2000) && (n = read(fd, buffer, sizeof buffer)) > 0) {
            text.append(buffer, static_cast<size_t>(n));
        }
        return text;
    }
    std::string Output() { return AllOf(out_); }
    std::string Errors() { return AllOf(err_); }

    // Opens the device's port as a serial program would.
    bool OpenPort(const std::string& path) {
        port_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (port_ < 0) {
            return false;
        }
        termios t{};
        tcgetattr(port_, &t);
        cfmakeraw(&t);
        tcsetattr(port_, TCSANOW, &t);
        return true;
    }
    void Send(const Frame& bytes) {
        ASSERT_EQ(write(port_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    Frame Receive(size_t count, int timeoutMs) {
        Frame got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        unsigned char buffer[256];
        for (auto now = std::chrono::steady_clock::now(); got.size() < count && now < end;
             now = std::chrono::steady_clock::now()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
            if (Wait(port_, static_cast<int>(left.count()) + 1)) {
                const ssize_t n = read(port_, buffer, sizeof buffer);
                if (n > 0)
                    got.insert(got.end(), buffer, buffer + n);
            }
        }
        return got;
    }

    // Signals the device and returns its exit code (-1: did not exit normally).
    int Stop(int signal) {
        kill(pid_, signal);
        return ExitCode();
    }
    int ExitCode() {
        int status = 0;
        waitpid(pid_, &status, 0);
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    static bool Wait(int fd, int timeoutMs) {
        pollfd p{fd, POLLIN, 0};
        return poll(&p, 1, timeoutMs) > 0;
    }

    pid_t pid_ = -1;
    int out_ = -1, err_ = -1, port_ = -1;
    bool exited_ = false;
};

TEST(SimulatedDevice, PlaysEachModeOnItsPort) {
    struct Case {
        Args args;
        std::vector<Frame> sent;  // by the test, one write each
        Frame expected;
        int stopSignal;
    };
    const Case cases[] = {
        {{"--echo"}, {{'h', 'i', 0x00, 0xFF}}, {'h', 'i', 0x00, 0xFF}, SIGINT},
        {{"--answer", "01 02", "AA BB"},
         {{0x00, 0x01}, {0x02, 0x01, 0x02}},
         {0xAA, 0xBB, 0xAA, 0xBB},
         SIGTERM},
        {{"--send", "AA BB", "--every", "20"}, {}, {0xAA, 0xBB, 0xAA, 0xBB, 0xAA, 0xBB}, SIGINT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        DeviceProcess device(c.args);
        const std::string path = device.FirstLine(5000);
        ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;
        ASSERT_TRUE(device.OpenPort(path)) << path;
        for (const Frame& f : c.sent) {
            device.Send(f);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_EQ(device.Receive(c.expected.size(), 5000), c.expected);
        EXPECT_EQ(device.Stop(c.stopSignal), 0) << "a clean stop";
        EXPECT_EQ(device.Output(), "") << "only the path goes to standard output";
    }
}

TEST(SimulatedDevice, SendsNothingBeforeThePortIsOpened) {
    DeviceProcess device({"--send", "AA BB", "--every", "300"});
    const std::string path = device.FirstLine(5000);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    ASSERT_TRUE(device.OpenPort(path));
    // Frames piled up while nobody listened would be there at once; the first
    // one is due a period after the port was opened.
    EXPECT_EQ(device.Receive(64, 100), Frame{});
    EXPECT_EQ(device.Receive(2, 3000), (Frame{0xAA, 0xBB}));
    EXPECT_EQ(device.Stop(SIGTERM), 0);
}

TEST(SimulatedDevice, BadArgumentsExitWithAMessage) {
    DeviceProcess device({"--send", "AAB"});
    EXPECT_EQ(device.ExitCode(), 2);
    EXPECT_EQ(device.Output(), "");
    const std::string errors = device.Errors();
    EXPECT_NE(errors.find("'AAB' is not a hex frame"), std::string::npos) << errors;
    EXPECT_NE(errors.find("--help"), std::string::npos) << errors;

    DeviceProcess help({"--help"});
    EXPECT_EQ(help.ExitCode(), 0);
    EXPECT_NE(help.Output().find("Usage: tessaline-device"), std::string::npos);
}

}  // namespace
