#include "RepairPreview.h"

#include "MeshCheck.h"
#include "RepairLog.h"

#include "meshaudit_repair.hpp"

#include <algorithm>

namespace meshaudit::cli {

namespace {

// Colours apart from each other and from the grey of the mesh, in the order
// of the legend.
constexpr const char* kFilledColour = "#2bd968";
constexpr const char* kFlippedColour = "#3d8bff";
constexpr const char* kDroppedColour = "#ff4d4d";
constexpr const char* kShellColour = "#ff9f1a";
constexpr const char* kSplitColour = "#e040fb";
constexpr const char* kCurveColour = "#ffd400";

void AppendCorners(std::vector<uint32_t>& out, const TRIANGLE& t)
{
    out.insert(out.end(), {t.a, t.b, t.c});
}

}  // namespace

RepairPreview PreviewRepair(const MeshData& mesh, MeshData& repaired)
{
    RepairPreview preview;
    repaired = MeshData{};
    repaired.formatName = mesh.formatName;
    repaired.notes = mesh.notes;
    meshaudit::RepairResult result;
    const int32_t code = meshaudit::repair(RecordOf(mesh), meshaudit::RepairRequest{}, result);
    if (code != 1) {
        preview.error = "the repair failed (code " + std::to_string(code) + ")";
        return preview;
    }
    if (result.triangles.empty()) {
        preview.error = "the repair leaves no triangle";
        return preview;
    }
    const RepairLog& log = result.log;
    // Points where triangles met go after the input's, in output order.
    PreviewKind curves{"intersection curves", PreviewKind::On::Points, kCurveColour, {}};
    std::vector<uint32_t> number(result.points.size());
    for (size_t p = 0; p < result.points.size(); ++p) {
        number[p] = result.pointFrom[p];
        if (number[p] == meshaudit::kAddedPoint) {
            number[p] = static_cast<uint32_t>(mesh.points.size() + preview.addedPositions.size() / 3);
            const T3DVECF& at = result.points[p];
            preview.addedPositions.insert(preview.addedPositions.end(), {static_cast<float>(at.x),
                                                                         static_cast<float>(at.y),
                                                                         static_cast<float>(at.z)});
            curves.elements.push_back(number[p]);
        }
    }
    preview.triangles.reserve(result.triangles.size() * 3);
    for (const TRIANGLE& t : result.triangles) {
        const TRIANGLE input{number[t.a], number[t.b], number[t.c]};
        const bool same = preview.triangles.empty() && preview.shared < mesh.triangles.size() &&
                          mesh.triangles[preview.shared].a == input.a && mesh.triangles[preview.shared].b == input.b &&
                          mesh.triangles[preview.shared].c == input.c;
        if (same) {
            ++preview.shared;
        } else {
            AppendCorners(preview.triangles, input);
        }
    }

    PreviewKind filled{"filled holes", PreviewKind::On::Triangles, kFilledColour, {}};
    PreviewKind flipped{"flipped shells", PreviewKind::On::Triangles, kFlippedColour, {}};
    std::vector<bool> turned(mesh.triangles.size(), false);
    for (const RepairLog::FlippedShell& shell : log.flippedShells) {
        for (uint32_t t : shell.triangles) {
            if (t < turned.size()) {
                turned[t] = true;
            }
        }
    }
    for (uint32_t t = 0; t < result.triangleFrom.size(); ++t) {
        const uint32_t from = result.triangleFrom[t];
        if (from == meshaudit::kAddedTriangle) {
            filled.elements.push_back(t);
        } else if (from < turned.size() && turned[from]) {
            flipped.elements.push_back(t);
        }
    }
    PreviewKind dropped{"dropped triangles", PreviewKind::On::Corners, kDroppedColour, {}};
    PreviewKind shells{"dropped shells", PreviewKind::On::Corners, kShellColour, {}};
    for (const RepairLog::DroppedTriangle& d : log.droppedTriangles) {
        const bool shell = d.reason == DropReason::SmallShell || d.reason == DropReason::InnerShell;
        if (d.triangle < mesh.triangles.size()) {
            AppendCorners((shell ? shells : dropped).elements, mesh.triangles[d.triangle]);
        }
    }
    PreviewKind split{"split points", PreviewKind::On::Points, kSplitColour, {}};
    for (const RepairLog::SplitPoint& p : log.splitPoints) {
        split.elements.push_back(p.point);
    }
    for (PreviewKind* kind : {&filled, &flipped, &dropped, &shells, &split, &curves}) {
        if (!kind->elements.empty()) {
            preview.kinds.push_back(std::move(*kind));
        }
    }

    preview.summary = RepairSummaryLines(log);
    const size_t open = static_cast<size_t>(std::count_if(log.holes.begin(), log.holes.end(), [](const auto& h) {
        return h.outcome != HoleOutcome::Filled;
    }));
    preview.log = {{"steps", RepairLogJson(log)["steps"]},
                   {"holes_filled", log.holes.size() - open},
                   {"holes_open", open},
                   {"flipped_shells", log.flippedShells.size()},
                   {"dropped_shells", log.droppedShells.size()}};
    repaired.points = std::move(result.points);
    repaired.triangles = std::move(result.triangles);
    return preview;
}

}  // namespace meshaudit::cli
