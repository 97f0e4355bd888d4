// `check --marked OUT.ply`: the checked mesh with a bit field on every point
// and triangle that says which failing quantities list it, so that a viewer
// can select the marked elements (e.g. defects > 0).
#pragma once

#include "MeshData.h"
#include "Outcome.h"

#include <string>
#include <vector>

namespace meshaudit::cli {

// The bit a failing quantity sets on the points (`onPoints`) or triangles
// its list names; -1 for a quantity whose list marks nothing (components).
struct DefectBit {
    int bit = -1;
    bool onPoints = true;
};
DefectBit DefectBitOf(const Quantity& quantity);
// What a bit says in a word or two ("intersecting", "singular edge"); ""
// for a bit no quantity sets.
const char* DefectBitLabel(DefectBit mark);

// The bit fields of one mesh: one per point, one per triangle.
struct DefectMarks {
    std::vector<uint32_t> points;
    std::vector<uint32_t> triangles;
};

// The bit fields of the points and the triangles: for every quantity that
// failed (InRange 0), the elements of its list in `lists` (complete, not
// capped) get the quantity's bit.
void MarkDefects(const FileOutcome& outcome, const std::vector<ElementList>& lists, std::vector<uint32_t>& points,
                 std::vector<uint32_t>& triangles);

// Writes binary little-endian PLY with a uint32 `defects` property on each
// vertex and face. Returns "" or a message naming the file and the error.
std::string WriteMarkedPly(const std::string& path, const MeshData& mesh, const std::vector<uint32_t>& points,
                           const std::vector<uint32_t>& triangles);

}  // namespace meshaudit::cli
