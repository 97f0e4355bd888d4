// `check --marked OUT.ply`: the checked mesh with a bit field on every point
// and triangle that says which failing quantities list it, so that a viewer
// can select the marked elements (e.g. defects > 0), and a colour that any
// viewer shows. The bits are the quantities' mark column (Quantities.h).
#pragma once

#include "MeshData.h"
#include "Outcome.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace meshaudit::cli {

// The colour a quantity's elements have in the report page's view and in a
// marked mesh: one of its own for every quantity that marks elements, as
// red, green, blue and as "#rrggbb".
std::array<uint8_t, 3> QuantityRgb(const Quantity& quantity);
std::string QuantityColour(const Quantity& quantity);
// The colour of an element that no failing quantity marks.
inline constexpr std::array<uint8_t, 3> kCleanRgb = {190, 190, 190};

// The elements one failing quantity marks, in increasing order.
struct MarkedKind {
    const Quantity* quantity = nullptr;
    bool onPoints = true;
    std::vector<uint32_t> elements;
};

// The bit fields of one mesh (one per point, one per triangle), and the
// same marks by quantity.
struct DefectMarks {
    std::vector<uint32_t> points;
    std::vector<uint32_t> triangles;
    std::vector<MarkedKind> kinds{};
};

// The bit fields of the points and the triangles: for every quantity that
// failed (InRange 0), the elements of its list in `lists` (complete, not
// capped) get the quantity's bit.
void MarkDefects(const FileOutcome& outcome, const std::vector<ElementList>& lists, DefectMarks& marks);

// Writes binary little-endian PLY with uchar `red`, `green`, `blue` and a
// uint32 `defects` property on each vertex and face: the colour of the
// first failing quantity (in table order) that marks the element, or
// kCleanRgb. The header's comments say what each bit means. Returns "" or a
// message naming the file and the error.
std::string WriteMarkedPly(const std::string& path, const MeshData& mesh, const DefectMarks& marks);

}  // namespace meshaudit::cli
