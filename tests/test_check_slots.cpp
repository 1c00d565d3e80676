// Several fixture positions at once: the built tessaline-check with one
// device per slot, each slow, silent, wrong or unplugged in its own way.
#include <gtest/gtest.h>
#include <signal.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <map>
#include <string>
#include <vector>

#include "support/CheckRuns.h"
#include "support/Pty.h"

namespace {

using namespace check_runs;

using CheckSlots = TempDirFixture;

QJsonObject Parsed(const std::string& line) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
}

// A slow unit never holds a quick one, a silent one times out on its own, a
// failing one fails at once, and an unplugged one leaves the later rounds
// while the others go on; the run then exits 3.
TEST_F(CheckSlots, EachSlotsVerdictAndTimeAreItsOwn) {
    Device slow({"--answer", "01 03", "AA BB", "--delay", "300"});
    Pty silent;
    Device wrong({"--answer", "01 03", "AA BC"});
    Device unplugged({"--answer", "01 03", "AA BB"});
    ChildProcess check(CommandLine({"--slot",     "slow=" + slow.port,
                                    "--slot",     "silent=" + silent.path(),
                                    "--slot",     "wrong=" + wrong.port,
                                    "--slot",     "gone=" + unplugged.port,
                                    "--send-hex", "01 03",
                                    "--expect",   "AA BB",
                                    "--hex",      "--timeout",
                                    "1000",       "--settle",
                                    "0",          "--repeat",
                                    "3",          "--json",
                                    "--log",      "slots.csv"},
                                   ""),
                       ChildProcess::Options{true, std::nullopt});
    std::vector<QJsonObject> records;
    // Unplugged once its first unit is in, while the silent slot still waits
    // out round 1: the rounds that follow go on without it.
    while (true) {
        const std::string line = check.ReadLine(kPatience);
        ASSERT_FALSE(line.empty()) << "no record came";
        records.push_back(Parsed(line));
        if (records.back().value("slot").toString() == "gone") {
            unplugged.process.Stop(SIGKILL);
            break;
        }
    }
    const Ran ran = Finish(check);
    for (size_t at = 0; at < ran.out.size();) {
        const size_t end = ran.out.find('\n', at);
        records.push_back(Parsed(ran.out.substr(at, end - at)));
        at = end + 1;
    }
    EXPECT_EQ(ran.code, 3) << ran.err;
    EXPECT_TRUE(Has(ran.err, "slot gone: The device " + unplugged.port + " is gone")) << ran.err;

    std::map<std::string, std::vector<QJsonObject>> bySlot;
    for (const QJsonObject& r : records) {
        bySlot[r.value("slot").toString().toStdString()].push_back(r);
    }
    const std::map<std::string, std::string> verdicts = {
        {"slow", "PASS"}, {"silent", "TIMEOUT"}, {"wrong", "FAIL"}, {"gone", "PASS"}};
    for (const auto& [slot, verdict] : verdicts) {
        SCOPED_TRACE(slot);
        ASSERT_FALSE(bySlot[slot].empty());
        EXPECT_EQ(bySlot[slot].size(), slot == "gone" ? 1u : 3u);
        for (const QJsonObject& r : bySlot[slot]) {
            EXPECT_EQ(r.value("verdict").toString().toStdString(), verdict);
        }
    }
    // Each unit's time is its own: the wrong answer fails before the slow
    // one passes, and the silent one takes its whole timeout.
    for (size_t round = 0; round < 3; ++round) {
        const double slowMs = bySlot["slow"][round].value("ms").toDouble();
        EXPECT_GE(slowMs, 300);
        EXPECT_LT(bySlot["wrong"][round].value("ms").toDouble(), slowMs);
        EXPECT_GE(bySlot["silent"][round].value("ms").toDouble(), 1000);
    }
    // The log names each unit's slot and port.
    const std::string csv = ReadFile("slots.csv");
    EXPECT_TRUE(Has(csv, "," + wrong.port + ",")) << csv;
    EXPECT_TRUE(Has(csv, "late,slot,reason\r\n")) << csv;
}

}  // namespace
