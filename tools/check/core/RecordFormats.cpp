#include "tools/check/core/RecordFormats.h"

#include "platform/text/LocalTime.h"
#include "tools/check/core/TextEscapes.h"
#include "tools/check/core/ValueText.h"

namespace {

// A column's name and text; numbers are marked for JSON.
struct Column {
    const char* name;
    std::string text;
    bool number;
};

// The first value of that name a step of the unit read, its teardown last.
const RecordedValue* FindValue(const UnitResult& unit, const std::string& name) {
    for (const auto* steps : {&unit.steps, &unit.teardown}) {
        for (const StepResult& step : *steps) {
            for (const RecordedValue& v : step.values) {
                if (v.name == name) {
                    return &v;
                }
            }
        }
    }
    return nullptr;
}

// A value as its column holds it: the number, else the text.
std::string ColumnText(const RecordedValue& v) {
    return v.number ? FormatNumber(*v.number) : ToUtf8(v.text);
}

std::vector<Column> Columns(const RecordLayout& layout, const UnitResult& u) {
    static const StepResult kNone;
    const StepResult* deciding = DecidingStep(u);
    const StepResult& s = deciding ? *deciding : kNone;
    std::vector<Column> columns = {
        {"time", LocalIsoTime(u.end), false},         {"port", ToUtf8(layout.port), false},
        {"settings", ToUtf8(layout.settings), false}, {"sent", HexBytes(s.sent), false},
        {"received", HexBytes(s.received), false},    {"expected", ToUtf8(s.expected), false},
        {"verdict", VerdictName(u.verdict), false},   {"ms", FormatMs(u.ms), true},
        {"unit", std::to_string(u.unit), true},       {"id", ToUtf8(u.id), false},
        {"trailing", HexBytes(s.trailing), false},    {"late", HexBytes(s.late), false},
    };
    if (!layout.slotPorts.empty()) {
        columns.push_back({"slot", ToUtf8(u.slot), false});
    }
    if (layout.plan) {
        columns.push_back({"failed_step", ToUtf8(u.failedStep), false});
    }
    columns.push_back({"reason", ToUtf8(u.reason), false});
    return columns;
}

std::string JsonNumberOrNull(const std::optional<double>& n) {
    return n ? FormatNumber(*n) : "null";
}

std::string JsonField(const char* key, const std::string& json) {
    return std::string(",\"") + key + "\":" + json;
}

// "values" and "limits" of one step, or of a unit in the layout's order.
std::string JsonValues(const std::vector<const RecordedValue*>& found) {
    std::string values;
    std::string limits;
    for (const RecordedValue* v : found) {
        values += (values.empty() ? "" : ",") + JsonString(v->name) + ":" +
                  (v->number ? FormatNumber(*v->number) : JsonString(ToUtf8(v->text)));
        if (v->judged || !v->unit.empty()) {
            limits += (limits.empty() ? "" : ",") + JsonString(v->name) +
                      ":{\"low\":" + JsonNumberOrNull(v->low) +
                      ",\"high\":" + JsonNumberOrNull(v->high) +
                      ",\"unit\":" + JsonString(ToUtf8(v->unit)) + "}";
        }
    }
    return JsonField("values", "{" + values + "}") + JsonField("limits", "{" + limits + "}");
}

std::string JsonStep(const StepResult& s) {
    std::vector<const RecordedValue*> values;
    for (const RecordedValue& v : s.values) {
        values.push_back(&v);
    }
    return "{\"name\":" + JsonString(ToUtf8(s.name)) +
           JsonField("attempts", std::to_string(s.attempts)) +
           JsonField("sent", JsonString(HexBytes(s.sent))) +
           JsonField("received", JsonString(HexBytes(s.received))) +
           JsonField("trailing", JsonString(HexBytes(s.trailing))) +
           JsonField("late", JsonString(HexBytes(s.late))) +
           JsonField("verdict", JsonString(VerdictName(s.verdict))) +
           JsonField("reason", JsonString(ToUtf8(s.reason))) + JsonField("ms", FormatMs(s.ms)) +
           JsonValues(values) + "}";
}

std::string JsonSteps(const std::vector<StepResult>& steps) {
    std::string out;
    for (const StepResult& s : steps) {
        out += (out.empty() ? "" : ",") + JsonStep(s);
    }
    return "[" + out + "]";
}

// What a plan's record adds: which plan judged it, where, and every step.
std::string JsonPlan(const RecordLayout& layout, const UnitResult& u) {
    const RunInfo& run = layout.run;
    return JsonField("retest", std::to_string(u.retest)) +
           JsonField("plan", "{\"name\":" + JsonString(ToUtf8(run.planName)) +
                                 ",\"version\":" + JsonString(ToUtf8(run.planVersion)) +
                                 ",\"sha256\":" + JsonString(run.planSha256) + "}") +
           JsonField("station", JsonString(ToUtf8(run.station))) +
           JsonField("start", JsonString(LocalIsoTime(u.start))) +
           JsonField("steps", JsonSteps(u.steps)) + JsonField("teardown", JsonSteps(u.teardown));
}

}  // namespace

std::string CsvHeader(const RecordLayout& layout) {
    std::string line;
    for (const Column& c : Columns(layout, UnitResult())) {
        line += (line.empty() ? "" : ",") + std::string(c.name);
    }
    for (const std::string& name : layout.valueNames) {
        line += "," + CsvField(name);
    }
    return line + "\r\n";
}

std::string FormatCsvRecord(const RecordLayout& layout, const UnitResult& unit) {
    std::string line;
    for (const Column& c : Columns(layout, unit)) {
        line += (line.empty() ? "" : ",") + CsvField(c.text);
    }
    for (const std::string& name : layout.valueNames) {
        const RecordedValue* v = FindValue(unit, name);
        line += "," + (v ? CsvField(ColumnText(*v)) : std::string());
    }
    return line + "\r\n";
}

std::string FormatJsonRecord(const RecordLayout& layout, const UnitResult& unit) {
    std::string line;
    for (const Column& c : Columns(layout, unit)) {
        line += (line.empty() ? "{\"" : ",\"") + std::string(c.name) + "\":";
        line += c.number ? c.text : JsonString(c.text);
    }
    std::vector<const RecordedValue*> values;
    for (const std::string& name : layout.valueNames) {
        if (const RecordedValue* v = FindValue(unit, name)) {
            values.push_back(v);
        }
    }
    line += JsonValues(values);
    if (layout.plan) {
        line += JsonPlan(layout, unit);
    }
    return line + "}\n";
}
