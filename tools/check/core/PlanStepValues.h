#pragma once

#include <vector>

#include "tools/check/core/PlanToml.h"
#include "tools/check/core/StepOptions.h"

// The values a plan step reads from its answer: `field.NAME` tables (with
// limits when they measure too), `measure.NAME` ranges and `capture` lists,
// each checked by the readers the command line uses.

// field.vbat = { at = 3, type = "u16be", scale = 0.001, unit = "V", min = 3.0, max = 4.2 }:
// a field, and a measure of it when it has min or max.
void ReadPlanFields(const PlanReader& reader, const toml::node& fields,
                    std::vector<FieldOption>& out, std::vector<MeasureOption>& measures);

// measure.vbat = "3.0..4.2 V" or measure.vbat = { min = 3.0, max = 4.2, unit = "V" }.
void ReadPlanMeasures(const PlanReader& reader, const toml::node& measures,
                      std::vector<MeasureOption>& out);

// capture = ["sn", "fw"]
void ReadPlanCaptures(const PlanReader& reader, const toml::node& captures,
                      std::vector<Given<std::string>>& out);
