#include "tools/check/core/UnitReport.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "analysis/BlankFilter.h"
#include "analysis/ByteText.h"
#include "tools/check/core/TextEscapes.h"
#include "tools/check/core/ValueText.h"

namespace {

// Code points, as a rough terminal width.
size_t Width(const std::string& utf8) {
    return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// A hex-mode text as digit pairs with one blank between them.
std::string Pairs(const std::string& digits) {
    std::string out;
    for (size_t at = 0; at < digits.size(); at += 2) {
        out += (out.empty() ? "" : " ") + digits.substr(at, 2);
    }
    return out;
}

std::string Stripped(std::string text) {
    RemoveBlanksAndTabs(text);
    return text;
}

// The window's comparison: expected and received side by side, and where
// they differ.
std::string SideBySide(const StepResult& r, bool hex, Verdict verdict, bool mismatch) {
    std::string collected;
    for (unsigned char byte : r.received) {
        collected += ByteText(byte, hex);
    }
    const std::string got = Stripped(collected);
    const std::string want = Stripped(r.expected);
    std::string expectedText = hex ? Pairs(want) : QuotedForTerminal(r.expected);
    std::string receivedText = r.received.empty()
                                   ? "nothing"
                                   : (hex ? HexBytes(r.received) : QuotedForTerminal(collected));
    if (!hex) {
        const size_t width = std::max(Width(expectedText), Width(receivedText));
        expectedText += std::string(width - Width(expectedText) + 2, ' ') +
                        HexBytes(ByteArray(r.expected.begin(), r.expected.end()));
        if (!r.received.empty()) {
            receivedText +=
                std::string(width - Width(receivedText) + 2, ' ') + HexBytes(r.received);
        }
    }
    std::string out = "  expected  " + expectedText + "\n  received  " + receivedText + "\n";
    if (verdict == Verdict::Fail && mismatch) {
        const size_t same =
            std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first - got.begin();
        out += same >= want.size() ? "  more received than expected\n"
                                   : "  first difference at character " + std::to_string(same + 1) +
                                         " (blanks and tabs removed)\n";
    }
    return out;
}

// A mask or a pattern: what was expected, what came, and why it failed.
std::string ShapeAndReason(const StepResult& r, const AnswerRule& rule) {
    const bool mask = rule.kind == ExpectSource::Mask;
    std::string out = "  expected  " + (mask ? rule.mask->Text() : QuotedForTerminal(r.expected));
    out += "\n  received  ";
    if (r.received.empty()) {
        out += "nothing";
    } else if (mask) {
        out += HexBytes(r.received);
    } else {
        out += QuotedForTerminal(std::string(r.received.begin(), r.received.end())) + "  " +
               HexBytes(r.received);
    }
    return out + "\n";
}

// ", vbat=3.61 V, sn=\"00A1B2C3\"".
std::string Values(const std::vector<RecordedValue>& values) {
    std::string out;
    for (const RecordedValue& v : values) {
        out +=
            ", " + v.name + "=" + (v.number ? FormatNumber(*v.number) : QuotedForTerminal(v.text));
        if (!v.unit.empty()) {
            out += " " + ForTerminal(v.unit);
        }
    }
    return out;
}

// Block letters, five rows of five columns.
const std::map<char, std::vector<const char*>>& Font() {
    static const std::map<char, std::vector<const char*>> font = {
        {'P', {"#### ", "#   #", "#### ", "#    ", "#    "}},
        {'A', {" ### ", "#   #", "#####", "#   #", "#   #"}},
        {'S', {" ####", "#    ", " ### ", "    #", "#### "}},
        {'F', {"#####", "#    ", "#### ", "#    ", "#    "}},
        {'I', {"#####", "  #  ", "  #  ", "  #  ", "#####"}},
        {'L', {"#    ", "#    ", "#    ", "#    ", "#####"}},
        {'T', {"#####", "  #  ", "  #  ", "  #  ", "  #  "}},
        {'M', {"#   #", "## ##", "# # #", "#   #", "#   #"}},
        {'E', {"#####", "#    ", "#### ", "#    ", "#####"}},
        {'O', {" ### ", "#   #", "#   #", "#   #", " ### "}},
        {'U', {"#   #", "#   #", "#   #", "#   #", " ### "}},
    };
    return font;
}

// The verdict's five rows of block letters, each as wide as the word.
std::vector<std::string> BannerRows(Verdict verdict) {
    const std::string word = VerdictName(verdict);
    std::vector<std::string> rows;
    if (word.empty()) {
        return rows;
    }
    for (size_t row = 0; row < 5; ++row) {
        std::string line;
        for (char letter : word) {
            line += (line.empty() ? "" : "  ") + std::string(Font().at(letter)[row]);
        }
        rows.push_back(line);
    }
    return rows;
}

std::string Ink(Verdict verdict) {
    return verdict == Verdict::Pass   ? "\x1b[1;32m"
           : verdict == Verdict::Fail ? "\x1b[1;31m"
                                      : "\x1b[1;33m";
}

// "unit 7", "unit 7 (SN7)", "unit 7 (SN7, retest 2)".
std::string UnitName(const UnitResult& unit) {
    std::string name = "unit " + std::to_string(unit.unit);
    if (!unit.id.empty()) {
        name += " (" + ForTerminal(unit.id) +
                (unit.retest > 1 ? ", retest " + std::to_string(unit.retest) : "") + ")";
    }
    return name;
}

// "PASS in 2.35 ms", "TIMEOUT after 1000.0 ms".
std::string Outcome(Verdict verdict, double ms) {
    return std::string(VerdictName(verdict)) + (verdict == Verdict::Timeout ? " after " : " in ") +
           FormatMs(ms) + " ms";
}

}  // namespace

std::string FormatUnitReport(const UnitResult& unit, const AnswerRule& rule) {
    static const StepResult kNone;
    const StepResult& r = unit.steps.empty() ? kNone : unit.steps.front();
    std::string line = UnitName(unit) + ": " + Outcome(unit.verdict, unit.ms);
    line += ", sent " + (r.sent.empty() ? std::string("nothing") : HexBytes(r.sent));
    line += ", received " + (r.received.empty() ? std::string("nothing") : HexBytes(r.received));
    // What the device sent beyond the verdict, so the operator sees all of it.
    if (!r.trailing.empty()) {
        line += ", trailing " + HexBytes(r.trailing);
    }
    if (!r.late.empty()) {
        line += ", late " + HexBytes(r.late);
    }
    line += Values(r.values) + "\n";
    if (unit.verdict != Verdict::Fail && unit.verdict != Verdict::Timeout) {
        return line;
    }
    const bool mismatch = r.reason.rfind("mismatch at byte ", 0) == 0;
    if (rule.kind == ExpectSource::Text) {
        line += SideBySide(r, rule.hex, unit.verdict, mismatch);
        // The comparison tells a mismatch itself; any other reason is said.
        if (!mismatch && unit.verdict == Verdict::Fail) {
            line += "  reason    " + ForTerminal(r.reason) + "\n";
        }
        return line;
    }
    if (rule.kind != ExpectSource::Nothing) {
        line += ShapeAndReason(r, rule);
    }
    return line + "  reason    " + ForTerminal(r.reason) + "\n";
}

std::string FormatStepLine(const StepResult& step, bool teardown) {
    std::string line = std::string("  ") + (teardown ? "teardown " : "") + ForTerminal(step.name) +
                       ": " + Outcome(step.verdict, step.ms);
    if (step.attempts > 1) {
        line += " after " + std::to_string(step.attempts) + " attempts";
    }
    line += Values(step.values);
    if (!step.reason.empty()) {
        line += ": " + ForTerminal(step.reason);
    }
    return line + "\n";
}

std::string FormatPlanUnitLine(const UnitResult& unit) {
    std::string line = UnitName(unit) + ": " + Outcome(unit.verdict, unit.ms);
    if (!unit.failedStep.empty()) {
        line += " at " + ForTerminal(unit.failedStep) + ": " + ForTerminal(unit.reason);
    }
    return line + "\n";
}

std::string FormatVerdictBanner(Verdict verdict, bool colour) {
    std::string out;
    for (const std::string& line : BannerRows(verdict)) {
        std::string trimmed = line;
        while (!trimmed.empty() && trimmed.back() == ' ') {
            trimmed.pop_back();
        }
        out += colour ? Ink(verdict) + trimmed + "\x1b[0m\n" : trimmed + "\n";
    }
    return out;
}

std::string FormatVerdictBanners(const std::vector<std::pair<std::string, Verdict>>& verdicts,
                                 bool colour) {
    // As many blocks side by side as fit a terminal of 100 columns.
    constexpr size_t kColumns = 100;
    constexpr size_t kGap = 4;
    std::string out;
    for (size_t first = 0; first < verdicts.size();) {
        size_t last = first;
        size_t width = 0;
        while (last < verdicts.size()) {
            const std::vector<std::string> rows = BannerRows(verdicts[last].second);
            const size_t w = rows.empty() ? 0 : rows.front().size();
            if (last > first && width + kGap + w > kColumns) {
                break;
            }
            width += (last > first ? kGap : 0) + w;
            ++last;
        }
        std::vector<std::string> lines(6);
        for (size_t i = first; i < last; ++i) {
            const std::vector<std::string> rows = BannerRows(verdicts[i].second);
            const size_t w = rows.empty() ? 0 : rows.front().size();
            const std::string gap = i > first ? std::string(kGap, ' ') : std::string();
            std::string name = ForTerminal(verdicts[i].first);
            name.resize(std::max(name.size(), w), ' ');
            lines[0] += gap + name;
            for (size_t row = 0; row < rows.size(); ++row) {
                const std::string ink = colour ? Ink(verdicts[i].second) : std::string();
                lines[row + 1] += gap + ink + rows[row] + (colour ? "\x1b[0m" : "");
            }
        }
        for (std::string& line : lines) {
            while (!line.empty() && line.back() == ' ') {
                line.pop_back();
            }
            out += line + "\n";
        }
        first = last;
    }
    return out;
}

void RunTally::Add(Verdict verdict, double ms) {
    switch (verdict) {
        case Verdict::Pass:
            ++passed_;
            break;
        case Verdict::Fail:
            ++failed_;
            break;
        case Verdict::Timeout:
            ++timedOut_;
            break;
        case Verdict::Undecided:
            return;  // not a completed unit
    }
    unitMs_.push_back(ms);
}

void RunTally::AddSteps(const UnitResult& unit) {
    for (const StepResult& r : unit.steps) {
        auto it = std::find_if(steps_.begin(), steps_.end(),
                               [&](const StepCount& c) { return c.name == r.name; });
        if (it == steps_.end()) {
            it = steps_.insert(steps_.end(), StepCount{r.name});
        }
        ++it->ran;
        it->passed += r.verdict == Verdict::Pass;
    }
}

std::string RunTally::StepLines() const {
    std::string out;
    for (const StepCount& c : steps_) {
        out += "  step " + ForTerminal(c.name) + ": " + std::to_string(c.passed) + " of " +
               std::to_string(c.ran) + " passed (" + FormatOneDecimal(100.0 * c.passed / c.ran) +
               "%)\n";
    }
    return out;
}

std::string RunTally::SummaryLine() const {
    std::string line = std::to_string(passed_) + " passed, " + std::to_string(failed_) +
                       " failed, " + std::to_string(timedOut_) + " timed out";
    if (unitMs_.empty()) {
        return line + "; no unit ran";
    }
    double rate = std::round(1000.0 * passed_ / total()) / 10;
    if (rate >= 100 && passed_ < total()) {
        rate = 99.9;
    } else if (rate <= 0 && passed_ > 0) {
        rate = 0.1;
    }
    std::vector<double> sorted = unitMs_;
    std::sort(sorted.begin(), sorted.end());
    const size_t middle = sorted.size() / 2;
    const double median =
        sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    return line + "; pass rate " + FormatOneDecimal(rate) + "%; fastest " +
           FormatMs(sorted.front()) + " ms, median " + FormatMs(median) + " ms, slowest " +
           FormatMs(sorted.back()) + " ms";
}
