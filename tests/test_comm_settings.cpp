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

TEST(CommSettings, AnyBaudTakesEveryPositiveRateAndNamesTheWrongField) {
    struct Case {
        const char* text;
        int baud;              // 0: refused
        const char* inReason;  // part of the reason when refused
    };
    const Case cases[] = {
        {"250000,n,8,1", 250000, ""},
        {"921600,E,7,2", 921600, ""},
        {"1,o,5,1.5", 1, ""},
        {"999999999,n,8,1", 999999999, ""},
        {"0,n,8,1", 0, "baud rate is a whole number from 1"},
        {"1000000000,n,8,1", 0, "baud rate"},
        {"fast,n,8,1", 0, "not 'fast'"},
        {"9600,x,8,1", 0, "parity is e, m, n, o or s"},
        {"9600,n,9,1", 0, "data bits are 4 to 8"},
        {"9600,n,8,3", 0, "stop bits are 1, 1.5 or 2"},
        {"9600,n,8", 0, "BAUD,PARITY,DATABITS,STOPBITS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string why;
        const std::optional<CommSettings> s = ParseCommSettingsAnyBaud(c.text, &why);
        if (c.baud == 0) {
            EXPECT_FALSE(s);
            EXPECT_NE(why.find(c.inReason), std::string::npos) << why;
        } else {
            ASSERT_TRUE(s);
            EXPECT_EQ(s->baud, c.baud);
            EXPECT_TRUE(why.empty());
        }
    }
    // The control keeps its own list of rates.
    EXPECT_FALSE(ParseCommSettings("250000,n,8,1"));
    EXPECT_FALSE(ParseCommSettings("921600,n,8,1"));
}

}  // namespace
