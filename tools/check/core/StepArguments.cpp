#include "tools/check/core/CommandArguments.h"

#include "tools/WholeNumber.h"
#include "tools/check/core/ValueText.h"

namespace {

// A data library entry's number, 1 to 3; empty, or why not.
std::string EntryNumber(const Arguments& a, const char* name, Given<int>& entry) {
    entry.origin = std::string("--") + name;
    return Number(a, name, 1, 3, "an entry number", entry.value);
}

std::string ParseSend(const Arguments& a, StepOptions& s) {
    if (a.isSet("send") + a.isSet("send-hex") + a.isSet("send-entry") > 1) {
        return "choose at most one of --send, --send-hex and --send-entry";
    }
    for (const auto& [name, source] :
         {std::pair{"send", SendSource::Text}, std::pair{"send-hex", SendSource::Hex}}) {
        if (a.isSet(name)) {
            s.send = source;
            s.sendText = *a.given(name);
        }
    }
    if (a.isSet("send-entry")) {
        s.send = SendSource::Entry;
        if (std::string why = EntryNumber(a, "send-entry", s.sendEntry); !why.empty()) {
            return why;
        }
    }
    s.entryHex = a.isSet("entry-hex");
    if (s.entryHex && s.send != SendSource::Entry) {
        return "--entry-hex goes with --send-entry";
    }
    return std::string();
}

std::string ParseExpect(const Arguments& a, StepOptions& s) {
    const int expectations = a.isSet("expect") + a.isSet("expect-entry") + a.isSet("expect-mask") +
                             a.isSet("expect-regex");
    if (expectations != 1) {
        return expectations == 0 ? "say what to expect: --expect TEXT, --expect-entry N, "
                                   "--expect-mask MASK or --expect-regex PATTERN"
                                 : "choose one of --expect, --expect-entry, --expect-mask and "
                                   "--expect-regex";
    }
    for (const auto& [name, source] :
         {std::pair{"expect", ExpectSource::Text}, std::pair{"expect-mask", ExpectSource::Mask},
          std::pair{"expect-regex", ExpectSource::Pattern}}) {
        if (a.isSet(name)) {
            s.expect = source;
            s.expectText = *a.given(name);
        }
    }
    if (a.isSet("expect-entry")) {
        s.expect = ExpectSource::Entry;
        if (std::string why = EntryNumber(a, "expect-entry", s.expectEntry); !why.empty()) {
            return why;
        }
    }
    s.hex = a.isSet("hex");
    s.end = a.given("end");
    if (a.isSet("idle")) {
        s.idleMs = Given<int>{0, "--idle"};
        if (std::string why =
                Number(a, "idle", 1, kLongestTimeoutMs, "whole milliseconds", s.idleMs->value);
            !why.empty()) {
            return why;
        }
    }
    return std::string();
}

// Fields, measures and captures, each as its own reader takes it.
std::string ParseValues(const Arguments& a, StepOptions& s) {
    std::string error;
    for (const std::string& text : a.values("field")) {
        const std::optional<AnswerField> field = ParseAnswerField(text, error);
        if (!field) {
            return "--field " + text + ": " + error;
        }
        s.fields.push_back(FieldOption{*field, std::string(), "--field " + field->name});
    }
    for (const std::string& text : a.values("measure")) {
        const std::optional<MeasureLimits> measure = ParseMeasure(text, error);
        if (!measure) {
            return "--measure " + text + ": " + error;
        }
        s.measures.push_back(MeasureOption{*measure, "--measure " + measure->name});
    }
    for (const std::string& name : a.values("capture")) {
        if (const std::string why = ValueNameError(name); !why.empty()) {
            return "--capture " + name + ": " + why;
        }
        s.captures.push_back(Given<std::string>{name, "--capture"});
    }
    s.checksum = a.given("checksum");
    s.checksumOrder = a.given("checksum-order");
    s.checksumRange = a.given("checksum-range");
    s.checksumAscii = a.isSet("checksum-ascii");
    if (s.checksumAscii && !s.checksum) {
        return "--checksum-ascii goes with --checksum";
    }
    return std::string();
}

}  // namespace

QString FromBytes(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text) {
    return text.toLatin1().toStdString();
}

std::string Number(const Arguments& a, const char* name, int low, int high, const char* what,
                   int& out) {
    if (!a.isSet(name)) {
        return std::string();
    }
    if (const std::optional<int> value = ParseWholeNumber(a.value(name), low, high)) {
        out = *value;
        return std::string();
    }
    return std::string("--") + name + " takes " + what + " from " + std::to_string(low) + " to " +
           std::to_string(high) + ", not '" + a.value(name) + "'";
}

std::string ParseStepArguments(const Arguments& a, StepOptions& step) {
    for (const std::string& why :
         {ParseSend(a, step), ParseExpect(a, step), ParseValues(a, step)}) {
        if (!why.empty()) {
            return why;
        }
    }
    return std::string();
}
