#include <gtest/gtest.h>

#include "platform/text/Gbk.h"

namespace {

struct RoundTrip {
    const char* name;
    std::string bytes;
};

// Whatever bytes a member holds must survive the trip through a widget.
class GbkRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(GbkRoundTrip, BytesComeBackUnchanged) {
    const std::string& bytes = GetParam().bytes;
    EXPECT_EQ(gbk::ToBytes(gbk::ToQt(bytes)), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, GbkRoundTrip,
    ::testing::Values(RoundTrip{"empty", ""}, RoundTrip{"ascii", "AA BB\r\n\t~"},
                      RoundTrip{"chinese", "\xD6\xD0\xCE\xC4"},
                      RoundTrip{"euro_and_ff", "\x80\xFF"},
                      RoundTrip{"lone_lead_at_end", std::string("A\xD6")},
                      RoundTrip{"lead_then_ascii_digit", std::string("\x81\x30\x41")},
                      RoundTrip{"all_high_bytes",
                                [] {
                                    std::string s;
                                    for (int b = 0x80; b <= 0xFF; ++b)
                                        s.push_back(char(b));
                                    return s;
                                }()},
                      RoundTrip{"mixed", std::string("x\xB1\xA3\xB4\xE6\xFE\x01y")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Gbk, DecodesChineseForDisplay) {
    EXPECT_EQ(gbk::ToQt(gbk::Text("保存成功！")), QString::fromUtf8("保存成功！"));
    // The two GBK bytes of one character.
    EXPECT_EQ(gbk::Text("中"), std::string("\xD6\xD0"));
}

}  // namespace
