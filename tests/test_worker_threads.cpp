#include <gtest/gtest.h>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/threads/UiThreadCalls.h"
#include "platform/threads/WorkerThreads.h"
#include "support/EventLoopWaits.h"

namespace {

TEST(UiThreadCalls, RunsCallsOnTheWindowThreadInTheWorkersOrder) {
    UiThreadCalls calls;
    const std::thread::id windowThread = std::this_thread::get_id();
    std::vector<int> ran;  // touched on the window's thread only
    std::atomic<bool> allOnWindowThread{true};
    std::atomic<int> finished{0};

    auto worker = [&](int first) {
        for (int i = first; i < first + 50; ++i) {
            int seen = -1;
            EXPECT_TRUE(calls.Call([&] {
                allOnWindowThread = allOnWindowThread && std::this_thread::get_id() == windowThread;
                ran.push_back(i);
                seen = static_cast<int>(ran.size());
            }));
            // The call has completed when Call returns.
            EXPECT_GT(seen, 0);
        }
        ++finished;
    };
    std::thread a(worker, 0);
    std::thread b(worker, 1000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished == 2; }, 20000));
    a.join();
    b.join();

    EXPECT_TRUE(allOnWindowThread);
    ASSERT_EQ(ran.size(), 100u);
    // Each worker's calls keep their order, however the two interleave.
    int lastA = -1;
    int lastB = 999;
    for (int i : ran) {
        int& last = i < 1000 ? lastA : lastB;
        EXPECT_EQ(i, last + 1);
        last = i;
    }

    // On the window's thread itself a call runs at once.
    bool ranHere = false;
    EXPECT_TRUE(calls.Call([&] { ranHere = true; }));
    EXPECT_TRUE(ranHere);
}

// Closing refuses calls in every state a worker can be in, and wakes sleepers
// at once: the window's end never waits for a period to pass.
TEST(UiThreadCalls, ClosingRefusesCallsAndWakesSleepers) {
    UiThreadCalls calls;
    std::atomic<bool> ran{false};
    std::atomic<int> refused{0};
    std::atomic<int> started{0};

    // Waiting for the window's thread, which does not run its loop meanwhile.
    std::thread waiting([&] {
        ++started;
        if (!calls.Call([&] { ran = true; })) {
            ++refused;
        }
    });
    // Asleep in a long period.
    long long sleptMs = -1;
    std::thread sleeping([&] {
        ++started;
        const auto start = Clock::now();
        if (!calls.SleepUnlessClosed(60000)) {
            ++refused;
        }
        sleptMs = Ms(Clock::now() - start);
    });
    while (started < 2) {
        std::this_thread::yield();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    calls.Close();
    waiting.join();
    sleeping.join();

    EXPECT_EQ(refused, 2);
    EXPECT_FALSE(ran);
    EXPECT_LT(sleptMs, 30000);

    // After the end, nothing is taken and no one sleeps.
    std::thread late([&] {
        EXPECT_FALSE(calls.Call([&] { ran = true; }));
        EXPECT_FALSE(calls.SleepUnlessClosed(60000));
    });
    late.join();
    QTest::qWait(20);
    EXPECT_FALSE(ran);
    EXPECT_FALSE(calls.Call([&] { ran = true; })) << "not even on the window's thread";
}

// A deliberate wait of the window's thread goes on running what workers hand
// over, as it comes, and nothing else, for its whole length.
TEST(UiThreadCalls, AServingWaitRunsOnlyHandedOverCalls) {
    UiThreadCalls calls;
    const std::thread::id windowThread = std::this_thread::get_id();
    // Window's thread only.
    bool serving = false;
    bool timerFired = false;
    std::vector<bool> ranWhileServing;

    QTimer::singleShot(0, [&] { timerFired = true; });
    std::atomic<bool> started{false};
    std::atomic<int> thrown{0};
    std::atomic<bool> finished{false};
    auto record = [&] {
        EXPECT_EQ(std::this_thread::get_id(), windowThread);
        ranWhileServing.push_back(serving);
    };
    std::thread worker([&] {
        while (!started) {
            std::this_thread::yield();
        }
        for (int i = 0; i < 3; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            EXPECT_TRUE(calls.Call(record));
        }
        try {
            (void)calls.Call([] { throw std::runtime_error("refused"); });
        } catch (const std::runtime_error&) {
            ++thrown;
        }
        EXPECT_TRUE(calls.Call(record));
        finished = true;
    });

    serving = true;
    started = true;
    const Clock::time_point start = Clock::now();
    calls.ServeFor(1000);
    const long long waitedMs = Ms(Clock::now() - start);
    serving = false;
    EXPECT_FALSE(timerFired) << "no Qt event ran during the wait";
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished && timerFired; }, 20000));
    worker.join();

    EXPECT_GE(waitedMs, 1000) << "the calls did not shorten the wait";
    EXPECT_EQ(ranWhileServing, std::vector<bool>(4, true));
    EXPECT_EQ(thrown, 1) << "a call's exception reaches its worker; the wait goes on";

    // The event loop still serves calls after a wait has taken some.
    std::thread later([&] { EXPECT_TRUE(calls.Call(record)); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return ranWhileServing.size() == 5; }, 20000));
    later.join();
    EXPECT_FALSE(ranWhileServing.back());
}

TEST(WorkerThreads, ReturnedWorkersDoNotPileUp) {
    WorkerThreads workers;
    std::atomic<int> done{0};
    for (int i = 0; i < 200; ++i) {
        workers.Start([&] { ++done; });
        while (done <= i) {
            std::this_thread::yield();
        }
    }
    // Each start joins those that have returned before it.
    EXPECT_LE(workers.Tracked(), 3u);

    std::atomic<bool> release{false};
    workers.Start([&] {
        while (!release) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    EXPECT_EQ(workers.Running(), 1u);
    release = true;
    workers.JoinAll();
    EXPECT_EQ(workers.Tracked(), 0u);
    EXPECT_EQ(done, 200);
}

}  // namespace
