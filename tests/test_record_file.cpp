#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "platform/files/RecordFile.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono;

class RecordFileTest : public TempDirFixture {};

// Another writer holds the file's lock (as another program appending would):
// an append waits for it, so that nothing comes between the other writer's
// record and its cut-back.
TEST_F(RecordFileTest, AnAppendWaitsForAnotherWritersLock) {
    WriteFile("log", "first\n");
    const int other = ::open("log", O_WRONLY | O_APPEND);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);

    RecordFile file;
    ASSERT_EQ(file.Open("log"), 0);
    std::atomic<int> result{-1};
    std::thread writer([&] { result = file.Append("third\n"); });
    std::this_thread::sleep_for(milliseconds(200));
    EXPECT_EQ(result.load(), -1) << "appended under another writer's lock";
    EXPECT_EQ(ReadFile("log"), "first\n");
    ASSERT_EQ(::write(other, "second\n", 7), 7);
    ASSERT_EQ(::flock(other, LOCK_UN), 0);
    writer.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(ReadFile("log"), "first\nsecond\nthird\n");
    ::close(other);
}

// Two writers fill a file that cannot grow past a limit (a full disk): each
// one's last record goes in part and is cut off again, and the file ends with
// whole records only, whoever wrote last.
TEST_F(RecordFileTest, TwoWritersOnAFullFileLeaveWholeRecords) {
    const std::string records[] = {std::string(99, 'a') + "\n", std::string(57, 'b') + "\n"};
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        WriteFile("log", "");
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 20000;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        std::thread writers[2];
        for (int w = 0; w < 2; ++w) {
            writers[w] = std::thread([&, w] {
                // Past the limit a write fails rather than ending the program.
                sigset_t fileSize;
                sigemptyset(&fileSize);
                sigaddset(&fileSize, SIGXFSZ);
                pthread_sigmask(SIG_BLOCK, &fileSize, nullptr);
                RecordFile file;
                ASSERT_EQ(file.Open("log"), 0);
                while (file.Append(records[w]) == 0) {
                }
            });
        }
        for (std::thread& w : writers) {
            w.join();
        }
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
        const std::string text = ReadFile("log");
        ASSERT_GT(text.size(), 19000u);
        ASSERT_LE(text.size(), 20000u);
        for (size_t at = 0; at < text.size();) {
            const size_t end = text.find('\n', at);
            ASSERT_NE(end, std::string::npos) << "a record cut at " << at;
            const std::string line = text.substr(at, end + 1 - at);
            EXPECT_TRUE(line == records[0] || line == records[1]) << "at " << at << ": " << line;
            at = end + 1;
        }
    }
}

}  // namespace
