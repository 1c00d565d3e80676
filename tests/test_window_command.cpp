#include <gtest/gtest.h>
#include <unistd.h>
#include <QSerialPortInfo>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/PortListing.h"
#include "app/WindowCommand.h"
#include "serial/CommControl.h"
#include "support/ChildProcess.h"
#include "support/Pty.h"
#include "support/TempDir.h"

namespace {

using Action = WindowCommand::Action;

TEST(WindowCommandLine, ParsedAsQtParsesIt) {
    struct Case {
        std::vector<std::string> arguments;
        Action action;
        std::string error;  // the start of it
    };
    const Case cases[] = {
        {{}, Action::StartWindow, ""},
        // Qt's window options are left to Qt.
        {{"-platform", "offscreen", "-style", "Fusion", "-reverse", "--qwindowtitle", "x"},
         Action::StartWindow,
         ""},
        {{"-display", ":1", "-geometry", "+0+0", "--log", "t.log"}, Action::StartWindow, ""},
        {{"--help"}, Action::ShowHelp, ""},
        {{"-h", "--port", "COM9=x"}, Action::ShowHelp, ""},
        {{"--help-all"}, Action::ShowHelpAll, ""},
        {{"--help", "--version"}, Action::ShowVersion, ""},
        {{"-v"}, Action::ShowVersion, ""},
        {{"--list-ports", "-platform", "xcb"}, Action::ListPorts, ""},
        {{"--bogus", "--help"}, Action::UsageError, "Unknown option 'bogus'."},
        {{"--log"}, Action::UsageError, "Missing value after '--log'."},
        {{"extra"}, Action::UsageError, "unexpected argument 'extra'"},
        {{"--log", ""}, Action::UsageError, "--log needs a file name"},
        {{"--log", "a", "--log", "b"}, Action::UsageError, "--log is given twice"},
        {{"--port", "COM2=/a", "--port=com2=/b"}, Action::UsageError, "--port maps COM2 twice"},
        // The mapping itself: COM1 to COM4, one digit, a path after '='.
        {{"--port", "COM0=/dev/x"}, Action::UsageError, "--port takes COMn=PATH"},
        {{"--port", "COM5=/dev/x"}, Action::UsageError, "--port takes COMn=PATH"},
        {{"--port", "COM02=/dev/x"}, Action::UsageError, "--port takes COMn=PATH"},
        {{"--port", "COM2"}, Action::UsageError, "--port takes COMn=PATH"},
        {{"--port", "COM2="}, Action::UsageError, "--port takes COMn=PATH"},
        {{"--port", "=/dev/x"}, Action::UsageError, "--port takes COMn=PATH"},
        {{"--port", "TTY2=/dev/x"}, Action::UsageError, "--port takes COMn=PATH"},
        {{"--port", "COM5=/dev/x", "--list-ports"}, Action::UsageError, "--port takes"},
        // The baud-rate list: whole numbers from 1, none twice, nothing empty.
        {{"--baud-rates", "9600,115200,921600"}, Action::StartWindow, ""},
        {{"--baud-rates", "9600,,115200"},
         Action::UsageError,
         "--baud-rates takes whole numbers from 1 to 999999999 separated by commas, not ''"},
        {{"--baud-rates", ""}, Action::UsageError, "--baud-rates takes whole numbers"},
        {{"--baud-rates", "0"}, Action::UsageError, "--baud-rates takes whole numbers"},
        {{"--baud-rates", "1000000000"}, Action::UsageError, "--baud-rates takes whole numbers"},
        {{"--baud-rates", "9600, 19200"}, Action::UsageError, "--baud-rates takes whole numbers"},
        {{"--baud-rates", "115200,9600,115200"},
         Action::UsageError,
         "--baud-rates lists 115200 twice"},
        {{"--baud-rates", "9600", "--baud-rates=1200"},
         Action::UsageError,
         "--baud-rates is given twice"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.arguments) {
            line += "[" + a + "]";
        }
        const WindowCommand command = ParseWindowCommand(c.arguments);
        EXPECT_EQ(command.action, c.action) << line << " " << command.error;
        EXPECT_EQ(command.error.rfind(c.error, 0), 0u) << line << ": " << command.error;
    }
}

TEST(WindowCommandLine, MappingsAndLogKeepTheirBytes) {
    const std::string path = "/dev/serial/by-id/usb-\xD6\xD0 port";
    const WindowCommand command = ParseWindowCommand(
        {"--port", "com3=" + path, "--port=COM1=/dev/ttyUSB0", "--log", "\xCE\xC4.log"});
    ASSERT_EQ(command.action, Action::StartWindow) << command.error;
    ASSERT_EQ(command.mappings.size(), 2u);
    EXPECT_EQ(command.mappings[0].port, 3);
    EXPECT_EQ(command.mappings[0].path, path);
    EXPECT_EQ(command.mappings[1].port, 1);
    EXPECT_EQ(command.mappings[1].path, "/dev/ttyUSB0");
    EXPECT_EQ(command.logPath, "\xCE\xC4.log");
}

TEST(WindowCommandLine, BaudRatesInTheOrderGiven) {
    struct Case {
        std::vector<std::string> arguments;
        std::vector<int> rates;
    };
    const Case cases[] = {
        {{}, {}},
        {{"--baud-rates", "9600,115200,921600"}, {9600, 115200, 921600}},
        {{"--baud-rates=250000,1200,1"}, {250000, 1200, 1}},
        {{"--baud-rates", "09600"}, {9600}},
    };
    for (const Case& c : cases) {
        const WindowCommand command = ParseWindowCommand(c.arguments);
        ASSERT_EQ(command.action, Action::StartWindow) << command.error;
        EXPECT_EQ(command.baudRates, c.rates);
    }
}

// The command line wins over the environment, which wins over the system.
TEST(PortMappings, CommandLineOverEnvironment) {
    const ComMapping environment2(2, "/dev/from-environment");
    const ComMapping environment3(3, "/dev/also-from-environment");
    SetCommandLineMappings({{2, "/dev/from-command-line", MappingSource::CommandLine}});
    EXPECT_EQ(CommControl::DevicePath(2), "/dev/from-command-line");
    EXPECT_EQ(CurrentMapping(3).source, MappingSource::Environment);
    EXPECT_EQ(CommControl::DevicePath(3), "/dev/also-from-environment");
    EXPECT_EQ(CurrentMapping(4).source, MappingSource::System);
    SetCommandLineMappings({});
    EXPECT_EQ(CommControl::DevicePath(2), "/dev/from-environment");
}

const std::string kUsbByPath = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0";

TEST(PortList, OneLinePerPortWithItsCom) {
    const SerialPortEntry usb{"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A50285BI", 0x403,
                              0x6001,         kUsbByPath};
    const SerialPortEntry s10{"/dev/ttyS10", "", "", "", {}, {}, ""};
    const SerialPortEntry s2{"/dev/ttyS2", "", "", "", {}, {}, ""};
    const auto mapping = [](int port, const char* path, MappingSource source) {
        return PortMapping{port, path, source};
    };
    // by-id names the adapter's device.
    const SameDevice same = [](const std::string& a, const std::string& b) {
        const auto device = [](const std::string& p) {
            return p == "/dev/serial/by-id/ftdi" ? std::string("/dev/ttyUSB0") : p;
        };
        return device(a) == device(b);
    };
    const auto exists = [](const std::string& path) { return path == "/dev/pts/7"; };
    struct Case {
        const char* name;
        std::vector<SerialPortEntry> ports;
        std::vector<PortMapping> mappings;
        std::string expected;
    };
    const Case cases[] = {
        {"ports in natural order, a COMn through a link, two COMn on one port",
         {usb, s10, s2},
         {mapping(1, "/dev/serial/by-id/ftdi", MappingSource::CommandLine),
          mapping(2, "/dev/ttyS10", MappingSource::Environment),
          mapping(3, "/dev/ttyS2", MappingSource::System),
          mapping(4, "/dev/ttyS10", MappingSource::CommandLine)},
         "COM        PATH          USB        SERIAL    MANUFACTURER  DESCRIPTION      BY-PATH\n"
         "COM3       /dev/ttyS2    -          -         -             -                -\n"
         "COM2,COM4  /dev/ttyS10   -          -         -             -                -\n"
         "COM1       /dev/ttyUSB0  0403:6001  A50285BI  FTDI          FT232R USB UART  " +
             kUsbByPath + "\n"},
        {"a mapped device the system does not list",
         {s2},
         {mapping(1, "/dev/pts/7", MappingSource::CommandLine),
          mapping(2, "/dev/gone", MappingSource::Environment),
          mapping(4, "/dev/ttyS3", MappingSource::System)},
         "COM   PATH        USB  SERIAL  MANUFACTURER  DESCRIPTION                         "
         "BY-PATH\n"
         "-     /dev/ttyS2  -    -       -             -                                   -\n"
         "COM1  /dev/pts/7  -    -       -             not a serial port the system lists  -\n"
         "COM2  /dev/gone   -    -       -             no such device                      -\n"},
        {"none, nothing mapped",
         {},
         {mapping(1, "/dev/ttyS0", MappingSource::System)},
         "No serial ports found.\n"
         "Map a device to a port of the window with --port COM2=/dev/ttyUSB0 or "
         "TESSALINE_COM2=/dev/ttyUSB0.\n"},
        {"none, but one mapped by hand",
         {},
         {mapping(2, "/dev/pts/7", MappingSource::Environment)},
         "No serial ports found.\n"
         "COM   PATH        USB  SERIAL  MANUFACTURER  DESCRIPTION                         "
         "BY-PATH\n"
         "COM2  /dev/pts/7  -    -       -             not a serial port the system lists  -\n"
         "Map a device to a port of the window with --port COM2=/dev/ttyUSB0 or "
         "TESSALINE_COM2=/dev/ttyUSB0.\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PortListText(c.ports, c.mappings, same, exists), c.expected) << c.name;
    }
}

// The by-path name of a device: the link in the folder that leads to it, the
// first by name when the system made two (with and without "usbv2").
TEST(PortList, TheByPathNameIsTheLinkToTheDevice) {
    const CurrentTempDir temp;
    Pty first;
    Pty second;
    std::filesystem::create_directory("by-path");
    const std::string usbv2 = "by-path/pci-0000:00:14.0-usbv2-0:1:1.0-port0";
    const std::string usb = "by-path/pci-0000:00:14.0-usb-0:1:1.0-port0";
    const std::string other = "by-path/pci-0000:00:14.0-usb-0:2:1.0-port0";
    ASSERT_EQ(::symlink(first.path().c_str(), usbv2.c_str()), 0);
    ASSERT_EQ(::symlink(first.path().c_str(), usb.c_str()), 0);
    ASSERT_EQ(::symlink(second.path().c_str(), other.c_str()), 0);
    struct Case {
        std::string device;
        std::string folder;
        std::string expected;
    };
    const Case cases[] = {
        {first.path(), "by-path", usb},
        {second.path(), "by-path", other},
        {"/dev/null", "by-path", ""},
        {first.path(), "no-such-folder", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LinkNaming(c.device, c.folder, SameDeviceOnDisk), c.expected) << c.device;
    }
}

// The built program, without a display: Qt would end it at once if it tried
// to reach one.
class WindowProgram : public TempDirFixture {
protected:
    struct Run {
        int exitCode;
        std::string output;
        std::string errors;
    };
    static std::vector<std::string> Without(const std::vector<std::string>& arguments,
                                            const std::vector<std::string>& environment = {}) {
        std::vector<std::string> argv{
            "/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb"};
        argv.insert(argv.end(), environment.begin(), environment.end());
        argv.push_back(TESSALINE_WINDOW_PATH);
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return argv;
    }
    static Run RunProgram(const std::vector<std::string>& arguments,
                          const std::vector<std::string>& environment = {}) {
        ChildProcess child(Without(arguments, environment), ChildProcess::Options{true, {}});
        Run run;
        run.output = child.ReadAll(10000);
        run.errors = child.ReadAllErrors(10000);
        run.exitCode = child.Wait(10000);
        return run;
    }
};

TEST_F(WindowProgram, AnswersWithoutAWindow) {
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string output;  // found in standard output
        std::string errors;  // standard error, whole
    };
    const Case cases[] = {
        {{"--help"}, 0, "Usage: " + std::string(TESSALINE_WINDOW_PATH) + " [options]", ""},
        {{"--help-all", "-platform", "offscreen"}, 0, "--platform <platformName[:options]>", ""},
        {{"--version"}, 0, "tessaline 2.0\n", ""},
        {{"--bogus"}, 2, "", "tessaline: Unknown option 'bogus'.\n"},
        {{"--port", "COM5=/dev/ttyS4"},
         2,
         "",
         "tessaline: --port takes COMn=PATH with n from 1 to 4, not 'COM5=/dev/ttyS4'\n"},
        {{"--log", "missing/traffic.log"},
         2,
         "",
         "tessaline: cannot open the traffic log missing/traffic.log: No such file or "
         "directory\n"},
    };
    for (const Case& c : cases) {
        const Run run = RunProgram(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments[0] << run.errors;
        EXPECT_NE(run.output.find(c.output), std::string::npos) << run.output;
        EXPECT_EQ(run.errors, c.errors) << c.arguments[0];
        if (c.exitCode != 0) {
            EXPECT_EQ(run.output, "");
        }
    }
}

TEST_F(WindowProgram, ListsEveryPortTheSystemHas) {
    const Run run = RunProgram({"--list-ports"});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    if (ports.isEmpty()) {
        EXPECT_EQ(run.output.rfind("No serial ports found.\n", 0), 0u) << run.output;
        return;
    }
    std::istringstream lines(run.output);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line.rfind("COM ", 0), 0u) << "header: " << line;
    size_t count = 0;
    for (; std::getline(lines, line); ++count) {
        bool named = false;
        for (const QSerialPortInfo& port : ports) {
            named = named ||
                    line.find(" " + port.systemLocation().toStdString() + " ") != std::string::npos;
        }
        EXPECT_TRUE(named) << line;
    }
    EXPECT_EQ(count, static_cast<size_t>(ports.size())) << run.output;
}

TEST_F(WindowProgram, PortOptionWinsOverTheEnvironment) {
    Pty pty;
    const Run run = RunProgram({"--list-ports", "--port", "COM2=" + pty.path()},
                               {"TESSALINE_COM2=/dev/from-environment"});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    std::istringstream lines(run.output);
    std::string line;
    bool mapped = false;
    while (std::getline(lines, line)) {
        mapped = mapped || (line.rfind("COM2 ", 0) == 0 &&
                            line.find(" " + pty.path() + " ") != std::string::npos);
    }
    EXPECT_TRUE(mapped) << run.output;
    EXPECT_EQ(run.output.find("/dev/from-environment"), std::string::npos) << run.output;
}

// A relative path is read against the folder the program starts in: a link
// here by its bare name, any other bare name as the system's device.
TEST_F(WindowProgram, ARelativePortIsTheFileHere) {
    Pty pty;
    ASSERT_EQ(::symlink(pty.path().c_str(), "mydev"), 0);
    const Run run =
        RunProgram({"--list-ports", "--port", "COM2=mydev", "--port", "COM3=tessaline-absent"},
                   {"TESSALINE_COM4=./mydev"});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    const std::string here = dir().string();
    EXPECT_NE(run.output.find("\nCOM2,COM4  " + here + "/mydev "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\nCOM3       /dev/tessaline-absent "), std::string::npos)
        << run.output;
}

// Qt's own options reach Qt: with -platform offscreen the window starts
// without a display, and its log is opened.
TEST_F(WindowProgram, StartsTheWindowWithQtOptions) {
    ChildProcess child(
        Without({"-platform", "offscreen", "-style", "Fusion", "--log", "traffic.log"}),
        ChildProcess::Options{true, {}});
    EXPECT_EQ(child.Wait(1500), -1) << "ended early: " << child.ReadAllErrors(100);
    EXPECT_TRUE(std::ifstream("traffic.log").good());
}

}  // namespace
