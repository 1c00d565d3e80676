#include <gtest/gtest.h>

#include "serial/CommSettings.h"

namespace {

TEST(CommSettings, AcceptsWhatTheControlTakes) {
    const char* good[] = {"9600,n,8,1",   "2400,e,5,2", "1200,o,7,1.5",
                          "115200,N,8,1", "110,m,6,2",  "256000,s,4,1"};
    for (const char* text : good) {
        std::optional<CommSettings> s = ParseCommSettings(text);
        ASSERT_TRUE(s) << text;
    }
    const auto s = ParseCommSettings("2400,E,5,2");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->baud, 2400);
    EXPECT_EQ(s->parity, 'e');
    EXPECT_EQ(s->dataBits, 5);
    EXPECT_EQ(s->stopBits, "2");
    EXPECT_EQ(FormatCommSettings(*s), "2400,e,5,2");
}

TEST(CommSettings, RefusesOtherTexts) {
    const char* bad[] = {"",
                         "9600",
                         "9600,n,8",
                         "9600,n,8,1,",
                         "9601,n,8,1",
                         "9600,x,8,1",
                         "9600,n,9,1",
                         "9600,n,3,1",
                         "9600,n,8,3",
                         "9600,n,8,1.0",
                         " 9600,n,8,1",
                         "9600,,8,1",
                         "-9600,n,8,1",
                         "9600,nn,8,1",
                         "99999999999,n,8,1"};
    for (const char* text : bad) {
        EXPECT_FALSE(ParseCommSettings(text)) << text;
    }
}

}  // namespace
