#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/DeviceProcess.h"

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
    const ParsedOptions answer = ParseDeviceOptions({"--answer", "01 02", "AABB", "-v"});
    ASSERT_TRUE(answer.options) << answer.error;
    EXPECT_EQ(answer.options->mode, DeviceMode::Answer);
    EXPECT_EQ(answer.options->answers,
              (std::vector<std::pair<Frame, Frame>>{{{0x01, 0x02}, {0xAA, 0xBB}}}));
    EXPECT_TRUE(answer.options->verbose);
    // The period may come first; without one the device sends every 500 ms.
    EXPECT_EQ(ParseDeviceOptions({"--every", "20", "--send", "AA"}).options->periodMs, 20);
    EXPECT_EQ(ParseDeviceOptions({"--send", "AA"}).options->periodMs, 500);
    const ParsedOptions paced = ParseDeviceOptions({"--echo", "--delay", "0", "--split", "4096"});
    ASSERT_TRUE(paced.options) << paced.error;
    EXPECT_EQ(paced.options->delayMs, 0);
    EXPECT_EQ(paced.options->splitBytes, 4096);
}

TEST(DeviceOptions, RefusesBadLinesWithAReason) {
    struct Case {
        Args args;
        std::string why;
    };
    const Case cases[] = {
        {{}, "--echo, --answer or --send"},
        {{"--echo", "--send", "AA"}, "choose one"},
        {{"--answer", "01"}, "two hex frames"},
        {{"--answer", "01", "ZZ"}, "reply 'ZZ' is not a hex frame"},
        {{"--send"}, "needs a hex frame"},
        {{"--send", "AA", "--every"}, "needs a period"},
        {{"--send", "AA", "--every", "0"}, "from 1 to 3600000, not '0'"},
        {{"--send", "AA", "--every", "3600001"}, "not '3600001'"},
        {{"--send", "AA", "--every", "1.5"}, "not '1.5'"},
        {{"--send", "AA", "--every", "99999999999"}, "not '99999999999'"},
        {{"--echo", "--every", "10"}, "--every goes with --send"},
        {{"--echo", "extra"}, "unknown argument 'extra'"},
        {{"--echo", "--delay", "-1"}, "--delay takes whole milliseconds from 0 to 3600000"},
        {{"--echo", "--delay"}, "--delay needs a time in milliseconds"},
        {{"--send", "AA", "--delay", "5"}, "--delay goes with --echo or --answer"},
        {{"--echo", "--split", "0"}, "--split takes a number of bytes from 1 to 4096, not '0'"},
        {{"--echo", "--split", "4097"}, "not '4097'"},
        {{"--echo", "--split"}, "--split needs a number of bytes"},
    };
    for (const Case& c : cases) {
        const ParsedOptions p = ParseDeviceOptions(c.args);
        EXPECT_FALSE(p.options);
        EXPECT_NE(p.error.find(c.why), std::string::npos) << p.error;
    }
}

TEST(SimulatedDevice, PlaysEachModeOnItsPort) {
    struct Case {
        Args args;
        std::vector<Frame> sent;  // by the test, one write each
        Frame expected;
        int stopSignal;
        int atLeastMs;  // the reply cannot come sooner
    };
    const Case cases[] = {
        {{"--echo"}, {{'h', 'i', 0x00, 0xFF}}, {'h', 'i', 0x00, 0xFF}, SIGINT, 0},
        {{"--answer", "01 02", "AA BB"},
         {{0x00, 0x01}, {0x02, 0x01, 0x02}},
         {0xAA, 0xBB, 0xAA, 0xBB},
         SIGTERM,
         0},
        // Several requests, each its own reply.
        {{"--answer", "01", "AA", "--answer", "02 03", "BB CC"},
         {{0x02, 0x03}, {0x01}},
         {0xBB, 0xCC, 0xAA},
         SIGTERM,
         0},
        {{"--send", "AA BB", "--every", "20"}, {}, {0xAA, 0xBB, 0xAA, 0xBB, 0xAA, 0xBB}, SIGINT, 0},
        {{"--answer", "01", "AA BB CC", "--delay", "150", "--split", "2"},
         {{0x01}},
         {0xAA, 0xBB, 0xCC},
         SIGTERM,
         150},
        {{"--echo", "--split", "1"}, {{'a', 'b', 'c'}}, {'a', 'b', 'c'}, SIGINT, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        DeviceProcess device(c.args);
        const std::string path = device.FirstLine(5000);
        ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;
        ASSERT_TRUE(device.OpenPort(path)) << path;
        const auto start = std::chrono::steady_clock::now();
        for (const Frame& f : c.sent) {
            ASSERT_TRUE(device.Send(f));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_EQ(device.Receive(c.expected.size(), 5000), c.expected);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(c.atLeastMs));
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
