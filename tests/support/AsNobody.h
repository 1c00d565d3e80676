#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>

#include "support/ChildProcess.h"

// Root may write any file, so a test of permissions that runs as root runs
// again, alone, in a process of the user nobody, and takes that run's result.
// True when that was done and the caller must return; false when the caller
// is not root and does the test's work itself.
inline bool RanAgainAsNobody(int timeoutMs = 60000) {
    if (geteuid() != 0) {
        return false;
    }
    constexpr uid_t kNobody = 65534;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string filter =
        std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    ChildProcess child({self, filter}, kNobody);
    if (!child.Started()) {
        ADD_FAILURE() << "cannot start " << self;
        return true;
    }
    const std::string output = child.ReadAll(timeoutMs);
    const int code = child.Wait(1000);
    if (code == ChildProcess::kCannotSwitchUser || code == ChildProcess::kCannotRun) {
        [&] { GTEST_SKIP() << "cannot run this test as user nobody (exit " << code << ")"; }();
        return true;
    }
    std::cout << "ran again as user nobody\n";
    EXPECT_EQ(code, 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << output;
    EXPECT_EQ(output.find("SKIPPED"), std::string::npos) << output;
    return true;
}
