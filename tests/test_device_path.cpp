#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "serial/DevicePath.h"
#include "support/TempDir.h"

namespace {

// One rule for every name a user gives: a path with a '/' or a file here is
// that file, made absolute; any other bare name is the system's /dev/NAME.
class DevicePathRule : public TempDirFixture {};

TEST_F(DevicePathRule, OneRuleForEveryName) {
    ASSERT_EQ(::symlink("/dev/null", "mydev"), 0);
    ASSERT_EQ(::symlink("/dev/tessaline-gone", "gone"), 0);
    const std::string here = dir().string();
    struct Case {
        std::string name;
        std::string expected;
    };
    const Case cases[] = {
        {"mydev", here + "/mydev"},            // a link in the current folder
        {"gone", here + "/gone"},              // still this link, though its device is gone
        {"ttyUSB0", "/dev/ttyUSB0"},           // no file here: the system's device
        {"pts/1", here + "/pts/1"},            // a '/': a path from here, whether or not there
        {"./mydev", here + "/mydev"},          //
        {".//ttyUSB0", here + "/ttyUSB0"},     // a path, so not /dev/ttyUSB0
        {"../x/ttyS1", here + "/../x/ttyS1"},  //
        {"/dev/ttyS0", "/dev/ttyS0"},          // absolute: as it is
        {"/", "/"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResolveDevicePath(c.name), c.expected) << "'" << c.name << "'";
        // Resolved once, a path stays what it is.
        EXPECT_EQ(ResolveDevicePath(ResolveDevicePath(c.name)), c.expected) << c.name;
    }
    // Against another folder, and the root.
    EXPECT_EQ(ResolveDevicePath("mydev", "/tmp/tessaline-elsewhere"), "/dev/mydev");
    EXPECT_EQ(ResolveDevicePath("mydev", here), here + "/mydev");
    EXPECT_EQ(ResolveDevicePath("a/b", "/"), "/a/b");
}

}  // namespace
