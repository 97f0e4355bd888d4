// The edge category: its quantities in visiting order (the two length counts
// come before the two lengths).
#include "analysis/AnalysisContext.h"
#include "analysis/NotComputed.h"

#include <cstddef>

namespace meshaudit {

namespace {

constexpr QuantityRow CountRow(const char* label, uint8_t k, uint16_t result, uint16_t criterion,
                               CountFn compute)
{
    return QuantityRow{label, k, Gate(k), Slot::Count, result, Criterion::Range, criterion, true,
                       ComputeFn{.count = compute}};
}

constexpr QuantityRow LengthRow(const char* label, uint8_t k, uint16_t result, RealFn compute)
{
    return QuantityRow{label, k, Gate(k), Slot::Real, result, Criterion::RealRange,
                       offsetof(EdgeSettings, Length), true, ComputeFn{.real = compute}};
}

const QuantityRow kRows[] = {
    CountRow("edge::Count", EDG_Count, offsetof(EdgeResults, Count), offsetof(EdgeSettings, Count),
             &NotComputedCount),
    CountRow("edge::CountBorder", EDG_CountBorder, offsetof(EdgeResults, CountBorder),
             offsetof(EdgeSettings, CountBorder), &NotComputedCount),
    // Not computed in this version: announced, then left not computed.
    CountRow("edge::CountConvex", EDG_CountConvex, offsetof(EdgeResults, CountConvex),
             offsetof(EdgeSettings, CountConvex), &NotComputedCount),
    CountRow("edge::CountSingular", EDG_CountSingular, offsetof(EdgeResults, CountSingular),
             offsetof(EdgeSettings, CountSingular), &NotComputedCount),
    CountRow("edge::CountInvalidTopological", EDG_CountInvalidTopological,
             offsetof(EdgeResults, CountInvalidTopological),
             offsetof(EdgeSettings, CountInvalidTopological), &NotComputedCount),
    CountRow("edge::CountInvalidGeometrical", EDG_CountInvalidGeometrical,
             offsetof(EdgeResults, CountInvalidGeometrical),
             offsetof(EdgeSettings, CountInvalidGeometrical), &NotComputedCount),
    CountRow("edge::CountDuplicatedTopological", EDG_CountDuplicatedTopological,
             offsetof(EdgeResults, CountDuplicatedTopological),
             offsetof(EdgeSettings, CountDuplicatedTopological), &NotComputedCount),
    CountRow("edge::CountDuplicatedGeometrical", EDG_CountDuplicatedGeometrical,
             offsetof(EdgeResults, CountDuplicatedGeometrical),
             offsetof(EdgeSettings, CountDuplicatedGeometrical), &NotComputedCount),
    CountRow("edge::CountClassesOfDuplicatedTopological", EDG_CountClassesOfDuplicatedTopological,
             offsetof(EdgeResults, CountClassesOfDuplicatedTopological),
             offsetof(EdgeSettings, CountClassesOfDuplicatedTopological), &NotComputedCount),
    CountRow("edge::CountClassesOfDuplicatedGeometrical", EDG_CountClassesOfDuplicatedGeometrical,
             offsetof(EdgeResults, CountClassesOfDuplicatedGeometrical),
             offsetof(EdgeSettings, CountClassesOfDuplicatedGeometrical), &NotComputedCount),
    CountRow("edge::MinimalDegree", EDG_MinimalDegree, offsetof(EdgeResults, MinimalDegree),
             offsetof(EdgeSettings, Degree), &NotComputedCount),
    CountRow("edge::MaximalDegree", EDG_MaximalDegree, offsetof(EdgeResults, MaximalDegree),
             offsetof(EdgeSettings, Degree), &NotComputedCount),
    CountRow("edge::CountSmallerLength", EDG_CountSmallerLength,
             offsetof(EdgeResults, CountSmallerLength), offsetof(EdgeSettings, CountSmallerLength),
             &NotComputedCount),
    CountRow("edge::CountGreaterLength", EDG_CountGreaterLength,
             offsetof(EdgeResults, CountGreaterLength), offsetof(EdgeSettings, CountGreaterLength),
             &NotComputedCount),
    LengthRow("edge::MinimalLength", EDG_MinimalLength, offsetof(EdgeResults, MinimalLength),
              &NotComputedReal),
    LengthRow("edge::MaximalLength", EDG_MaximalLength, offsetof(EdgeResults, MaximalLength),
              &NotComputedReal),
};

const CategoryTable kTable{Category::Edges, kRows, sizeof kRows / sizeof kRows[0],
                           offsetof(EdgeSettings, Enable), offsetof(EdgeResults, InRange)};

}  // namespace

const CategoryTable& EdgeTable()
{
    return kTable;
}

}  // namespace meshaudit
