#include "tools/check/core/PlanStepValues.h"

#include "tools/check/core/TextEscapes.h"
#include "tools/check/core/ValueText.h"

namespace {

// A byte offset the command line's field form can also write: up to 9 digits.
constexpr int kFarthestOffset = 999999999;

const char kFieldExample[] = "{ at = 3, type = \"u16be\" }";
const char kMeasureExample[] = "\"3.0..4.2 V\" or { min = 3.0, max = 4.2, unit = \"V\" }";

// The path of a value's key, "field.vbat", after its name is checked.
std::string NamedKey(const PlanReader& reader, const PlanEntry& entry, const char* table) {
    const std::string key = std::string(table) + "." + ForTerminal(entry.name);
    if (const std::string why = ValueNameError(entry.name); !why.empty()) {
        reader.Fail(entry.key->source(), key + ": " + why);
    }
    return key;
}

std::optional<Limit> ReadLimit(const PlanReader& reader, const std::vector<PlanEntry>& parts,
                               const char* name, const std::string& key) {
    const toml::node* value = FindEntry(parts, name);
    if (!value) {
        return std::nullopt;
    }
    return LimitOf(reader.Number(*value, key + "." + name));
}

// min, max and unit of a field or a measure table, the limits in order.
MeasureLimits ReadLimits(const PlanReader& reader, const std::vector<PlanEntry>& parts,
                         const std::string& name, const std::string& key) {
    MeasureLimits limits;
    limits.name = name;
    limits.low = ReadLimit(reader, parts, "min", key);
    limits.high = ReadLimit(reader, parts, "max", key);
    if (const toml::node* unit = FindEntry(parts, "unit")) {
        limits.unit = reader.Text(*unit, key + ".unit");
    }
    if (const std::string why = LimitsError(limits); !why.empty()) {
        reader.Fail(*FindEntry(parts, "min"), key, ": " + why);
    }
    return limits;
}

}  // namespace

void ReadPlanFields(const PlanReader& reader, const toml::node& fields,
                    std::vector<FieldOption>& out, std::vector<MeasureOption>& measures) {
    const toml::table& table =
        reader.Table(fields, "field", std::string("field.NAME = ") + kFieldExample);
    for (const PlanEntry& entry : PlanReader::InOrder(table)) {
        const std::string key = NamedKey(reader, entry, "field");
        const toml::node& value = *entry.value;
        const std::vector<PlanEntry> parts =
            reader.Entries(reader.Table(value, key, kFieldExample),
                           {"at", "type", "scale", "unit", "min", "max"}, "in " + key);
        const toml::node* at = FindEntry(parts, "at");
        const toml::node* type = FindEntry(parts, "type");
        if (!at || !type) {
            reader.Fail(value, key, std::string(" needs at and type, e.g. ") + kFieldExample);
        }
        FieldOption field;
        field.origin = reader.Origin(value, key);
        field.field.name = entry.name;
        const std::optional<FieldType> named = FieldTypeNamed(reader.Text(*type, key + ".type"));
        if (!named) {
            reader.Fail(
                *type, key + ".type",
                std::string(" is one of ") + FieldTypeNames() + ", not " + ShownValue(*type));
        }
        field.field.type = *named;
        field.field.offset =
            reader.Whole(*at, key + ".at", -kFarthestOffset, kFarthestOffset, "a byte offset");
        if (const std::string why = FieldOffsetError(field.field.offset, *named); !why.empty()) {
            reader.Fail(*at, key + ".at", ": " + why);
        }
        if (const toml::node* scale = FindEntry(parts, "scale")) {
            field.field.scale = reader.Number(*scale, key + ".scale");
            if (const std::string why = FieldScaleError(field.field.scale); !why.empty()) {
                reader.Fail(*scale, key + ".scale", ": " + why);
            }
        }
        const MeasureLimits limits = ReadLimits(reader, parts, entry.name, key);
        field.unit = limits.unit;
        out.push_back(field);
        if (limits.low || limits.high) {
            measures.push_back(MeasureOption{limits, field.origin});
        }
    }
}

void ReadPlanMeasures(const PlanReader& reader, const toml::node& measures,
                      std::vector<MeasureOption>& out) {
    const toml::table& table =
        reader.Table(measures, "measure", std::string("measure.NAME = ") + kMeasureExample);
    for (const PlanEntry& entry : PlanReader::InOrder(table)) {
        const std::string key = NamedKey(reader, entry, "measure");
        const toml::node& value = *entry.value;
        MeasureOption measure;
        measure.origin = reader.Origin(value, key);
        if (const auto* text = value.as_string()) {
            std::string why;
            const std::optional<MeasureLimits> parsed =
                ParseMeasure(entry.name + "=" + text->get(), why);
            if (!parsed) {
                reader.Fail(value, key, " " + QuotedForTerminal(text->get()) + ": " + why);
            }
            measure.limits = *parsed;
        } else if (const auto* limits = value.as_table()) {
            measure.limits =
                ReadLimits(reader, reader.Entries(*limits, {"min", "max", "unit"}, "in " + key),
                           entry.name, key);
        } else {
            reader.Fail(value, key,
                        std::string(" takes a range such as ") + kMeasureExample + ", not " +
                            ShownValue(value));
        }
        out.push_back(measure);
    }
}

void ReadPlanCaptures(const PlanReader& reader, const toml::node& captures,
                      std::vector<Given<std::string>>& out) {
    const auto* names = captures.as_array();
    if (!names) {
        reader.Fail(captures, "capture",
                    " takes a list of names, e.g. [\"sn\"], not " + ShownValue(captures));
    }
    for (const toml::node& name : *names) {
        const std::string text = reader.Text(name, "capture");
        if (const std::string why = ValueNameError(text); !why.empty()) {
            reader.Fail(name, "capture", " " + QuotedForTerminal(text) + ": " + why);
        }
        out.push_back(Given<std::string>{text, reader.Origin(name, "capture")});
    }
}
