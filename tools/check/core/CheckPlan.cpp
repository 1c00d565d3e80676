#include "tools/check/core/CheckPlan.h"

#include <QFileInfo>
#include <QSysInfo>
#include <algorithm>

#include "datalib/DataLibraryFile.h"
#include "serial/DevicePath.h"
#include "serial/PortMapping.h"
#include "tools/check/core/PlanFile.h"

namespace {

ResolvedCheckPlan Wrong(const std::string& why) {
    return ResolvedCheckPlan{std::nullopt, why};
}

// The command line's slots, else its one port.
std::vector<SlotPort> SlotsOf(const CheckOptions& options) {
    std::vector<SlotPort> found;
    for (const auto& [name, port] : options.fixtureSlots) {
        found.push_back(SlotPort{name, port, std::max(0, ComPortNumber(port))});
    }
    if (found.empty()) {
        found.push_back(SlotPort{std::string(), options.port, options.comPort});
    }
    return found;
}

// A plan's port, settings, flow, slots and library, under what the command
// line gives; paths in the plan are read against its folder.
std::string TakePlanLine(const PlanFile& file, CheckPlan& plan) {
    CheckOptions& o = plan.options;
    const std::string folder =
        QFileInfo(QString::fromStdString(file.path)).absolutePath().toStdString();
    if (o.port.empty() && o.fixtureSlots.empty()) {
        if (file.fixtureSlots.empty() && !file.portPath) {
            return "--port is required: the plan " + file.path + " names no [port] path";
        }
        if (file.portPath) {
            o.port = file.portPath->value;
            o.comPort = std::max(0, ComPortNumber(o.port));
            if (o.comPort == 0) {
                o.port = ResolveDevicePath(o.port, folder);
            }
        }
        for (const SlotOption& slot : file.fixtureSlots) {
            const std::string& path = slot.path.value;
            o.fixtureSlots.emplace_back(
                slot.name, ComPortNumber(path) > 0 ? path : ResolveDevicePath(path, folder));
        }
    }
    if (!o.settingsGiven && file.settings) {
        o.settings = file.settings->value;
    }
    if (!o.flowGiven && file.flow) {
        o.flow = *file.flow;
    }
    if (o.libraryPath.empty()) {
        o.libraryPath = file.library;
    }
    return std::string();
}

// The plan's steps and teardown, each resolved; prompts only where an
// operator can answer them, and each value's name once across the plan.
std::string ResolvePlanSteps(const PlanFile& file, const StepContext& context, bool terminal,
                             CheckPlan& plan) {
    std::string why;
    for (const auto& [from, to] :
         {std::pair{&file.steps, &plan.steps}, std::pair{&file.teardown, &plan.teardown}}) {
        for (const StepOptions& options : *from) {
            std::optional<Step> step = ResolveStep(options, context, why);
            if (!step) {
                return why;
            }
            if (!step->prompt.empty() && (!terminal || plan.fixtureSlots.size() > 1)) {
                return file.path + ": step \"" + step->name + "\" shows a prompt, which needs " +
                       (terminal ? "one port: the slots would all wait on one operator"
                                 : "an operator at a terminal, and standard input is none");
            }
            to->push_back(std::move(*step));
        }
    }
    std::vector<std::string> seen;
    for (const auto* steps : {&plan.steps, &plan.teardown}) {
        for (const Step& step : *steps) {
            for (const std::string& name : ValueNames(step.answer)) {
                if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
                    return file.path + ": step \"" + step.name + "\" records " + name +
                           ", which another step records too; each value needs its own name";
                }
                seen.push_back(name);
            }
        }
    }
    return std::string();
}

}  // namespace

ResolvedCheckPlan ResolveCheckPlan(const CheckOptions& given, bool terminal) {
    CheckPlan plan;
    plan.options = given;
    std::optional<PlanFile> file;
    std::string loaded;
    if (!given.planPath.empty()) {
        file = LoadPlanFile(given.planPath, loaded);
        if (!file) {
            return Wrong(loaded);
        }
        if (const std::string why = TakePlanLine(*file, plan); !why.empty()) {
            return Wrong(why);
        }
        plan.fromPlan = true;
        plan.run.planName = file->name;
        plan.run.planVersion = file->version;
        plan.run.planSha256 = file->sha256;
        if (file->unitId) {
            plan.unitIdText = file->unitId->value;
            plan.unitId = QRegularExpression(
                QRegularExpression::anchoredPattern(QString::fromUtf8(plan.unitIdText.c_str())));
        }
    }
    const CheckOptions& options = plan.options;
    plan.run.station =
        options.station.empty() ? QSysInfo::machineHostName().toStdString() : options.station;
    std::string why;
    const std::optional<CommSettings> settings = ParseCommSettingsAnyBaud(options.settings, &why);
    if (!settings) {
        return Wrong("--settings " + options.settings + ": " + why);
    }
    plan.lineSettings = *settings;
    plan.libraryPath = options.libraryPath.empty() ? kDataLibraryFile : options.libraryPath;
    // Messages name the file as the operator knows it.
    const StepContext context{plan.libraryPath,
                              options.libraryPath.empty() ? "Quorvix.ini" : options.libraryPath,
                              *settings};
    plan.fixtureSlots = SlotsOf(options);
    if (file) {
        if (why = ResolvePlanSteps(*file, context, terminal, plan); !why.empty()) {
            return Wrong(why);
        }
        return ResolvedCheckPlan{std::move(plan), std::string()};
    }
    std::optional<Step> step = ResolveStep(options.step, context, why);
    if (!step) {
        return Wrong(why);
    }
    plan.steps.push_back(std::move(*step));
    return ResolvedCheckPlan{std::move(plan), std::string()};
}

std::vector<std::string> PlanValueNames(const CheckPlan& plan) {
    std::vector<std::string> names;
    for (const auto* steps : {&plan.steps, &plan.teardown}) {
        for (const Step& step : *steps) {
            for (const std::string& name : ValueNames(step.answer)) {
                if (std::find(names.begin(), names.end(), name) == names.end()) {
                    names.push_back(name);
                }
            }
        }
    }
    return names;
}
