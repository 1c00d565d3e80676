#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <mutex>
#include <thread>

#include "platform/text/Gbk.h"
#include "platform/text/LocalTime.h"
#include "support/TempDir.h"
#include "support/TrafficLines.h"
#include "trafficlog/TrafficLog.h"

namespace {

using namespace std::chrono;

// 2023-11-14T22:13:20.123 UTC.
const system_clock::time_point kInstant = system_clock::time_point(milliseconds(1700000000123));

ByteArray Gbk(const char* utf8) {
    const std::string bytes = gbk::Text(utf8);
    return ByteArray(bytes.begin(), bytes.end());
}

// The local time in the zone a POSIX TZ string describes.
TEST(TrafficRecordTime, LocalTimeWithMillisecondsAndOffset) {
    struct Case {
        const char* zone;
        std::string expected;
    };
    const Case cases[] = {
        {"UTC0", "2023-11-14T22:13:20.123+00:00"},
        {"CST-8", "2023-11-15T06:13:20.123+08:00"},
        {"NST3:30", "2023-11-14T18:43:20.123-03:30"},
    };
    const char* saved = std::getenv("TZ");
    const std::string previous = saved ? saved : "";
    for (const Case& c : cases) {
        setenv("TZ", c.zone, 1);
        tzset();
        EXPECT_EQ(LocalIsoTime(kInstant), c.expected) << c.zone;
    }
    EXPECT_EQ(LocalIsoTime(kInstant - milliseconds(1000123)).substr(19, 4), ".000");
    saved ? setenv("TZ", previous.c_str(), 1) : unsetenv("TZ");
    tzset();
}

// What follows the time on each kind of line.
TEST(TrafficRecordLine, EachKindAsDocumented) {
    struct Case {
        TrafficRecord record;
        std::string expected;
    };
    const Case cases[] = {
        {{TrafficKind::Open, kInstant, {}, {2, "/dev/pts/3", "9600,n,8,1", 0}},
         "OPEN COM2 9600,n,8,1 flow=none /dev/pts/3"},
        {{TrafficKind::Open, kInstant, {}, {4, "/dev/my port\n\\", "1200,e,7,2", 2}},
         "OPEN COM4 1200,e,7,2 flow=rts/cts /dev/my port\\x0A\\x5C"},
        {{TrafficKind::Open, kInstant, {}, {1, "/dev/ttyS0", "2400,o,8,1.5", 1}},
         "OPEN COM1 2400,o,8,1.5 flow=xon/xoff /dev/ttyS0"},
        {{TrafficKind::Close, kInstant, {}, {2, "/dev/pts/3", "", 0}}, "CLOSE COM2 /dev/pts/3"},
        {{TrafficKind::Receive, kInstant, {0xAA, 0xBB}, {}}, "RX 2 AA BB |..|"},
        {{TrafficKind::Send, kInstant, {'P', 'I', '|', 'G'}, {}}, "TX 4 50 49 7C 47 |PI|G|"},
        {{TrafficKind::Discard, kInstant, {'A', 0x0D, 0x0A, 0x00, 0x7F}, {}},
         "DROP 5 41 0D 0A 00 7F |A....|"},
        {{TrafficKind::Discard, kInstant, {}, {}}, "DROP 0 ||"},
        // GBK characters as themselves; a lead byte without its trail, and one
        // at the end, as dots.
        {{TrafficKind::Receive, kInstant, Gbk("中文 OK"), {}},
         "RX 7 D6 D0 CE C4 20 4F 4B |中文 OK|"},
        {{TrafficKind::Receive, kInstant, {0xD6, 0x0A, 'x', 0xD0}, {}}, "RX 4 D6 0A 78 D0 |..x.|"},
        // One byte that is no whole GBK character is one dot, also where a
        // decoder makes a character of it (0x80, 0xFF).
        {{TrafficKind::Receive, kInstant, {0x41, 0xFF, 0x80}, {}}, "RX 3 41 FF 80 |A..|"},
        {{TrafficKind::Receive, kInstant, {0xD6, 0xD0, 0xFF, 0xAA, 0xBB}, {}},
         "RX 5 D6 D0 FF AA BB |中...|"},
    };
    for (const Case& c : cases) {
        const std::string line = FormatTrafficRecord(c.record);
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line.back(), '\n');
        EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line: " << line;
        EXPECT_EQ(line.substr(line.find(' ') + 1), c.expected + "\n");
        EXPECT_EQ(line.substr(0, line.find(' ')), LocalIsoTime(kInstant));
        // The documented form reads it back.
        const std::optional<TrafficLine> parsed = ParseTrafficLine(line.substr(0, line.size() - 1));
        ASSERT_TRUE(parsed) << line;
        if (c.record.kind != TrafficKind::Open && c.record.kind != TrafficKind::Close) {
            EXPECT_EQ(parsed->bytes, c.record.bytes) << line;
        }
    }
}

// Warnings the writer thread reports.
class Warnings {
public:
    TrafficLog::Warning Sink() {
        return [this](const std::string& w) {
            std::lock_guard<std::mutex> hold(mutex_);
            lines_.push_back(w);
        };
    }
    std::vector<std::string> Lines() {
        std::lock_guard<std::mutex> hold(mutex_);
        return lines_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

class TrafficLogFile : public TempDirFixture {};

TEST_F(TrafficLogFile, RefusedWhenItCannotBeOpened) {
    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    struct Case {
        std::string path;
        std::string reason;
    };
    const Case cases[] = {
        {".", "Is a directory"},
        {"missing/traffic.log", "No such file or directory"},
        {"fifo", "No such device or address"},  // nobody reads it
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_EQ(TrafficLog::Open(c.path, {}, &why), nullptr) << c.path;
        EXPECT_EQ(why, "cannot open the traffic log " + c.path + ": " + c.reason);
    }
}

TEST_F(TrafficLogFile, AppendsToWhatIsThere) {
    WriteFile("traffic.log", "earlier line\n");
    std::string why;
    auto log = TrafficLog::Open("traffic.log", {}, &why);
    ASSERT_NE(log, nullptr) << why;
    log->BytesSent({'O', 'K'});
    log.reset();  // writes what is queued
    const std::string text = ReadFile("traffic.log");
    ASSERT_EQ(text.rfind("earlier line\n", 0), 0u);
    const auto lines = ParseTrafficLog(text.substr(13));
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_TRUE(lines[0]);
    EXPECT_EQ(lines[0]->kind, "TX");
    EXPECT_EQ(lines[0]->text, "OK");
}

// A device that takes nothing: one warning, and the log stops.
TEST_F(TrafficLogFile, AFullDeviceWarnsOnce) {
    Warnings warnings;
    std::string why;
    auto log = TrafficLog::Open("/dev/full", warnings.Sink(), &why);
    ASSERT_NE(log, nullptr) << why;
    for (int i = 0; i < 50; ++i) {
        log->BytesReceived({0x41});
        log->Flush();
    }
    EXPECT_TRUE(log->failed());
    log.reset();
    EXPECT_EQ(warnings.Lines(), std::vector<std::string>{
                                    "cannot write to the traffic log /dev/full: No space left on "
                                    "device; no further records are written"});
}

// A pipe whose reader takes a little at a time while records keep coming: the
// queue is bounded, so a reader that falls too far behind fails the log once,
// and what it got ends with a whole line. One that keeps up never fails.
TEST_F(TrafficLogFile, APipeReadTooSlowlyFailsTheLogOnce) {
    struct Case {
        const char* name;
        size_t readBytes;                     // per read
        std::chrono::milliseconds readEvery;  // and between reads
        std::chrono::milliseconds sendEvery;  // between records of 8 KiB
        size_t records;
        bool fails;
    };
    const Case cases[] = {
        {"2 KiB every 20 ms against 8 MB/s", 2048, milliseconds(20), milliseconds(1), 1024, true},
        {"a reader that keeps up with 2 MB/s", 1 << 16, milliseconds(0), milliseconds(4), 600,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(mkfifo("pipe", 0600), 0);
        std::string got;
        std::thread reader([&] {
            const int fd = ::open("pipe", O_RDONLY);
            std::vector<char> buffer(c.readBytes);
            ssize_t n;
            while ((n = ::read(fd, buffer.data(), buffer.size())) > 0) {
                got.append(buffer.data(), static_cast<size_t>(n));
                std::this_thread::sleep_for(c.readEvery);
            }
            ::close(fd);
        });
        Warnings warnings;
        std::unique_ptr<TrafficLog> log;
        for (int tries = 0; !log && tries < 200; ++tries) {
            std::string why;  // the reader may not have opened the pipe yet
            log = TrafficLog::Open("pipe", warnings.Sink(), &why);
            std::this_thread::sleep_for(milliseconds(10));
        }
        ASSERT_NE(log, nullptr);
        const ByteArray record(8192, 'x');
        for (size_t i = 0; i < c.records; ++i) {
            log->BytesReceived(record);
            std::this_thread::sleep_for(c.sendEvery);
        }
        EXPECT_EQ(log->failed(), c.fails);
        log.reset();  // the writer ends; the reader then sees the end
        reader.join();
        ASSERT_EQ(unlink("pipe"), 0);

        const auto lines = ParseTrafficLog(got);
        if (c.fails) {
            EXPECT_EQ(warnings.Lines(),
                      std::vector<std::string>{"the traffic log pipe is read too slowly: more than "
                                               "4 MiB wait to be written; no further records are "
                                               "written"});
            EXPECT_LT(lines.size(), c.records);
        } else {
            EXPECT_EQ(warnings.Lines(), std::vector<std::string>{});
            EXPECT_EQ(lines.size(), c.records);
        }
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.back(), '\n');
        for (const auto& line : lines) {
            ASSERT_TRUE(line);
            EXPECT_EQ(line->bytes, record);
        }
    }
}

// A file that cannot grow past a limit takes records until the one that does
// not fit: that one is cut off again, so the file ends with a whole record,
// and nothing is written after it, even once there is room again.
TEST_F(TrafficLogFile, AFileThatCannotGrowKeepsOnlyWholeRecords) {
    const rlimit saved = [] {
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        return limit;
    }();
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    Warnings warnings;
    std::string why;
    auto log = TrafficLog::Open("traffic.log", warnings.Sink(), &why);
    ASSERT_NE(log, nullptr) << why;
    const ByteArray frame(20, 'x');
    for (int i = 0; i < 30; ++i) {
        log->BytesReceived(frame);
        log->Flush();  // one record per write
    }
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    const std::string full = ReadFile("traffic.log");
    log->BytesSent(frame);
    log.reset();

    const std::string text = ReadFile("traffic.log");
    EXPECT_EQ(text, full) << "written after the failure";
    ASSERT_FALSE(text.empty());
    EXPECT_LE(text.size(), 1000u);
    EXPECT_EQ(text.back(), '\n');
    for (const auto& line : ParseTrafficLog(text)) {
        ASSERT_TRUE(line);
        EXPECT_EQ(line->bytes, frame);
    }
    ASSERT_EQ(warnings.Lines().size(), 1u);
    EXPECT_NE(warnings.Lines()[0].find("File too large"), std::string::npos) << warnings.Lines()[0];
}

}  // namespace
