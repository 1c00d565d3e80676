#include "tools/check/core/JUnitReport.h"

#include <algorithm>
#include <cmath>

#include "platform/profile/AtomicFile.h"
#include "platform/text/LocalTime.h"
#include "tools/check/core/TextEscapes.h"
#include "tools/check/core/ValueText.h"

namespace {

std::string Attribute(const char* name, const std::string& utf8) {
    return std::string(" ") + name + "=\"" + XmlText(utf8) + "\"";
}

// Whole milliseconds as seconds: "0.096".
std::string Seconds(double ms) {
    return FormatNumber(std::round(ms) / 1000.0);
}

}  // namespace

void JUnitReport::Add(const UnitResult& unit) {
    std::string who = "unit " + std::to_string(unit.unit);
    if (!unit.id.empty()) {
        who += " (" + ToUtf8(unit.id) +
               (unit.retest > 1 ? ", retest " + std::to_string(unit.retest) : "") + ")";
    }
    for (const auto* steps : {&unit.steps, &unit.teardown}) {
        for (const StepResult& s : *steps) {
            Case c;
            c.name = who + (steps == &unit.teardown ? " teardown " : " ") + ToUtf8(s.name);
            c.seconds = s.ms;
            c.verdict = s.verdict;
            c.reason = ToUtf8(s.reason);
            c.details = "expected: " + ToUtf8(s.expected) + "\nreceived: " + HexBytes(s.received);
            if (!s.trailing.empty()) {
                c.details += "\ntrailing: " + HexBytes(s.trailing);
            }
            if (!s.late.empty()) {
                c.details += "\nlate: " + HexBytes(s.late);
            }
            if (s.attempts > 1) {
                c.details += "\nattempts: " + std::to_string(s.attempts);
            }
            cases_.push_back(std::move(c));
        }
    }
    // A unit stopped before a step: that step fails, so no report reads the
    // unit as tested.
    const bool ran = std::any_of(unit.steps.begin(), unit.steps.end(),
                                 [&](const StepResult& s) { return s.name == unit.failedStep; });
    if (!unit.failedStep.empty() && !ran) {
        Case c;
        c.name = who + " " + ToUtf8(unit.failedStep);
        c.verdict = unit.verdict;
        c.reason = ToUtf8(unit.reason);
        cases_.push_back(std::move(c));
    }
}

std::string JUnitReport::Xml(const RunInfo& run, const std::string& suite) const {
    int failures = 0;
    double ms = 0;
    for (const Case& c : cases_) {
        failures += c.verdict == Verdict::Fail || c.verdict == Verdict::Timeout;
        ms += c.seconds;
    }
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n<testsuite" +
                      Attribute("name", suite) + Attribute("tests", std::to_string(cases_.size())) +
                      Attribute("failures", std::to_string(failures)) + Attribute("errors", "0") +
                      Attribute("skipped", "0") + Attribute("time", Seconds(ms)) +
                      Attribute("timestamp", LocalIsoTime(run.start)) +
                      Attribute("hostname", ToUtf8(run.station)) + ">\n";
    xml +=
        "<properties>"
        "<property" +
        Attribute("name", "plan") + Attribute("value", ToUtf8(run.planName)) + "/><property" +
        Attribute("name", "version") + Attribute("value", ToUtf8(run.planVersion)) + "/><property" +
        Attribute("name", "sha256") + Attribute("value", run.planSha256) + "/></properties>\n";
    for (const Case& c : cases_) {
        xml += "<testcase" + Attribute("classname", suite) + Attribute("name", c.name) +
               Attribute("time", Seconds(c.seconds));
        if (c.verdict == Verdict::Pass) {
            xml += "/>\n";
            continue;
        }
        xml += "><failure" + Attribute("type", VerdictName(c.verdict)) +
               Attribute("message", c.reason) + ">" + XmlText(c.details) +
               "</failure></testcase>\n";
    }
    return xml + "</testsuite>\n</testsuites>\n";
}

std::string JUnitReport::Write(const std::string& path, const RunInfo& run,
                               const std::string& suite) const {
    const std::string why = ReplaceFile(path, Xml(run, suite));
    return why.empty() ? why : "cannot write the JUnit report " + ToUtf8(why);
}
