// `meshaudit report`'s page: the page template (built from viewer/) with the
// checked meshes, their defects and their reports filled in.
#pragma once

#include "Marked.h"
#include "MeshData.h"
#include "Outcome.h"
#include "RepairPreview.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace meshaudit::cli {

// One checked mesh: its outcome (with its element lists), the mesh itself
// and the elements each failing quantity marks.
struct ReportView {
    FileOutcome outcome;
    const MeshData* mesh = nullptr;
    DefectMarks marks;
    // What the repair would make of the mesh, when the page previews it.
    std::optional<RepairPreview> repair{};
};

struct ReportPage {
    std::string profile;
    std::string settingsPath;  // "" for none
    std::vector<ReportView> views;
    // A 3MF build plate's own check, when the file has one (PlateCheck.h).
    std::optional<FileOutcome> plate{};
};

// One array of numbers of the page's data, named by `id` in its document:
// the 32-bit float coordinates of the points, or unsigned 32-bit integers
// (corners, marked elements). Exactly one of the pointers is set; the
// numbers live only during the call that hands the array over.
struct PageArray {
    std::string id;
    const float* floats = nullptr;
    const uint32_t* integers = nullptr;
    size_t count = 0;
};

// The data the page builds its views from, for the report page and for the
// page that checks files in the browser alike: the profile, the settings
// file, the categories, and per view the report (check --json's document
// with the text report's texts), the legend's kinds, the repair preview
// when there is one ("repair": its triangles after the `shared` first
// ones of the input, its kinds, summary lines, the
// log's counts and the check of the repaired mesh), and the ids of its
// arrays, each handed to `array` once.
nlohmann::ordered_json ReportDocument(const ReportPage& page, const std::function<void(const PageArray&)>& array);

// The mark in the template where the data goes.
inline constexpr const char* kPageDataMark = "<!--DATA-->";

// The page: `pageTemplate` with the data at its mark. Names and notes from
// the file are data only, escaped so that nothing in them ends the script
// element that holds them. std::invalid_argument for a template without the
// mark.
std::string RenderHtmlReport(const std::string& pageTemplate, const ReportPage& page);

}  // namespace meshaudit::cli
