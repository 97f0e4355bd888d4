// The shape of a category's quantity table. Each category (points, edges,
// triangles, mesh) lists its quantities once, in the order its compute step
// visits them; the context does the rest (gating, announcing, caching,
// storing, judging, counting steps) in one place.
#pragma once

#include <cstddef>
#include <cstdint>

namespace meshaudit {

class AnalysisContext;

enum class Category : uint32_t { Points = 1, Edges = 2, Triangles = 3, Mesh = 4, All = 5 };

// The kind of a result slot, which fixes its type and its not-computed mark.
enum class Slot : uint8_t {
    Count,   // u32 holding an i32 count or code; NOT_COMPUTED
    Real,    // double; -1.0
    Volume,  // double; the lowest finite double
    Flag,    // i8 tri-state; -1
};

// How a quantity is judged into its InRange byte.
enum class Criterion : uint8_t {
    Range,      // ValueRange, unsigned compare
    RealRange,  // DoubleRange; NaN is out of range
    Expected,   // u8 expected value against the i8 result
    None,       // never judged: InRange stays 0xFF
};

using CountFn = int32_t (*)(AnalysisContext&);
using RealFn = double (*)(AnalysisContext&);
using FlagFn = int8_t (*)(AnalysisContext&);

// The compute function of a row; which member is set follows the row's Slot
// (Count: count; Real and Volume: real; Flag: flag).
union ComputeFn {
    CountFn count;
    RealFn real;
    FlagFn flag;
};

struct QuantityRow {
    const char* label;          // announced before computing, exactly as shown
    uint8_t k;                  // index into Enable and InRange
    uint32_t gate;              // Enable indices (bit k) of which any equal to 1 opens the step
    Slot slot;
    uint16_t resultOffset;      // byte offset of the value in the results block
    Criterion criterion;
    uint16_t criterionOffset;   // byte offset of the criterion in the settings block
    bool countsAsStep;          // counted by the step total of the progress bar
    ComputeFn compute;
};

struct CategoryTable {
    Category category;
    const QuantityRow* rows;    // in visiting order
    size_t rowCount;
    uint16_t enableOffset;      // byte offset of Enable[0] in the settings block
    uint16_t inRangeOffset;     // byte offset of InRange[0] in the results block
};

constexpr uint32_t Gate(uint32_t k)
{
    return 1u << k;
}

// The four tables, each defined beside its category's analyses.
const CategoryTable& PointTable();
const CategoryTable& EdgeTable();
const CategoryTable& TriangleTable();
const CategoryTable& MeshTable();

}  // namespace meshaudit
