// A repair's log (meshaudit_repair.hpp) as the words and the JSON document
// that `meshaudit repair` prints and writes (--log), and the Python package
// returns: each step's counts, and every change with its elements in the
// input's numbering.
#pragma once

#include "meshaudit_repair.hpp"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace meshaudit::cli {

// The command-line flag of each step ("--orient"), and what it does.
struct RepairStepText {
    RepairStep step;
    const char* flag;
    const char* does;
};
const std::vector<RepairStepText>& RepairStepTexts();

// One line per step that ran: "orient shells: 12 triangles turned", then
// lines for what was left (holes, intersections) and, when no step changed
// anything, a last line saying whether anything was left.
std::vector<std::string> RepairSummaryLines(const RepairLog& log);

// {"steps": [{"step": "Orient", "ran": true, "triangles": [12, 12], ...}],
//  "dropped_triangles": [[7, "duplicate"], ...], "merged_points": ...}
nlohmann::ordered_json RepairLogJson(const RepairLog& log);

}  // namespace meshaudit::cli
