#include "tools/check/core/CheckPlan.h"

#include "datalib/DataLibraryFile.h"

ResolvedCheckPlan ResolveCheckPlan(const CheckOptions& options) {
    CheckPlan plan;
    plan.options = options;
    std::string why;
    const std::optional<CommSettings> settings = ParseCommSettingsAnyBaud(options.settings, &why);
    if (!settings) {
        return ResolvedCheckPlan{std::nullopt, "--settings " + options.settings + ": " + why};
    }
    plan.lineSettings = *settings;
    plan.libraryPath = options.libraryPath.empty() ? kDataLibraryFile : options.libraryPath;
    // Messages name the file as the operator knows it.
    const StepContext context{plan.libraryPath,
                              options.libraryPath.empty() ? "Quorvix.ini" : options.libraryPath,
                              *settings};
    std::optional<Step> step = ResolveStep(options.step, context, why);
    if (!step) {
        return ResolvedCheckPlan{std::nullopt, why};
    }
    plan.steps.push_back(std::move(*step));
    return ResolvedCheckPlan{std::move(plan), std::string()};
}
