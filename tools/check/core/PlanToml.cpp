#include "tools/check/core/PlanToml.h"

#include <algorithm>
#include <cmath>

#include "tools/check/core/TextEscapes.h"
#include "tools/check/core/ValueText.h"

namespace {

bool WrittenBefore(const PlanEntry& a, const PlanEntry& b) {
    const toml::source_position& x = a.key->source().begin;
    const toml::source_position& y = b.key->source().begin;
    return x.line != y.line ? x.line < y.line : x.column < y.column;
}

std::string Joined(const std::vector<const char*>& names) {
    std::string joined;
    for (const char* name : names) {
        joined += (joined.empty() ? "" : ", ") + std::string(name);
    }
    return joined;
}

}  // namespace

const toml::node* FindEntry(const std::vector<PlanEntry>& entries, const char* name) {
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&](const PlanEntry& entry) { return entry.name == name; });
    return found == entries.end() ? nullptr : found->value;
}

std::string ShownValue(const toml::node& value) {
    if (const auto* text = value.as_string()) {
        return QuotedForTerminal(text->get());
    }
    if (const auto* whole = value.as_integer()) {
        return std::to_string(whole->get());
    }
    if (const auto* number = value.as_floating_point()) {
        return FormatNumber(number->get());
    }
    if (const auto* flag = value.as_boolean()) {
        return flag->get() ? "true" : "false";
    }
    if (value.is_array()) {
        return "an array";
    }
    if (value.is_table()) {
        return "a table";
    }
    return "a date or time";
}

bool FitName(const std::string& utf8, bool blanks) {
    // ForTerminal changes a UTF-8 text only where it writes a control character.
    return !utf8.empty() && ForTerminal(utf8) == utf8 &&
           (blanks || utf8.find(' ') == std::string::npos);
}

std::string PlanReader::Place(const toml::source_region& region) const {
    return shown_ + ":" + std::to_string(region.begin.line) + ":" +
           std::to_string(region.begin.column);
}

std::string PlanReader::Origin(const toml::node& value, const std::string& key) const {
    return Place(value.source()) + ": " + key;
}

void PlanReader::Fail(const toml::source_region& region, const std::string& message) const {
    throw PlanFault(Place(region) + ": " + message);
}

void PlanReader::Fail(const toml::node& value, const std::string& key,
                      const std::string& message) const {
    throw PlanFault(Origin(value, key) + message);
}

std::vector<PlanEntry> PlanReader::InOrder(const toml::table& table) {
    std::vector<PlanEntry> entries;
    for (const auto& [key, value] : table) {
        entries.push_back(PlanEntry{std::string(key.str()), &key, &value});
    }
    std::sort(entries.begin(), entries.end(), WrittenBefore);
    return entries;
}

std::vector<PlanEntry> PlanReader::Entries(const toml::table& table,
                                           const std::vector<const char*>& allowed,
                                           const std::string& where) const {
    const std::vector<PlanEntry> entries = InOrder(table);
    for (const PlanEntry& entry : entries) {
        const bool known = std::any_of(allowed.begin(), allowed.end(),
                                       [&](const char* name) { return entry.name == name; });
        if (!known) {
            Fail(entry.key->source(), "unknown key " + QuotedForTerminal(entry.name) + " " + where +
                                          "; allowed: " + Joined(allowed));
        }
    }
    return entries;
}

std::string PlanReader::Text(const toml::node& value, const std::string& key) const {
    const auto* text = value.as_string();
    if (!text) {
        Fail(value, key, " takes a string, not " + ShownValue(value));
    }
    return text->get();
}

int PlanReader::Whole(const toml::node& value, const std::string& key, int low, int high,
                      const char* what) const {
    const auto* whole = value.as_integer();
    if (!whole || whole->get() < low || whole->get() > high) {
        Fail(value, key,
             std::string(" takes ") + what + " from " + std::to_string(low) + " to " +
                 std::to_string(high) + ", not " + ShownValue(value));
    }
    return static_cast<int>(whole->get());
}

double PlanReader::Number(const toml::node& value, const std::string& key) const {
    if (const auto* whole = value.as_integer()) {
        return static_cast<double>(whole->get());
    }
    const auto* number = value.as_floating_point();
    if (!number || !std::isfinite(number->get())) {
        Fail(value, key, " takes a number, not " + ShownValue(value));
    }
    return number->get();
}

bool PlanReader::Flag(const toml::node& value, const std::string& key) const {
    const auto* flag = value.as_boolean();
    if (!flag) {
        Fail(value, key, " is true or false, not " + ShownValue(value));
    }
    return flag->get();
}

const toml::table& PlanReader::Table(const toml::node& value, const std::string& key,
                                     const std::string& example) const {
    const auto* table = value.as_table();
    if (!table) {
        Fail(value, key, " takes a table, not " + ShownValue(value) + ": " + example);
    }
    return *table;
}
