#include "tools/check/core/PlanFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "serial/PortMapping.h"
#include "tools/check/core/PlanStep.h"
#include "tools/check/core/PlanToml.h"
#include "tools/check/core/TextEscapes.h"

namespace {

// Far more than any plan needs: a device file or a wrong path given as a
// plan is refused instead of read for ever.
constexpr qint64 kLargestPlanBytes = 4 * 1024 * 1024;

const char kPlanExample[] = "[plan] name = \"S3 sensor board\"";
const char kSlotExample[] = "name = \"A1\", path = \"/dev/serial/by-path/...\"";

// The start of the file, for what is missing from all of it.
const toml::source_region kFileStart{{1, 1}, {1, 1}, nullptr};

// A library beside the plan: relative to the plan's folder.
std::string BesidePlan(const std::string& plan, const std::string& library) {
    const QString path = QString::fromStdString(library);
    if (QDir::isAbsolutePath(path)) {
        return library;
    }
    const QString folder = QFileInfo(QFile::decodeName(plan.c_str())).path();
    return QFile::encodeName(QDir::cleanPath(folder + QLatin1Char('/') + path)).toStdString();
}

// A port's path, as --port takes it.
Given<std::string> PortPath(const PlanReader& reader, const toml::node& value) {
    const std::string path = reader.Text(value, "path");
    if (path.empty()) {
        reader.Fail(value, "path", " needs a device path such as /dev/ttyUSB0");
    }
    if (ComPortNumber(path) < 0) {
        reader.Fail(value, "path",
                    " " + QuotedForTerminal(path) +
                        ": the COM ports are COM1 to COM4; give other ports by their device path");
    }
    return Given<std::string>{path, reader.Origin(value, "path")};
}

void ReadPlanTable(const PlanReader& reader, const toml::node& node, PlanFile& plan) {
    const toml::table& table = reader.Table(node, "plan", kPlanExample);
    bool named = false;
    for (const PlanEntry& entry :
         reader.Entries(table, {"name", "version", "unit_id", "library"}, "in [plan]")) {
        const toml::node& value = *entry.value;
        const std::string& key = entry.name;
        if (key == "name") {
            plan.name = reader.Text(value, key);
            named = !plan.name.empty();
            if (!named) {
                reader.Fail(value, key, " needs a text: the plan's name goes into every record");
            }
        } else if (key == "version") {
            if (const auto* whole = value.as_integer()) {
                plan.version = std::to_string(whole->get());
            } else if (!value.is_string()) {
                reader.Fail(value, key,
                            " takes a string or a whole number, not " + ShownValue(value));
            } else {
                plan.version = reader.Text(value, key);
            }
        } else if (key == "unit_id") {
            plan.unitId = Given<std::string>{reader.Text(value, key), reader.Origin(value, key)};
            std::string why;
            plan.unitIdPattern = AnswerPattern::Compile(plan.unitId->value, why);
            if (!plan.unitIdPattern) {
                reader.Fail(value, key, " " + QuotedForTerminal(plan.unitId->value) + ": " + why);
            }
        } else if (key == "library") {
            const std::string library = reader.Text(value, key);
            if (library.empty()) {
                reader.Fail(value, key, " needs a file name");
            }
            plan.library = BesidePlan(plan.path, library);
        }
    }
    if (!named) {
        reader.Fail(table.source(), std::string("[plan] needs a name, e.g. ") + kPlanExample);
    }
}

void ReadPortTable(const PlanReader& reader, const toml::node& node, PlanFile& plan) {
    const toml::table& table = reader.Table(node, "port", "[port] path = \"/dev/ttyUSB0\"");
    for (const PlanEntry& entry :
         reader.Entries(table, {"path", "settings", "flow"}, "in [port]")) {
        const toml::node& value = *entry.value;
        const std::string& key = entry.name;
        if (key == "path") {
            plan.portPath = PortPath(reader, value);
        } else if (key == "settings") {
            const std::string text = reader.Text(value, key);
            if (const std::string why = LineSettingsError(text); !why.empty()) {
                reader.Fail(value, key, " " + QuotedForTerminal(text) + ": " + why);
            }
            plan.settings = Given<std::string>{text, reader.Origin(value, key)};
        } else if (key == "flow") {
            plan.flow = FlowControlNamed(reader.Text(value, key));
            if (!plan.flow) {
                reader.Fail(value, key, " is none, rtscts or xonxoff, not " + ShownValue(value));
            }
        }
    }
}

void ReadSlots(const PlanReader& reader, const toml::node& node, PlanFile& plan) {
    const auto* array = node.as_array();
    if (!array) {
        reader.Fail(node, "slot", " takes [[slot]] tables, not " + ShownValue(node));
    }
    for (const toml::node& element : *array) {
        const auto* table = element.as_table();
        if (!table) {
            reader.Fail(element, "slot", " takes [[slot]] tables, not " + ShownValue(element));
        }
        const std::vector<PlanEntry> entries =
            reader.Entries(*table, {"name", "path"}, "in [[slot]]");
        const toml::node* name = FindEntry(entries, "name");
        const toml::node* path = FindEntry(entries, "path");
        if (!name || !path) {
            reader.Fail(element.source(),
                        std::string("[[slot]] needs a name and a path, e.g. ") + kSlotExample);
        }
        SlotOption slot{reader.Text(*name, "name"), PortPath(reader, *path)};
        if (!FitName(slot.name, false)) {
            reader.Fail(*name, "name",
                        " " + QuotedForTerminal(slot.name) +
                            ": a slot's name needs a character and holds no blanks or control "
                            "characters");
        }
        for (const SlotOption& other : plan.fixtureSlots) {
            if (other.name == slot.name) {
                reader.Fail(
                    *name, "name",
                    " " + QuotedForTerminal(slot.name) + ": another [[slot]] has this name");
            }
            if (other.path.value == slot.path.value) {
                reader.Fail(
                    *path, "path",
                    " " + QuotedForTerminal(slot.path.value) + ": another [[slot]] has this port");
            }
        }
        plan.fixtureSlots.push_back(std::move(slot));
    }
}

void ReadPlan(const PlanReader& reader, const toml::table& root, PlanFile& plan) {
    const std::vector<PlanEntry> entries = reader.Entries(
        root, {"plan", "port", "defaults", "step", "teardown", "slot"}, "at the top of the plan");
    const toml::node* planTable = FindEntry(entries, "plan");
    if (!planTable) {
        reader.Fail(kFileStart, std::string("a plan needs a name: ") + kPlanExample);
    }
    ReadPlanTable(reader, *planTable, plan);
    if (const toml::node* port = FindEntry(entries, "port")) {
        ReadPortTable(reader, *port, plan);
    }
    StepKeys defaults;
    if (const toml::node* node = FindEntry(entries, "defaults")) {
        defaults = ReadStepDefaults(reader, reader.Table(*node, "defaults", "[defaults]"));
    }
    const toml::node* steps = FindEntry(entries, "step");
    if (steps) {
        plan.steps = ReadPlanSteps(reader, *steps, "step", defaults);
    }
    if (plan.steps.empty()) {
        reader.Fail(steps ? steps->source() : kFileStart, "a plan needs at least one [[step]]");
    }
    if (const toml::node* teardown = FindEntry(entries, "teardown")) {
        plan.teardown = ReadPlanSteps(reader, *teardown, "teardown", defaults);
    }
    if (const toml::node* slotArray = FindEntry(entries, "slot")) {
        ReadSlots(reader, *slotArray, plan);
    }
}

}  // namespace

std::optional<PlanFile> LoadPlanText(const std::string& text, const std::string& shownPath,
                                     std::string& error) {
    const PlanReader reader(ForTerminal(shownPath));
    PlanFile plan;
    plan.path = shownPath;
    try {
        toml::table root;
        try {
            root = toml::parse(std::string_view(text), std::string_view(shownPath));
        } catch (const toml::parse_error& syntax) {
            throw PlanFault(reader.Place(syntax.source()) + ": " +
                            ForTerminal(std::string(syntax.description())));
        }
        ReadPlan(reader, root, plan);
    } catch (const PlanFault& fault) {
        // A name quoted by a reader of values may still hold a line break.
        error = ForTerminal(fault.what());
        return std::nullopt;
    }
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    plan.sha256 = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
    return plan;
}

std::optional<PlanFile> LoadPlanFile(const std::string& path, std::string& error) {
    QFile file(QFile::decodeName(path.c_str()));
    const std::string shown = ForTerminal(path);
    if (QFileInfo(file).isDir()) {
        error = shown + ": cannot read the plan: it is a folder";
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = shown + ": cannot read the plan: " + file.errorString().toStdString();
        return std::nullopt;
    }
    const QByteArray bytes = file.read(kLargestPlanBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        error = shown + ": cannot read the plan: " + file.errorString().toStdString();
        return std::nullopt;
    }
    if (bytes.size() > kLargestPlanBytes) {
        error = shown + ": a plan file holds at most 4 MiB";
        return std::nullopt;
    }
    return LoadPlanText(bytes.toStdString(), path, error);
}
