// Plan loading: any text, never a crash or a hang. A plan that loads has a
// name and a step, and every value it keeps names its place in the file; a
// plan that does not gives one line that starts with the file's name. Each
// loaded step then goes through ResolveStep, whose messages must point into
// the plan the same way.
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "tools/check/core/PlanFile.h"
#include "tools/check/core/StepRules.h"

namespace {

const std::string kShown = "fuzz.toml";

// One line that starts with the plan's name and a place in it.
void RequirePlaced(const std::string& text) {
    Require(text.rfind(kShown + ":", 0) == 0 && text.find_first_of("\r\n") == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<PlanFile> plan = LoadPlanText(text, kShown, error);
    if (!plan) {
        RequirePlaced(error);
        return 0;
    }
    Require(!plan->name.empty() && !plan->steps.empty());
    const StepContext context{"fuzz-nowhere.ini", "fuzz-nowhere.ini", CommSettings{}};
    for (const auto* list : {&plan->steps, &plan->teardown}) {
        for (const StepOptions& step : *list) {
            Require(!step.name.empty());
            for (const FieldOption& field : step.fields) {
                RequirePlaced(field.origin);
            }
            for (const MeasureOption& measure : step.measures) {
                RequirePlaced(measure.origin);
            }
            if (!ResolveStep(step, context, error)) {
                RequirePlaced(error);
            }
        }
    }
    for (const SlotOption& slot : plan->fixtureSlots) {
        Require(!slot.name.empty());
        RequirePlaced(slot.path.origin);
    }
    return 0;
}
