#include "tools/check/core/CheckPlan.h"

#include <QSysInfo>
#include <algorithm>

#include "datalib/DataLibraryFile.h"
#include "serial/PortMapping.h"

namespace {

ResolvedCheckPlan Wrong(const std::string& why) {
    return ResolvedCheckPlan{std::nullopt, why};
}

}  // namespace

ResolvedCheckPlan ResolveCheckPlan(const CheckOptions& options, bool /*terminal*/) {
    CheckPlan plan;
    plan.options = options;
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
    std::optional<Step> step = ResolveStep(options.step, context, why);
    if (!step) {
        return Wrong(why);
    }
    plan.steps.push_back(std::move(*step));
    plan.fixtureSlots.push_back(SlotPort{std::string(), options.port, options.comPort});
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
