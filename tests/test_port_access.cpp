// "OPEN" on a port the program cannot have: another program holds it, or the
// user may not open it.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "support/ChildProcess.h"
#include "support/PortFaultFixture.h"

namespace {

// A port that another program holds open the way serial programs do (a lock
// file and exclusive use). Once it lets go, "OPEN" works.
TEST_F(PortFaults, PortHeldByAnotherProgram) {
    ChildProcess holder({TESSALINE_PORT_HOLDER_PATH, device_->path()});
    ASSERT_TRUE(holder.Started());
    ASSERT_EQ(holder.ReadLine(kPatience), "held");

    ASSERT_NO_FATAL_FAILURE(ExpectOpenRefused("in use by another program"));

    holder.CloseInput();
    EXPECT_EQ(holder.Wait(kPatience), 0) << holder.ReadAll(1000);
    ExpectOpenAndTalk();
    EXPECT_TRUE(messages.empty());
}

// A device the user may not open. Root may open anything, so as root the
// test runs again in a process of the user nobody.
TEST_F(PortFaults, PortWithoutPermission) {
    if (geteuid() == 0) {
        constexpr uid_t kNobody = 65534;
        const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ChildProcess child({self, "--gtest_filter=PortFaults." + test}, kNobody);
        ASSERT_TRUE(child.Started());
        const std::string output = child.ReadAll(4 * kPatience);
        const int code = child.Wait(kPatience);
        if (code == ChildProcess::kCannotSwitchUser || code == ChildProcess::kCannotRun) {
            GTEST_SKIP() << "cannot run this test as user nobody (exit " << code << "): " << output;
        }
        const size_t refused = output.find("refused: ");
        if (refused != std::string::npos) {
            std::cout << "as nobody, "
                      << output.substr(refused, output.find('\n', refused) - refused) << "\n";
        }
        EXPECT_EQ(code, 0) << output;
        EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << output;
        EXPECT_EQ(output.find("SKIPPED"), std::string::npos) << output;
        return;
    }

    ASSERT_EQ(chmod(device_->path().c_str(), 0), 0) << std::strerror(errno);
    ASSERT_NO_FATAL_FAILURE(ExpectOpenRefused("Permission denied"));

    ASSERT_EQ(chmod(device_->path().c_str(), S_IRUSR | S_IWUSR), 0) << std::strerror(errno);
    ExpectOpenAndTalk();
    EXPECT_TRUE(messages.empty());
}

}  // namespace
