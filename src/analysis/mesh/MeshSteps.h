// The mesh compute steps that combine values: each reads what it needs from
// result slots through the context, which computes an unset slot silently in
// its own category first, and returns the value of its own slot.
#pragma once

#include "analysis/AnalysisContext.h"

#include <cstddef>
#include <cstdint>

namespace meshaudit {

// -1 when any count is negative (a failure code), else 1 when any is above 0,
// else 0.
int8_t SummaryFlag(const int32_t* counts, size_t n);

// From the mesh slot CountComponents: -1 negative, 1 exactly one, else 0.
int8_t ConnectedStep(AnalysisContext& context);
// From CountHandles: -1 negative, 1 above 0, else 0.
int8_t HasHandlesStep(AnalysisContext& context);
// From CountBorders: -1 negative, 1 above 0, else 0.
int8_t HasBordersStep(AnalysisContext& context);
// From CountBorders: -1 negative, 1 when 0, else 0.
int8_t ClosedStep(AnalysisContext& context);
// SummaryFlag of the triangle and edge invalid counts (topological, then
// geometrical for each).
int8_t InvalidStep(AnalysisContext& context);
// SummaryFlag of the triangle and edge singular counts.
int8_t SingularStep(AnalysisContext& context);

// SummaryFlag of the exact duplicate counts of points, edges and triangles.
int8_t PreciseDuplicatesStep(AnalysisContext& context);
// SummaryFlag of the point count of epsilon duplicates.
int8_t EpsilonDuplicatesStep(AnalysisContext& context);

// 1 for one closed, oriented piece of positive volume; -1 when an input is a
// failure or the volume could not be computed; else 0. Its four inputs
// (components, borders, oriented, volume) are mesh slots, computed silently
// when unset, so the later Volume step finds its value set.
int8_t InclusionStep(AnalysisContext& context);
// The pure rule of InclusionStep.
int8_t InclusionFlag(int32_t components, int32_t borders, int8_t oriented, double volume);

// 1 at once when the triangle slot CountIntersected (not computed here)
// holds 1 or more; otherwise TestSelfIntersection.
int8_t SelfintersectionStep(AnalysisContext& context);

}  // namespace meshaudit
