#include "tools/check/core/PlanStep.h"

#include <algorithm>

#include "tools/check/core/PlanStepValues.h"
#include "tools/check/core/TextEscapes.h"

namespace {

using TextKey = std::optional<Given<std::string>> StepKeys::*;
using WholeKey = std::optional<Given<int>> StepKeys::*;
using FlagKey = std::optional<Given<bool>> StepKeys::*;

const std::pair<const char*, TextKey> kTexts[] = {
    {"name", &StepKeys::name},
    {"send", &StepKeys::send},
    {"send_hex", &StepKeys::sendHex},
    {"expect", &StepKeys::expect},
    {"expect_mask", &StepKeys::expectMask},
    {"expect_regex", &StepKeys::expectRegex},
    {"end", &StepKeys::end},
    {"prompt", &StepKeys::prompt},
    {"checksum", &StepKeys::checksum},
    {"checksum_order", &StepKeys::checksumOrder},
    {"checksum_range", &StepKeys::checksumRange},
};

struct WholeKeyRange {
    const char* name;
    WholeKey member;
    int low;
    int high;
    const char* what;
};

const WholeKeyRange kWholes[] = {
    {"send_entry", &StepKeys::sendEntry, 1, 3, "an entry number"},
    {"expect_entry", &StepKeys::expectEntry, 1, 3, "an entry number"},
    {"idle", &StepKeys::idleMs, 1, kLongestTimeoutMs, "whole milliseconds"},
    {"timeout", &StepKeys::timeoutMs, 1, kLongestTimeoutMs, "whole milliseconds"},
    {"settle", &StepKeys::settleMs, 0, kLongestIntervalMs, "whole milliseconds"},
    {"retries", &StepKeys::retries, 0, kMostRetries, "a whole number"},
    {"wait", &StepKeys::waitMs, 1, kLongestIntervalMs, "whole milliseconds"},
};

const std::pair<const char*, FlagKey> kFlags[] = {
    {"entry_hex", &StepKeys::entryHex},
    {"hex", &StepKeys::hex},
    {"checksum_ascii", &StepKeys::checksumAscii},
};

// In the order messages list them.
// clang-format off
const std::vector<const char*> kStepKeys = {
    "name",
    "send", "send_hex", "send_entry", "entry_hex",
    "expect", "expect_entry", "hex", "expect_mask", "expect_regex", "end", "idle",
    "field", "measure", "capture",
    "checksum", "checksum_order", "checksum_range", "checksum_ascii",
    "timeout", "settle", "retries", "on_fail",
    "wait", "prompt"};

const std::vector<const char*> kDefaultKeys = {
    "timeout", "settle", "retries", "on_fail",
    "hex", "checksum", "checksum_order", "checksum_range", "checksum_ascii",
    "end", "idle"};
// clang-format on

const std::vector<std::string> kSends = {"send", "send_hex", "send_entry"};
const std::vector<std::string> kExpects = {"expect", "expect_entry", "expect_mask", "expect_regex"};
const std::vector<std::string> kQuiet = {"wait", "prompt"};

bool In(const std::vector<std::string>& keys, const std::string& key) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// Why `key` does not go with a key written before it, or empty.
std::string Clash(const std::string& key, const std::vector<std::string>& before) {
    const auto acts = [](const std::string& k) {
        return In(kSends, k) || In(kExpects, k) || In(kQuiet, k);
    };
    for (const std::string& other : before) {
        if (In(kSends, key) && In(kSends, other)) {
            return other + ": choose at most one of send, send_hex and send_entry";
        }
        if (In(kExpects, key) && In(kExpects, other)) {
            return other +
                   ": choose at most one of expect, expect_entry, expect_mask and expect_regex";
        }
        if ((In(kQuiet, key) || In(kQuiet, other)) && acts(key) && acts(other)) {
            return other + ": a step that waits or shows a prompt does only that";
        }
    }
    return std::string();
}

void ReadKey(const PlanReader& reader, const PlanEntry& entry, StepKeys& keys) {
    const std::string& key = entry.name;
    const toml::node& value = *entry.value;
    for (const auto& [name, member] : kTexts) {
        if (key == name) {
            keys.*member = Given<std::string>{reader.Text(value, key), reader.Origin(value, key)};
            return;
        }
    }
    for (const WholeKeyRange& whole : kWholes) {
        if (key == whole.name) {
            keys.*whole.member =
                Given<int>{reader.Whole(value, key, whole.low, whole.high, whole.what),
                           reader.Origin(value, key)};
            return;
        }
    }
    for (const auto& [name, member] : kFlags) {
        if (key == name) {
            keys.*member = Given<bool>{reader.Flag(value, key), reader.Origin(value, key)};
            return;
        }
    }
    if (key == "on_fail") {
        const std::string text = reader.Text(value, key);
        if (text != "stop" && text != "continue") {
            reader.Fail(value, key, " is stop or continue, not " + ShownValue(value));
        }
        keys.stopOnFail = Given<bool>{text == "stop", reader.Origin(value, key)};
    } else if (key == "field") {
        ReadPlanFields(reader, value, keys.fields, keys.measures);
    } else if (key == "measure") {
        ReadPlanMeasures(reader, value, keys.measures);
    } else if (key == "capture") {
        ReadPlanCaptures(reader, value, keys.captures);
    }
}

// `own` when the step gives it, else the default when it applies.
template <class T>
std::optional<Given<T>> Either(const std::optional<Given<T>>& own,
                               const std::optional<Given<T>>& fallback, bool applies) {
    return own ? own : applies ? fallback : std::nullopt;
}

bool IsSet(const std::optional<Given<bool>>& flag) {
    return flag && flag->value;
}

void ApplySend(const StepKeys& k, StepOptions& o) {
    if (k.send || k.sendHex) {
        o.send = k.send ? SendSource::Text : SendSource::Hex;
        o.sendText = k.send ? *k.send : *k.sendHex;
    } else if (k.sendEntry) {
        o.send = SendSource::Entry;
        o.sendEntry = *k.sendEntry;
    }
    if (IsSet(k.entryHex) && o.send != SendSource::Entry) {
        throw PlanFault(k.entryHex->origin + " goes with send_entry");
    }
    o.entryHex = IsSet(k.entryHex);
}

void ApplyExpect(const StepKeys& k, StepOptions& o) {
    for (const auto& [given, source] :
         {std::pair{&k.expect, ExpectSource::Text}, std::pair{&k.expectMask, ExpectSource::Mask},
          std::pair{&k.expectRegex, ExpectSource::Pattern}}) {
        if (*given) {
            o.expect = source;
            o.expectText = **given;
        }
    }
    if (k.expectEntry) {
        o.expect = ExpectSource::Entry;
        o.expectEntry = *k.expectEntry;
    }
}

// What judges the answer, the step's own or the defaults' where they fit.
void ApplyAnswer(const StepKeys& k, const StepKeys& d, StepOptions& o) {
    const bool text = o.expect == ExpectSource::Text || o.expect == ExpectSource::Entry;
    const bool answer = o.expect != ExpectSource::Nothing;
    o.hex = IsSet(Either(k.hex, d.hex, text));
    // A step's own end or idle replaces both of the defaults'.
    const bool ownEnd = k.end || k.idleMs;
    o.end = ownEnd ? k.end : o.expect == ExpectSource::Pattern ? d.end : std::nullopt;
    o.idleMs = ownEnd ? k.idleMs : o.expect == ExpectSource::Pattern ? d.idleMs : std::nullopt;
    o.checksum = Either(k.checksum, d.checksum, answer);
    o.checksumOrder = Either(k.checksumOrder, d.checksumOrder, o.checksum.has_value());
    o.checksumRange = Either(k.checksumRange, d.checksumRange, o.checksum.has_value());
    const std::optional<Given<bool>> ascii =
        Either(k.checksumAscii, d.checksumAscii, o.checksum.has_value());
    if (IsSet(ascii) && !o.checksum) {
        throw PlanFault(ascii->origin + " goes with checksum");
    }
    o.checksumAscii = IsSet(ascii);
    o.fields = k.fields;
    o.measures = k.measures;
    o.captures = k.captures;
}

void ApplyTimes(const StepKeys& k, const StepKeys& d, StepOptions& o) {
    for (const auto& [member, out] :
         {std::pair{&StepKeys::timeoutMs, &o.timeoutMs},
          std::pair{&StepKeys::settleMs, &o.settleMs}, std::pair{&StepKeys::retries, &o.retries},
          std::pair{&StepKeys::waitMs, &o.waitMs}}) {
        if (const std::optional<Given<int>> given = Either(k.*member, d.*member, true)) {
            *out = given->value;
        }
    }
    if (const std::optional<Given<bool>> stop = Either(k.stopOnFail, d.stopOnFail, true)) {
        o.stopOnFail = stop->value;
    }
}

StepOptions ReadStep(const PlanReader& reader, const toml::table& table, const std::string& kind,
                     int number, const StepKeys& defaults) {
    StepKeys keys;
    std::vector<std::string> read;
    for (const PlanEntry& entry : reader.Entries(table, kStepKeys, "in [[" + kind + "]]")) {
        if (const std::string clash = Clash(entry.name, read); !clash.empty()) {
            reader.Fail(*entry.value, entry.name, " does not go with " + clash);
        }
        ReadKey(reader, entry, keys);
        read.push_back(entry.name);
    }
    if (std::none_of(read.begin(), read.end(), [](const std::string& key) {
            return In(kSends, key) || In(kExpects, key) || In(kQuiet, key);
        })) {
        reader.Fail(table.source(),
                    "[[" + kind +
                        "]] has nothing to do: give it send, send_hex, send_entry, expect, "
                        "expect_entry, expect_mask, expect_regex, wait or prompt");
    }
    if (keys.prompt && keys.prompt->value.empty()) {
        throw PlanFault(keys.prompt->origin + " needs a text to show");
    }
    StepOptions o;
    o.name = keys.name ? keys.name->value : kind + " " + std::to_string(number);
    if (keys.prompt) {
        o.prompt = keys.prompt->value;
    }
    ApplySend(keys, o);
    ApplyExpect(keys, o);
    ApplyAnswer(keys, defaults, o);
    ApplyTimes(keys, defaults, o);
    if (keys.name && !FitName(o.name, true)) {
        throw PlanFault(keys.name->origin + " " + QuotedForTerminal(o.name) +
                        ": a name needs a character and holds no control characters");
    }
    return o;
}

}  // namespace

StepKeys ReadStepDefaults(const PlanReader& reader, const toml::table& defaults) {
    StepKeys keys;
    for (const PlanEntry& entry : reader.Entries(defaults, kDefaultKeys, "in [defaults]")) {
        ReadKey(reader, entry, keys);
    }
    return keys;
}

std::vector<StepOptions> ReadPlanSteps(const PlanReader& reader, const toml::node& steps,
                                       const char* kind, const StepKeys& defaults) {
    const std::string tables = "[[" + std::string(kind) + "]]";
    const auto* array = steps.as_array();
    if (!array) {
        reader.Fail(steps, kind, " takes " + tables + " tables, not " + ShownValue(steps));
    }
    std::vector<StepOptions> read;
    for (const toml::node& step : *array) {
        const auto* table = step.as_table();
        if (!table) {
            reader.Fail(step, kind, " takes " + tables + " tables, not " + ShownValue(step));
        }
        read.push_back(ReadStep(reader, *table, kind, static_cast<int>(read.size()) + 1, defaults));
        const StepOptions& added = read.back();
        const bool again = std::any_of(read.begin(), read.end() - 1, [&](const StepOptions& other) {
            return other.name == added.name;
        });
        if (again) {
            const toml::node* name = table->get("name");
            reader.Fail(name ? *name : step, "name",
                        " " + QuotedForTerminal(added.name) + ": another " + tables +
                            " has this name; each needs its own");
        }
    }
    return read;
}
