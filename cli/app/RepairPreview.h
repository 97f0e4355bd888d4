// The repair preview of `meshaudit report --repair-preview`: the mesh as
// `meshaudit repair` (every step, the defaults) would leave it, drawn on the
// input's own points, with what the repair changed as coloured kinds.
#pragma once

#include "MeshData.h"
#include "Outcome.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace meshaudit::cli {

// One kind of change, shown in its colour with a legend entry: triangles of
// the repaired mesh (by index), triangles given by their own corners (those
// the repair dropped, which the repaired mesh no longer has), or points.
struct PreviewKind {
    std::string label;
    enum class On { Triangles, Corners, Points } on = On::Triangles;
    std::string colour;              // "#rrggbb"
    std::vector<uint32_t> elements;  // indices, or corner triples for Corners
    // The triangles or points shown: elements.size(), or a third of it.
    size_t Count() const { return on == On::Corners ? elements.size() / 3 : elements.size(); }
};

struct RepairPreview {
    // The repaired triangles as corner triples in the INPUT's point
    // numbering: every output point is an input point, a copy of one at
    // the same place or one of `addedPositions`, so the page draws them on
    // the input's points and embeds no second copy of the coordinates. The first `shared`
    // triangles are the input's first ones, unchanged, and are left out:
    // `triangles` holds those after them (most repairs keep the input's
    // triangles in order and add some at the end).
    uint32_t shared = 0;
    std::vector<uint32_t> triangles;
    // The points resolving intersections added (where triangles met), x, y,
    // z each, numbered after the input's points in `triangles`.
    std::vector<float> addedPositions;
    std::vector<PreviewKind> kinds;
    // What `meshaudit repair` prints for each step that ran.
    std::vector<std::string> summary;
    // The log's per-step counts as --log writes them ("steps"), and how many
    // holes were filled and left open.
    nlohmann::ordered_json log;
    // The check of the repaired mesh, as `check` would judge the output.
    std::optional<FileOutcome> outcome;
    // Why there is no preview ("" when there is one).
    std::string error;
};

// Runs the whole pipeline on `mesh` (only read) and returns the preview;
// the repaired mesh itself goes to `repaired` (its points and triangles;
// format and notes copied from `mesh`) for the caller to check. A repair
// that fails, or leaves no triangle, gives a preview with only `error` set
// and `repaired` without triangles. Never throws but std::bad_alloc.
RepairPreview PreviewRepair(const MeshData& mesh, MeshData& repaired);

}  // namespace meshaudit::cli
