#include "tools/check/core/StepRules.h"

#include <algorithm>
#include <cmath>

#include "datalib/DataLibraryFile.h"
#include "tools/check/core/ExpectedText.h"
#include "tools/check/core/TextEscapes.h"

namespace {

// Where a text came from, for messages: `--send-hex "01 0"` or `send entry 2
// of Quorvix.ini "01 0"`.
std::string Source(const std::string& origin, const std::string& text) {
    return origin + " " + QuotedForTerminal(text);
}

// A plan's origin ("s3.toml:12:9: send_entry") leads a message about its
// value; the command line's messages read as they always have.
std::string Lead(const std::string& origin) {
    return origin.rfind("--", 0) == 0 ? std::string() : origin + ": ";
}

bool Has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The bytes of a hex text, or why the parser would stop before its end.
std::optional<ByteArray> StrictHex(const std::string& text, std::string& why) {
    ByteArray bytes;
    const HexParseEnd end = ParseHexText(text, bytes);
    const std::string position = std::to_string(end.position + 1);
    switch (end.reason) {
        case HexParseEnd::Complete:
            return bytes;
        case HexParseEnd::NotAPair:
            why = QuotedForTerminal(WholeCharacters(text, end.position, 2)) + " at position " +
                  position + " is not a pair of hex digits";
            break;
        case HexParseEnd::LoneLast:
            why = QuotedForTerminal(WholeCharacters(text, end.position, 1)) + " at position " +
                  position + " is a lone last digit: hex digits go in pairs";
            break;
    }
    return std::nullopt;
}

std::string EntryName(DataLibraryKind kind, int number) {
    return std::string(kind == DataLibraryKind::Send ? "send entry " : "expected entry ") +
           std::to_string(number);
}

// The entry's text, or why there is none.
std::optional<std::string> Entry(DataLibraryKind kind, const Given<int>& number,
                                 const StepContext& context, std::string& why) {
    DataLibraryData data = ReadDataLibraryData(kind, number.value, context.libraryPath);
    const std::string name = EntryName(kind, number.value);
    switch (data.status) {
        case DataLibraryData::Present:
            return std::move(data.value);
        case DataLibraryData::MissingEntry:
            why = "missing library entry: " + context.shownLibrary + " has no Data in [" +
                  DataLibrarySection(kind, number.value) + "] (" + name + ")";
            break;
        case DataLibraryData::MissingFile:
            why = "missing library entry: " + name + " is read from " + context.shownLibrary +
                  ", and there is no such file";
            break;
        case DataLibraryData::Unreadable:
            why = "unreadable library file: " + ToUtf8(data.reason);
            break;
    }
    why = Lead(number.origin) + why;
    return std::nullopt;
}

// The bytes the step sends, its checksum not yet added.
bool ResolveSend(const StepOptions& o, const StepContext& context, Step& step, std::string& why) {
    step.sends = o.send != SendSource::Nothing;
    std::string text = o.sendText.value;
    std::string origin = o.sendText.origin;
    bool hex = o.send == SendSource::Hex;
    if (o.send == SendSource::Nothing) {
        return true;
    }
    if (o.send == SendSource::Entry) {
        const std::optional<std::string> entry =
            Entry(DataLibraryKind::Send, o.sendEntry, context, why);
        if (!entry) {
            return false;
        }
        text = *entry;
        origin = Lead(o.sendEntry.origin) + EntryName(DataLibraryKind::Send, o.sendEntry.value) +
                 " of " + context.shownLibrary;
        hex = o.entryHex;
    }
    if (!hex) {
        step.request.assign(text.begin(), text.end());
        return true;
    }
    if (std::optional<ByteArray> bytes = StrictHex(text, why)) {
        step.request = std::move(*bytes);
        return true;
    }
    why = Source(origin, text) + ": " + why;
    return false;
}

// The window's comparison: an expected text from the options or the library.
bool ResolveText(const StepOptions& o, const StepContext& context, AnswerRule& rule,
                 std::string& why) {
    std::string origin = o.expectText.origin;
    rule.expected = o.expectText.value;
    if (o.expect == ExpectSource::Entry) {
        const std::optional<std::string> entry =
            Entry(DataLibraryKind::Expected, o.expectEntry, context, why);
        if (!entry) {
            return false;
        }
        rule.expected = *entry;
        origin = Lead(o.expectEntry.origin) +
                 EntryName(DataLibraryKind::Expected, o.expectEntry.value) + " of " +
                 context.shownLibrary;
    }
    rule.kind = ExpectSource::Text;
    rule.hex = o.hex;
    if (ExpectedCanNeverFail(rule.expected)) {
        why = Source(origin, rule.expected) +
              ": nothing to compare once blanks and tabs are removed, so no answer could fail";
        return false;
    }
    if (const std::optional<std::string> piece = UnreachableExpectedPiece(rule.expected, o.hex)) {
        why = Source(origin, rule.expected) + " can never match with --hex: received bytes " +
              "show as upper-case digit pairs such as \"AB\", and " + QuotedForTerminal(*piece) +
              " is not one";
        return false;
    }
    return true;
}

// A mask or a pattern, and where a pattern's answer ends.
bool ResolveShape(const StepOptions& o, AnswerRule& rule, std::string& why) {
    rule.kind = o.expect;
    rule.expected = o.expectText.value;
    std::string error;
    if (o.expect == ExpectSource::Mask) {
        rule.mask = AnswerMask::Parse(o.expectText.value, error);
    } else {
        rule.pattern = AnswerPattern::Compile(o.expectText.value, error);
    }
    if (!error.empty()) {
        why = Source(o.expectText.origin, o.expectText.value) + ": " + error;
        return false;
    }
    if (o.end) {
        const std::optional<std::string> end = ReadBackslashEscapes(o.end->value, error);
        if (!end || end->empty()) {
            why = Source(o.end->origin, o.end->value) + ": " +
                  (end ? "an empty end would end every answer at once" : error);
            return false;
        }
        rule.end = *end;
    }
    if (o.idleMs) {
        rule.idleMs = o.idleMs->value;
    }
    return true;
}

bool ResolveChecksum(const StepOptions& o, AnswerRule& rule, std::string& why) {
    if (!o.checksum) {
        for (const auto* part : {&o.checksumOrder, &o.checksumRange}) {
            if (*part) {
                why = (*part)->origin + " goes with a checksum";
                return false;
            }
        }
        return true;
    }
    const ChecksumLookup found = FindChecksum(o.checksum->value);
    if (!found.algorithm) {
        why = Source(o.checksum->origin, o.checksum->value) + ": " + found.error;
        return false;
    }
    std::string error;
    std::optional<ChecksumOrder> order;
    if (o.checksumOrder && !(order = ParseChecksumOrder(o.checksumOrder->value, error))) {
        why = Source(o.checksumOrder->origin, o.checksumOrder->value) + ": " + error;
        return false;
    }
    ChecksumRange range;
    if (o.checksumRange) {
        const std::optional<ChecksumRange> parsed =
            ParseChecksumRange(o.checksumRange->value, error);
        if (!parsed) {
            why = Source(o.checksumRange->origin, o.checksumRange->value) + ": " + error;
            return false;
        }
        range = *parsed;
    }
    rule.checksum.emplace(*found.algorithm, order, o.checksumAscii, range);
    return true;
}

// Fields, measures and captures: each name once, each measure reading a
// field or a group of the pattern, each capture a group.
bool ResolveValues(const StepOptions& o, AnswerRule& rule, std::string& why) {
    const std::vector<std::string> groups =
        rule.pattern ? rule.pattern->groupNames() : std::vector<std::string>();
    std::vector<std::string> fields;
    for (const FieldOption& f : o.fields) {
        if (Has(fields, f.field.name) || Has(groups, f.field.name)) {
            why = f.origin + ": " + f.field.name + " is named twice" +
                  (Has(groups, f.field.name) ? " (a group of the pattern has its name)" : "");
            return false;
        }
        fields.push_back(f.field.name);
        rule.fields.push_back(f);
    }
    std::vector<std::string> measured;
    for (const MeasureOption& m : o.measures) {
        const std::string& name = m.limits.name;
        if (Has(measured, name)) {
            why = m.origin + ": " + name + " is measured twice";
            return false;
        }
        if (!Has(fields, name) && !Has(groups, name)) {
            why = m.origin + ": " + name + " is neither a field (--field) nor a named group of " +
                  "the pattern (--expect-regex '(?<" + name + ">...)')";
            return false;
        }
        measured.push_back(name);
        rule.measures.push_back(m.limits);
    }
    for (const Given<std::string>& c : o.captures) {
        if (!Has(groups, c.value) || Has(measured, c.value) || Has(rule.captures, c.value)) {
            why = c.origin + " " + c.value + ": " +
                  (Has(groups, c.value) ? "measured or captured already"
                                        : "the pattern has no group (?<" + c.value + ">...)");
            return false;
        }
        rule.captures.push_back(c.value);
    }
    return true;
}

// The request's checksum, before the answer's end when the request ends
// with it (a framed protocol such as Modbus ASCII).
bool AddRequestChecksum(Step& step, std::string& why, const std::string& origin) {
    const std::optional<ChecksumFrame>& frame = step.answer.checksum;
    if (!frame || !step.sends) {
        return true;
    }
    const ByteArray end(step.answer.end.begin(), step.answer.end.end());
    ByteArray& request = step.request;
    const bool framed = !end.empty() && request.size() >= end.size() &&
                        std::equal(end.begin(), end.end(), request.end() - end.size());
    const size_t bodySize = request.size() - (framed ? end.size() : 0);
    const std::optional<ByteArray> sum = frame->ChecksumFor(request.data(), bodySize);
    if (!sum) {
        why = origin + ": the request's " + std::to_string(bodySize) +
              " bytes hold no part it could cover" +
              (frame->ascii() ? " (or not as hex digit pairs)" : "");
        return false;
    }
    request.insert(request.begin() + static_cast<std::ptrdiff_t>(bodySize), sum->begin(),
                   sum->end());
    return true;
}

}  // namespace

std::optional<Step> ResolveStep(const StepOptions& o, const StepContext& context,
                                std::string& why) {
    Step step;
    step.name = o.name;
    step.timeoutMs = o.timeoutMs;
    step.settleMs = o.settleMs >= 0 ? o.settleMs : DefaultSettleMs(context.line);
    step.retries = o.retries;
    step.stopOnFail = o.stopOnFail;
    step.waitMs = o.waitMs;
    step.prompt = o.prompt;
    if (!ResolveSend(o, context, step, why)) {
        return std::nullopt;
    }
    AnswerRule& rule = step.answer;
    const bool shaped = o.expect == ExpectSource::Mask || o.expect == ExpectSource::Pattern;
    if (o.end && o.expect != ExpectSource::Pattern) {
        why = o.end->origin + " goes with a pattern (--expect-regex)";
        return std::nullopt;
    }
    if (o.idleMs && o.expect != ExpectSource::Pattern) {
        why = o.idleMs->origin + " goes with a pattern (--expect-regex)";
        return std::nullopt;
    }
    // A mask is hex pairs already: --hex changes nothing there.
    if (o.hex && o.expect == ExpectSource::Pattern) {
        why = o.expectText.origin + " does not go with --hex: a pattern reads the answer as text";
        return std::nullopt;
    }
    const bool expected = o.expect == ExpectSource::Text || o.expect == ExpectSource::Entry;
    if ((expected && !ResolveText(o, context, rule, why)) ||
        (shaped && !ResolveShape(o, rule, why)) || !ResolveChecksum(o, rule, why) ||
        !ResolveValues(o, rule, why) ||
        !AddRequestChecksum(step, why, o.checksum ? o.checksum->origin : std::string())) {
        return std::nullopt;
    }
    if (o.expect == ExpectSource::Nothing && (!rule.fields.empty() || o.checksum)) {
        why = (o.checksum ? o.checksum->origin : rule.fields.front().origin) +
              " needs an answer to read: an expected text, mask or pattern";
        return std::nullopt;
    }
    return step;
}

std::vector<std::string> ValueNames(const AnswerRule& rule) {
    std::vector<std::string> names;
    for (const FieldOption& f : rule.fields) {
        names.push_back(f.field.name);
    }
    for (const MeasureLimits& m : rule.measures) {
        if (!Has(names, m.name)) {
            names.push_back(m.name);
        }
    }
    names.insert(names.end(), rule.captures.begin(), rule.captures.end());
    return names;
}

int DefaultSettleMs(const CommSettings& line) {
    constexpr int kShortestMs = 50;
    constexpr int kCharacters = 5;
    // Start bit, data bits, parity bit, stop bits.
    const double stopBits = line.stopBits == "1.5" ? 1.5 : line.stopBits == "2" ? 2 : 1;
    const double bits = 1 + line.dataBits + (line.parity == 'n' ? 0 : 1) + stopBits;
    const double ms = kCharacters * bits * 1000.0 / line.baud;
    return std::max(kShortestMs, static_cast<int>(std::ceil(ms)));
}
