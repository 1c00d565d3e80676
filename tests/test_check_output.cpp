// What the check program writes: log records (CSV and JSON lines, read back),
// the results log file, the unit lines, the summary and the exit code.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "platform/text/Gbk.h"
#include "platform/text/LocalTime.h"
#include "support/TempDir.h"
#include "tools/check/core/ResultsLog.h"
#include "tools/check/core/TextEscapes.h"
#include "tools/check/core/UnitIds.h"
#include "tools/check/core/UnitReport.h"
#include "tools/check/core/ValueText.h"
#include "tools/check/runner/CheckProgram.h"

namespace {

// 2024-05-01T14:03:07.250Z
const std::chrono::system_clock::time_point kDecided{std::chrono::milliseconds(1714572187250)};

const std::vector<std::string> kKeys = {"time",     "port",    "settings", "sent", "received",
                                        "expected", "verdict", "ms",       "unit", "id",
                                        "trailing", "late",    "reason"};

RecordLayout Layout() {
    RecordLayout layout;
    layout.port = "/dev/pts/3";
    layout.settings = "250000,n,8,1";
    return layout;
}
const RecordLayout kLayout = Layout();

// A one-step unit, as a command-line check records it.
UnitResult Record(Verdict verdict, ByteArray received, std::string expected, std::string id) {
    UnitResult u;
    u.end = kDecided;
    u.verdict = verdict;
    u.ms = 12.34;
    u.unit = 7;
    u.id = std::move(id);
    StepResult s;
    s.attempts = 1;
    s.sent = {0x01, 0x03};
    s.received = std::move(received);
    s.expected = std::move(expected);
    s.verdict = verdict;
    if (verdict == Verdict::Fail) {
        s.reason = "mismatch at byte " + std::to_string(s.received.size());
    }
    u.reason = s.reason;
    u.steps.push_back(std::move(s));
    return u;
}

// Records with texts that need quoting, escaping or decoding, and bytes
// beyond the verdict.
std::vector<UnitResult> TrickyRecords() {
    std::vector<UnitResult> records = {
        Record(Verdict::Pass, {0xAA, 0xBB}, "AA BB", ""),
        Record(Verdict::Fail, {'O', 'X'}, "say \"OK\",\r\nthen\tgo\\", "SN,1"),
        Record(Verdict::Timeout, {}, std::string("\x01\x7F", 2), gbk::Text("工位一")),
    };
    records[0].steps[0].trailing = {0x0D, 0x0A};
    records[1].reason = "mismatch at byte 2";
    records[2].reason = "no answer";
    records[2].steps[0].late = {0x4F, 0x4B};
    return records;
}

AnswerRule TextRule(bool hex) {
    AnswerRule rule;
    rule.kind = ExpectSource::Text;
    rule.hex = hex;
    return rule;
}

// One RFC 4180 record from the front of `text`, which loses it.
std::vector<std::string> ReadCsvRecord(std::string& text) {
    std::vector<std::string> fields(1);
    size_t at = 0;
    bool quoted = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (quoted) {
            if (c == '"' && at + 1 < text.size() && text[at + 1] == '"') {
                fields.back() += '"';
                ++at;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n') {
            text.erase(0, at + 2);
            return fields;
        } else {
            fields.back() += c;
        }
    }
    ADD_FAILURE() << "record without CRLF";
    text.clear();
    return fields;
}

// The fields of TrickyRecords()[i] as a reader of the log gets them back,
// with the time in UTC (ZoneUtc).
std::vector<std::string> Expected(size_t i) {
    const std::vector<std::string> common = {"2024-05-01T14:03:07.250+00:00", "/dev/pts/3",
                                             "250000,n,8,1", "01 03"};
    const std::vector<std::vector<std::string>> rest = {
        {"AA BB", "AA BB", "PASS", "12.3", "7", "", "0D 0A", "", ""},
        {"4F 58", "say \"OK\",\r\nthen\tgo\\", "FAIL", "12.3", "7", "SN,1", "", "",
         "mismatch at byte 2"},
        {"", "\x01\x7F", "TIMEOUT", "12.3", "7", "工位一", "", "4F 4B", "no answer"},
    };
    std::vector<std::string> fields = common;
    fields.insert(fields.end(), rest[i].begin(), rest[i].end());
    return fields;
}

// Local time is UTC while it lives.
class ZoneUtc {
public:
    ZoneUtc() {
        const char* before = std::getenv("TZ");
        had_ = before != nullptr;
        saved_ = before ? before : "";
        setenv("TZ", "UTC0", 1);
        tzset();
    }
    ~ZoneUtc() {
        had_ ? setenv("TZ", saved_.c_str(), 1) : unsetenv("TZ");
        tzset();
    }

private:
    bool had_ = false;
    std::string saved_;
};

TEST(UnitRecordFormat, CsvAndJsonLinesReadBackFieldByField) {
    const ZoneUtc utc;
    std::string csv = CsvHeader(kLayout);
    EXPECT_EQ(ReadCsvRecord(csv), kKeys);
    const std::vector<UnitResult> records = TrickyRecords();
    for (size_t i = 0; i < records.size(); ++i) {
        const UnitResult& r = records[i];
        SCOPED_TRACE(VerdictName(r.verdict));
        csv = FormatCsvRecord(kLayout, r);
        EXPECT_EQ(ReadCsvRecord(csv), Expected(i));
        EXPECT_TRUE(csv.empty());

        const std::string json = FormatJsonRecord(kLayout, r);
        ASSERT_EQ(json.back(), '\n');
        EXPECT_EQ(json.find('\n'), json.size() - 1) << "one line";
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << json;
        const QJsonObject o = doc.object();
        // The columns' keys, then "values" and "limits".
        EXPECT_EQ(o.keys().size(), static_cast<qsizetype>(kKeys.size() + 2));
        const std::vector<std::string> want = Expected(i);
        for (size_t i = 0; i < kKeys.size(); ++i) {
            const QJsonValue v = o.value(QString::fromStdString(kKeys[i]));
            if (kKeys[i] == "ms" || kKeys[i] == "unit") {
                ASSERT_TRUE(v.isDouble()) << kKeys[i];
                EXPECT_EQ(v.toDouble(), std::stod(want[i]));
            } else {
                EXPECT_EQ(v.toString().toStdString(), want[i]) << kKeys[i];
            }
        }
        // The keys come in the log's order.
        size_t last = 0;
        for (const std::string& key : kKeys) {
            const size_t at = json.find("\"" + key + "\":");
            EXPECT_GT(at, last == 0 ? 0 : last) << key;
            last = at;
        }
    }
    // Texts that are not UTF-8 are read as GBK, the window's code page.
    EXPECT_EQ(ToUtf8(gbk::Text("工位一")), "工位一");
    EXPECT_EQ(ToUtf8("工位一"), "工位一");
}

TEST(UnitRecordFormat, TimeIsLocalWithMillisecondsAndOffset) {
    const char* before = std::getenv("TZ");
    const std::string saved = before ? before : "";
    struct Case {
        const char* tz;
        const char* text;
    };
    const Case cases[] = {
        {"UTC0", "2024-05-01T14:03:07.250+00:00"},
        {"IST-5:30", "2024-05-01T19:33:07.250+05:30"},
        {"NST3:30", "2024-05-01T10:33:07.250-03:30"},
    };
    for (const Case& c : cases) {
        setenv("TZ", c.tz, 1);
        tzset();
        EXPECT_EQ(LocalIsoTime(kDecided), c.text);
    }
    before ? setenv("TZ", saved.c_str(), 1) : unsetenv("TZ");
    tzset();
}

using ResultsLogFile = TempDirFixture;

TEST_F(ResultsLogFile, CsvHeaderOnceAndWholeRecordsFromTwoWriters) {
    const ZoneUtc utc;
    const std::vector<UnitResult> records = TrickyRecords();
    {
        ResultsLog first(kLayout);
        ResultsLog second(kLayout);
        ASSERT_EQ(first.Open("r.csv"), "");
        ASSERT_EQ(second.Open("r.csv"), "");
        for (const UnitResult& r : records) {
            ASSERT_EQ(first.Append(r), "");
            ASSERT_EQ(second.Append(r), "");
        }
    }
    ResultsLog again(kLayout);
    ASSERT_EQ(again.Open("r.csv"), "");
    ASSERT_EQ(again.Append(records[0]), "");
    std::string text = ReadFile("r.csv");
    EXPECT_EQ(ReadCsvRecord(text), kKeys);
    std::vector<std::vector<std::string>> read;
    while (!text.empty()) {
        read.push_back(ReadCsvRecord(text));
    }
    ASSERT_EQ(read.size(), 2 * records.size() + 1);
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i], Expected(i / 2 % records.size())) << i;
    }
}

TEST_F(ResultsLogFile, JsonLinesByNameAndClearErrors) {
    struct Case {
        const char* name;
        ResultsLog::Format format;
    };
    const Case cases[] = {{"r.jsonl", ResultsLog::Format::JsonLines},
                          {"R.JSONL", ResultsLog::Format::JsonLines},
                          {"r.json", ResultsLog::Format::Csv},
                          {"r.jsonl.csv", ResultsLog::Format::Csv},
                          {"jsonl", ResultsLog::Format::Csv}};
    for (const Case& c : cases) {
        EXPECT_EQ(ResultsLog::FormatFor(c.name), c.format) << c.name;
    }

    ResultsLog log(kLayout);
    ASSERT_EQ(log.Open("r.jsonl"), "");
    ASSERT_EQ(log.Append(TrickyRecords()[1]), "");
    EXPECT_EQ(ReadFile("r.jsonl"), FormatJsonRecord(kLayout, TrickyRecords()[1])) << "no header";

    std::filesystem::create_directory("folder");
    ResultsLog refused;
    const std::string why = refused.Open("folder");
    EXPECT_NE(why.find("cannot open log folder"), std::string::npos) << why;
    EXPECT_FALSE(refused.isOpen());
    EXPECT_NE(refused.Append(TrickyRecords()[0]), "");
    EXPECT_NE(ResultsLog().Open("missing/r.csv"), "");
}

// A file someone else wrote to: the first record starts on a line of its
// own, and rows never go under a header with other columns.
TEST_F(ResultsLogFile, ExistingFilesKeepTheirLinesApart) {
    struct Case {
        const char* name;
        std::string before;
        std::string error;  // part of Open's message; empty when it opens
        std::string after;  // the file's start once one record is in
    };
    const std::string header =
        "time,port,settings,sent,received,expected,verdict,ms,unit,id,trailing,late,reason\r\n";
    const Case cases[] = {
        {"r.csv", header + "x", "", header + "x\r\n2024"},
        {"r.jsonl", "{\"a\":1}", "", "{\"a\":1}\n{\"time\""},
        {"r.jsonl", "{\"a\":1}\n", "", "{\"a\":1}\n{\"time\""},
        {"r.csv", "time,port,settings,sent,received,expected,verdict,ms,unit,id\r\n",
         "has other columns than this run writes", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        WriteFile(c.name, c.before);
        ResultsLog log(kLayout);
        const std::string why = log.Open(c.name);
        if (!c.error.empty()) {
            EXPECT_NE(why.find(c.error), std::string::npos) << why;
            EXPECT_EQ(ReadFile(c.name), c.before) << "left as it was";
            continue;
        }
        ASSERT_EQ(why, "");
        ASSERT_EQ(log.Append(TrickyRecords()[0]), "");
        EXPECT_EQ(ReadFile(c.name).substr(0, c.after.size()), c.after);
    }
}

TEST(UnitReport, LinesSideBySideOnFailAndTimeout) {
    struct Case {
        const char* name;
        UnitResult record;
        bool hex;
        std::string text;
    };
    UnitResult timeoutPart = Record(Verdict::Timeout, {'O'}, "OK\r\n", "");
    timeoutPart.ms = 1000;
    UnitResult lateAnswer = Record(Verdict::Timeout, {}, "AA", "\x1b[31mSN");
    lateAnswer.steps[0].late = {0x4F, 0x4B};
    lateAnswer.ms = 0.042;
    const Case cases[] = {
        {"pass", Record(Verdict::Pass, {0xAA, 0xBB}, "AABB", ""), true,
         "unit 7: PASS in 12.3 ms, sent 01 03, received AA BB\n"},
        {"tail and escaped id", TrickyRecords()[0], true,
         "unit 7: PASS in 12.3 ms, sent 01 03, received AA BB, trailing 0D 0A\n"},
        {"late answer", lateAnswer, true,
         "unit 7 (\\x1B[31mSN): TIMEOUT after 0.042 ms, sent 01 03, received nothing, late 4F 4B\n"
         "  expected  AA\n"
         "  received  nothing\n"},
        {"hex fail", Record(Verdict::Fail, {0xAA, 0xBC}, "AABB", "SN7"), true,
         "unit 7 (SN7): FAIL in 12.3 ms, sent 01 03, received AA BC\n"
         "  expected  AA BB\n"
         "  received  AA BC\n"
         "  first difference at character 4 (blanks and tabs removed)\n"},
        {"too much", Record(Verdict::Fail, {'O', 'K', '!'}, "O K", ""), false,
         "unit 7: FAIL in 12.3 ms, sent 01 03, received 4F 4B 21\n"
         "  expected  \"O K\"  4F 20 4B\n"
         "  received  \"OK!\"  4F 4B 21\n"
         "  more received than expected\n"},
        {"timeout", timeoutPart, false,
         "unit 7: TIMEOUT after 1000.0 ms, sent 01 03, received 4F\n"
         "  expected  \"OK\\r\\n\"  4F 4B 0D 0A\n"
         "  received  \"O\"       4F\n"},
        {"nothing", Record(Verdict::Timeout, {}, "AA", ""), true,
         "unit 7: TIMEOUT after 12.3 ms, sent 01 03, received nothing\n"
         "  expected  AA\n"
         "  received  nothing\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FormatUnitReport(c.record, TextRule(c.hex)), c.text);
    }
}

TEST(UnitReport, BannerIsLargeAndColouredOnlyOnRequest) {
    for (Verdict v : {Verdict::Pass, Verdict::Fail, Verdict::Timeout}) {
        SCOPED_TRACE(VerdictName(v));
        const std::string plain = FormatVerdictBanner(v, false);
        const std::string coloured = FormatVerdictBanner(v, true);
        EXPECT_EQ(std::count(plain.begin(), plain.end(), '\n'), 5);
        EXPECT_EQ(plain.find('\x1b'), std::string::npos);
        EXPECT_EQ(std::count(coloured.begin(), coloured.end(), '\n'), 5);
        EXPECT_NE(coloured.find(v == Verdict::Pass   ? "\x1b[1;32m"
                                : v == Verdict::Fail ? "\x1b[1;31m"
                                                     : "\x1b[1;33m"),
                  std::string::npos);
    }
    EXPECT_EQ(FormatVerdictBanner(Verdict::Undecided, true), "");
}

TEST(RunTally, SummaryAndExitCode) {
    struct Case {
        std::vector<std::pair<Verdict, double>> units;
        bool interrupted;
        int exitCode;
        std::string summary;
    };
    std::vector<std::pair<Verdict, double>> almostAll(1000, {Verdict::Pass, 2.0});
    almostAll[500] = {Verdict::Timeout, 1000.0};
    std::vector<std::pair<Verdict, double>> almostNone(1000, {Verdict::Fail, 0.04});
    almostNone[0] = {Verdict::Pass, 0.0005};
    const Case cases[] = {
        {{}, false, 4, "0 passed, 0 failed, 0 timed out; no unit ran"},
        {{}, true, 130, "0 passed, 0 failed, 0 timed out; no unit ran"},
        {{{Verdict::Pass, 3.0}, {Verdict::Pass, 1.0}, {Verdict::Pass, 2.0}},
         true,
         0,
         "3 passed, 0 failed, 0 timed out; pass rate 100.0%; fastest 1.00 ms, median 2.00 ms, "
         "slowest 3.00 ms"},
        {{{Verdict::Pass, 4.0},
          {Verdict::Timeout, 1000.0},
          {Verdict::Fail, 1.0},
          {Verdict::Pass, 2.0}},
         false,
         1,
         "2 passed, 1 failed, 1 timed out; pass rate 50.0%; fastest 1.00 ms, median 3.00 ms, "
         "slowest 1000.0 ms"},
        {{{Verdict::Pass, 1.0}, {Verdict::Timeout, 50.0}},
         false,
         2,
         "1 passed, 0 failed, 1 timed out; pass rate 50.0%; fastest 1.00 ms, median 25.5 ms, "
         "slowest 50.0 ms"},
        {almostAll, false, 2,
         "999 passed, 0 failed, 1 timed out; pass rate 99.9%; fastest 2.00 ms, median 2.00 ms, "
         "slowest 1000.0 ms"},
        {almostNone, false, 1,
         "1 passed, 999 failed, 0 timed out; pass rate 0.1%; fastest 0.001 ms, median 0.040 ms, "
         "slowest 0.040 ms"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.summary);
        RunTally tally;
        for (const auto& [verdict, ms] : c.units) {
            tally.Add(verdict, ms);
        }
        EXPECT_EQ(tally.total(), static_cast<int>(c.units.size()));
        EXPECT_EQ(tally.SummaryLine(), c.summary);
        EXPECT_EQ(RunExitCode(tally, c.interrupted), c.exitCode);
    }
}

TEST(OutputText, NumbersIdsAndTerminalTexts) {
    const std::pair<double, const char*> numbers[] = {
        {0, "0.0"}, {0.05, "0.1"}, {12.34, "12.3"}, {1234567.89, "1234567.9"}, {-1, "0.0"}};
    for (const auto& [value, text] : numbers) {
        EXPECT_EQ(FormatOneDecimal(value), text) << value;
    }
    const std::pair<double, const char*> times[] = {
        {0.0421, "0.042"}, {0.9996, "1.00"}, {2.345, "2.35"}, {9.996, "10.0"}, {-1, "0.000"}};
    for (const auto& [value, text] : times) {
        EXPECT_EQ(FormatMs(value), text) << value;
    }
    std::string last;
    const std::pair<const char*, const char*> lines[] = {{"", ""},      {"SN1\n", "SN1"},
                                                         {"\n", "SN1"}, {"SN2\r\n", "SN2"},
                                                         {"\r", "SN2"}, {"SN 3", "SN 3"}};
    for (const auto& [line, id] : lines) {
        EXPECT_EQ(NextUnitId(line, last), id) << line;
    }
    EXPECT_EQ(QuotedForTerminal(std::string("a\"\\\r\n\t\x01\0", 8)),
              "\"a\\\"\\\\\\r\\n\\t\\x01\\x00\"");
    EXPECT_EQ(QuotedForTerminal(gbk::Text("中")), "\"中\"");
    // Bytes that are no character are written out, never dropped or merged
    // into one; control characters never reach a terminal live.
    const std::pair<std::string, const char*> texts[] = {
        {"01 \xff"
         "1",
         "01 \\xFF1"},
        {"\xff\xfe"
         "X",
         "\\xFF\\xFEX"},
        {"\x1b[31mred\xc2\x9b", "\\x1B[31mred\\xC2\\x9B"},
        {gbk::Text("工") + "\x80", "工\\x80"},
    };
    for (const auto& [bytes, shown] : texts) {
        EXPECT_EQ(ForTerminal(bytes), shown) << bytes;
    }
    EXPECT_EQ(ToUtf8("\xff\xfe"
                     "X"),
              "\\xFF\\xFEX");
    EXPECT_EQ(WholeCharacters("AA中", 2, 2), "中");
    EXPECT_EQ(WholeCharacters(gbk::Text("A中B"), 2, 1), gbk::Text("中"));
    EXPECT_EQ(HexBytes({0x00, 0x0A, 0xFF}), "00 0A FF");
    EXPECT_EQ(HexBytes({}), "");
}

}  // namespace
