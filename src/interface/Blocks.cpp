#include "interface/Blocks.h"

#include <cstring>

namespace meshaudit {

namespace {

constexpr ValueRange Range(uint32_t min, uint32_t max)
{
    return ValueRange{min, max};
}

template <typename Block>
Block Zeroed()
{
    Block block;
    std::memset(&block, 0, sizeof block);  // padding is part of the bytes a host compares
    return block;
}

}  // namespace

PointSettings DefaultPointSettings()
{
    auto s = Zeroed<PointSettings>();
    s.Count = Range(3, 500000);
    s.CountBorder = Range(0, 100000);
    s.Epsilon = 0.002;
    s.Degree = Range(2, 64);
    std::memset(s.Enable, 1, sizeof s.Enable);
    return s;
}

EdgeSettings DefaultEdgeSettings()
{
    auto s = Zeroed<EdgeSettings>();
    s.Count = Range(0, 300000);
    s.CountBorder = Range(0, 200000);
    s.CountConvex = Range(0, 300000);
    s.Degree = Range(1, 2);
    s.Length = DoubleRange{0.0, 10.0};
    std::memset(s.Enable, 1, sizeof s.Enable);
    return s;
}

TriangleSettings DefaultTriangleSettings()
{
    auto s = Zeroed<TriangleSettings>();
    s.Count = Range(0, 900500);
    s.CountBorder = Range(0, 120000);
    s.Degree = Range(0, 3);
    const double unusedMax[5] = {15.4, 180.0, 1.0, 9.2, 3.21};
    for (int i = 0; i < 5; ++i) {
        s.Unused[i] = DoubleRange{0.0, unusedMax[i]};
    }
    std::memset(s.Enable, 1, sizeof s.Enable);
    std::memset(s.EnableUnused, 1, sizeof s.EnableUnused);
    return s;
}

MeshSettings DefaultMeshSettings()
{
    auto s = Zeroed<MeshSettings>();
    s.Manifold = 1;
    s.Oriented = 1;
    s.Orientable = 1;
    s.Connected = 1;
    s.CountComponents = Range(0, 10);
    s.HasHandles = 1;
    s.CountHandles = Range(0, 10);
    s.Closed = 1;
    s.HasBorders = 0;
    s.CountBorders = Range(0, 15);
    s.Inclusion = 1;
    s.Volume = DoubleRange{-500000.0, 500000.0};
    s.Area = DoubleRange{0.0, 500000.0};
    s.Unused19 = DoubleRange{0.0, 500000.0};
    s.AspectRatio = DoubleRange{0.0, 1.0};
    s.Diameter = DoubleRange{0.0, 500000.0};
    std::memset(s.Enable, 1, sizeof s.Enable);
    s.Enable[MSH_Manifold] = 0;
    s.Enable[MSH_Convex] = 0;
    s.Enable[MSH_Unused19] = 0;
    s.Enable[MSH_AspectRatio] = 0;
    s.Enable[MSH_Diameter] = 0;
    return s;
}

PointResults NotComputedPointResults()
{
    auto r = Zeroed<PointResults>();
    uint32_t* counts[] = {&r.Count, &r.CountNAN, &r.CountINF, &r.CountIsolated, &r.CountBorder,
                          &r.CountArticulation, &r.CountDuplicatedGeometrical,
                          &r.CountClassesOfDuplicatedGeometrical,
                          &r.CountClassesOfEpsilonDuplicatedGeometrical, &r.MinimalDegree,
                          &r.MaximalDegree};
    for (uint32_t* count : counts) {
        *count = NOT_COMPUTED;
    }
    std::memset(r.InRange, kNotJudged, sizeof r.InRange);
    return r;
}

EdgeResults NotComputedEdgeResults()
{
    auto r = Zeroed<EdgeResults>();
    uint32_t* counts[] = {&r.Count, &r.CountBorder, &r.CountConvex, &r.CountSingular,
                          &r.CountInvalidTopological, &r.CountInvalidGeometrical,
                          &r.CountDuplicatedTopological, &r.CountDuplicatedGeometrical,
                          &r.CountClassesOfDuplicatedTopological,
                          &r.CountClassesOfDuplicatedGeometrical, &r.MinimalDegree, &r.MaximalDegree,
                          &r.CountSmallerLength, &r.CountGreaterLength};
    for (uint32_t* count : counts) {
        *count = NOT_COMPUTED;
    }
    r.MinimalLength = kDoubleNotComputed;
    r.MaximalLength = kDoubleNotComputed;
    std::memset(r.InRange, kNotJudged, sizeof r.InRange);
    return r;
}

TriangleResults NotComputedTriangleResults()
{
    auto r = Zeroed<TriangleResults>();
    uint32_t* counts[] = {&r.Count, &r.CountBorder, &r.CountIsolated, &r.CountSingular,
                          &r.MinimalDegree, &r.MaximalDegree, &r.CountInvalidTopological,
                          &r.CountInvalidGeometrical, &r.CountDuplicatedTopological,
                          &r.CountDuplicatedGeometrical, &r.CountClassesOfDuplicatedTopological,
                          &r.CountClassesOfDuplicatedGeometrical, &r.CountIntersected,
                          &r.CountFlippedTopological, &r.Unused[0], &r.Unused[1]};
    for (uint32_t* count : counts) {
        *count = NOT_COMPUTED;
    }
    for (TriangleUnusedSlot& slot : r.UnusedSlots) {
        slot.value = kDoubleNotComputed;
        std::memset(slot.bytes, 0xFF, sizeof slot.bytes);
    }
    r.UnusedDouble = kDoubleNotComputed;
    std::memset(r.InRange, kNotJudged, sizeof r.InRange);
    std::memset(r.InRangeUnused, kNotJudged, sizeof r.InRangeUnused);
    return r;
}

MeshResults NotComputedMeshResults()
{
    auto r = Zeroed<MeshResults>();
    int8_t* flags[] = {&r.Manifold, &r.Oriented, &r.Orientable, &r.Connected, &r.HasHandles,
                       &r.Closed, &r.HasBorders, &r.Invalid, &r.Singular, &r.PreciseDuplicates,
                       &r.EpsilonDuplicates, &r.Inclusion, &r.Selfintersection, &r.Convex};
    for (int8_t* flag : flags) {
        *flag = kFlagNotComputed;
    }
    r.CountComponents = NOT_COMPUTED;
    r.CountHandles = NOT_COMPUTED;
    r.CountBorders = NOT_COMPUTED;
    r.Volume = kVolumeNotComputed;
    r.Area = kDoubleNotComputed;
    r.Unused19 = kDoubleNotComputed;
    r.AspectRatio = kDoubleNotComputed;
    r.Diameter = kDoubleNotComputed;
    std::memset(r.InRange, kNotJudged, sizeof r.InRange);
    return r;
}

namespace {

// Filled by a static initialiser when the library is loaded.
ProcessBlocks processBlocks{DefaultPointSettings(),      DefaultEdgeSettings(),
                            DefaultTriangleSettings(),   DefaultMeshSettings(),
                            NotComputedPointResults(),   NotComputedEdgeResults(),
                            NotComputedTriangleResults(), NotComputedMeshResults()};

}  // namespace

ProcessBlocks& Blocks()
{
    return processBlocks;
}

}  // namespace meshaudit
