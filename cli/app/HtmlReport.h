// `meshaudit report`'s page: the page template (built from viewer/) with the
// checked meshes, their defects and their reports filled in.
#pragma once

#include "Marked.h"
#include "MeshData.h"
#include "Outcome.h"

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
};

struct ReportPage {
    std::string profile;
    std::string settingsPath;  // "" for none
    std::vector<ReportView> views;
    // A 3MF build plate's own check, when the file has one (PlateCheck.h).
    std::optional<FileOutcome> plate{};
};

// The mark in the template where the data goes.
inline constexpr const char* kPageDataMark = "<!--DATA-->";

// The page: `pageTemplate` with the data at its mark. Names and notes from
// the file are data only, escaped so that nothing in them ends the script
// element that holds them. std::invalid_argument for a template without the
// mark.
std::string RenderHtmlReport(const std::string& pageTemplate, const ReportPage& page);

}  // namespace meshaudit::cli
