#include "Quantities.h"

#include <cfloat>
#include <cstring>

namespace meshaudit::cli {

namespace {

using V = ValueKind;
using C = CriterionKind;

#define POINT(k, field, criterion, shared) \
    {Category::Points, k, #field, V::Count, offsetof(PointResults, field), C::CountRange, criterion, shared}

constexpr Quantity kPoints[] = {
    POINT(PNT_Count, Count, offsetof(PointSettings, Count), nullptr),
    POINT(PNT_CountNAN, CountNAN, offsetof(PointSettings, CountNAN), nullptr),
    POINT(PNT_CountINF, CountINF, offsetof(PointSettings, CountINF), nullptr),
    POINT(PNT_CountIsolated, CountIsolated, offsetof(PointSettings, CountIsolated), nullptr),
    POINT(PNT_CountBorder, CountBorder, offsetof(PointSettings, CountBorder), nullptr),
    POINT(PNT_CountArticulation, CountArticulation, offsetof(PointSettings, CountArticulation), nullptr),
    POINT(PNT_CountDuplicatedGeometrical, CountDuplicatedGeometrical,
          offsetof(PointSettings, CountDuplicatedGeometrical), nullptr),
    POINT(PNT_CountClassesOfDuplicatedGeometrical, CountClassesOfDuplicatedGeometrical,
          offsetof(PointSettings, CountClassesOfDuplicatedGeometrical), nullptr),
    POINT(PNT_CountClassesOfEpsilonDuplicatedGeometrical, CountClassesOfEpsilonDuplicatedGeometrical,
          offsetof(PointSettings, CountClassesOfEpsilonDuplicatedGeometrical), nullptr),
    POINT(PNT_MinimalDegree, MinimalDegree, offsetof(PointSettings, Degree), "Degree"),
    POINT(PNT_MaximalDegree, MaximalDegree, offsetof(PointSettings, Degree), "Degree"),
};
#undef POINT

#define EDGE(k, field, kind, criterionKind, criterion, shared) \
    {Category::Edges, k, #field, kind, offsetof(EdgeResults, field), criterionKind, criterion, shared}
#define EDGE_COUNT(k, field) \
    EDGE(k, field, V::Count, C::CountRange, offsetof(EdgeSettings, field), nullptr)

constexpr Quantity kEdges[] = {
    EDGE_COUNT(EDG_Count, Count),
    EDGE_COUNT(EDG_CountBorder, CountBorder),
    EDGE_COUNT(EDG_CountConvex, CountConvex),
    EDGE_COUNT(EDG_CountSingular, CountSingular),
    EDGE_COUNT(EDG_CountInvalidTopological, CountInvalidTopological),
    EDGE_COUNT(EDG_CountInvalidGeometrical, CountInvalidGeometrical),
    EDGE_COUNT(EDG_CountDuplicatedTopological, CountDuplicatedTopological),
    EDGE_COUNT(EDG_CountDuplicatedGeometrical, CountDuplicatedGeometrical),
    EDGE_COUNT(EDG_CountClassesOfDuplicatedTopological, CountClassesOfDuplicatedTopological),
    EDGE_COUNT(EDG_CountClassesOfDuplicatedGeometrical, CountClassesOfDuplicatedGeometrical),
    EDGE(EDG_MinimalDegree, MinimalDegree, V::Count, C::CountRange, offsetof(EdgeSettings, Degree), "Degree"),
    EDGE(EDG_MaximalDegree, MaximalDegree, V::Count, C::CountRange, offsetof(EdgeSettings, Degree), "Degree"),
    EDGE_COUNT(EDG_CountSmallerLength, CountSmallerLength),
    EDGE(EDG_MinimalLength, MinimalLength, V::Double, C::DoubleRange, offsetof(EdgeSettings, Length), "Length"),
    EDGE_COUNT(EDG_CountGreaterLength, CountGreaterLength),
    EDGE(EDG_MaximalLength, MaximalLength, V::Double, C::DoubleRange, offsetof(EdgeSettings, Length), "Length"),
};
#undef EDGE_COUNT
#undef EDGE

#define TRIANGLE_Q(k, field, criterionKind, criterion, shared) \
    {Category::Triangles, k, #field, V::Count, offsetof(TriangleResults, field), criterionKind, criterion, shared}
#define TRIANGLE_COUNT(k, field) \
    TRIANGLE_Q(k, field, C::CountRange, offsetof(TriangleSettings, field), nullptr)

constexpr Quantity kTriangles[] = {
    TRIANGLE_COUNT(TRI_Count, Count),
    TRIANGLE_COUNT(TRI_CountBorder, CountBorder),
    TRIANGLE_COUNT(TRI_CountIsolated, CountIsolated),
    TRIANGLE_COUNT(TRI_CountSingular, CountSingular),
    TRIANGLE_Q(TRI_MinimalDegree, MinimalDegree, C::CountRange, offsetof(TriangleSettings, Degree), "Degree"),
    TRIANGLE_Q(TRI_MaximalDegree, MaximalDegree, C::CountRange, offsetof(TriangleSettings, Degree), "Degree"),
    TRIANGLE_COUNT(TRI_CountInvalidTopological, CountInvalidTopological),
    TRIANGLE_COUNT(TRI_CountInvalidGeometrical, CountInvalidGeometrical),
    // The library never judges these two; their ranges are never read.
    TRIANGLE_Q(TRI_CountDuplicatedTopological, CountDuplicatedTopological, C::None, 0, nullptr),
    TRIANGLE_Q(TRI_CountDuplicatedGeometrical, CountDuplicatedGeometrical, C::None, 0, nullptr),
    TRIANGLE_COUNT(TRI_CountClassesOfDuplicatedTopological, CountClassesOfDuplicatedTopological),
    TRIANGLE_COUNT(TRI_CountClassesOfDuplicatedGeometrical, CountClassesOfDuplicatedGeometrical),
    TRIANGLE_COUNT(TRI_CountFlippedTopological, CountFlippedTopological),
    TRIANGLE_COUNT(TRI_CountIntersected, CountIntersected),
};
#undef TRIANGLE_COUNT
#undef TRIANGLE_Q

#define MESH_BOOL(k, field) \
    {Category::Mesh, k, #field, V::Boolean, offsetof(MeshResults, field), C::Expected, offsetof(MeshSettings, field), nullptr}
#define MESH_COUNT(k, field) \
    {Category::Mesh, k, #field, V::Count, offsetof(MeshResults, field), C::CountRange, offsetof(MeshSettings, field), nullptr}
#define MESH_UNJUDGED(k, field) \
    {Category::Mesh, k, #field, V::Double, offsetof(MeshResults, field), C::None, 0, nullptr}

constexpr Quantity kMesh[] = {
    MESH_BOOL(MSH_Manifold, Manifold),
    MESH_BOOL(MSH_Oriented, Oriented),
    MESH_BOOL(MSH_Orientable, Orientable),
    MESH_BOOL(MSH_Connected, Connected),
    MESH_COUNT(MSH_CountComponents, CountComponents),
    MESH_BOOL(MSH_HasHandles, HasHandles),
    MESH_COUNT(MSH_CountHandles, CountHandles),
    MESH_BOOL(MSH_Closed, Closed),
    MESH_BOOL(MSH_HasBorders, HasBorders),
    MESH_COUNT(MSH_CountBorders, CountBorders),
    MESH_BOOL(MSH_Invalid, Invalid),
    MESH_BOOL(MSH_Singular, Singular),
    MESH_BOOL(MSH_PreciseDuplicates, PreciseDuplicates),
    MESH_BOOL(MSH_EpsilonDuplicates, EpsilonDuplicates),
    MESH_BOOL(MSH_Inclusion, Inclusion),
    MESH_BOOL(MSH_Selfintersection, Selfintersection),
    MESH_BOOL(MSH_Convex, Convex),
    {Category::Mesh, MSH_Volume, "Volume", V::Volume, offsetof(MeshResults, Volume), C::DoubleRange,
     offsetof(MeshSettings, Volume), nullptr},
    // The library computes these but never judges them.
    MESH_UNJUDGED(MSH_Area, Area),
    MESH_UNJUDGED(MSH_AspectRatio, AspectRatio),
    MESH_UNJUDGED(MSH_Diameter, Diameter),
};
#undef MESH_BOOL
#undef MESH_COUNT
#undef MESH_UNJUDGED

constexpr SharedCriterion kPointShared[] = {{"Degree", C::CountRange, offsetof(PointSettings, Degree)}};
constexpr SharedCriterion kEdgeShared[] = {{"Degree", C::CountRange, offsetof(EdgeSettings, Degree)},
                                           {"Length", C::DoubleRange, offsetof(EdgeSettings, Length)}};
constexpr SharedCriterion kTriangleShared[] = {{"Degree", C::CountRange, offsetof(TriangleSettings, Degree)}};

size_t EnableOffset(Category category)
{
    switch (category) {
    case Category::Points:
        return offsetof(PointSettings, Enable);
    case Category::Edges:
        return offsetof(EdgeSettings, Enable);
    case Category::Triangles:
        return offsetof(TriangleSettings, Enable);
    case Category::Mesh:
        return offsetof(MeshSettings, Enable);
    }
    return 0;
}

size_t InRangeOffset(Category category)
{
    switch (category) {
    case Category::Points:
        return offsetof(PointResults, InRange);
    case Category::Edges:
        return offsetof(EdgeResults, InRange);
    case Category::Triangles:
        return offsetof(TriangleResults, InRange);
    case Category::Mesh:
        return offsetof(MeshResults, InRange);
    }
    return 0;
}

}  // namespace

const char* CategoryKey(Category category)
{
    switch (category) {
    case Category::Points:
        return "points";
    case Category::Edges:
        return "edges";
    case Category::Triangles:
        return "triangles";
    case Category::Mesh:
        return "mesh";
    }
    return "?";
}

std::span<const Quantity> QuantitiesOf(Category category)
{
    switch (category) {
    case Category::Points:
        return kPoints;
    case Category::Edges:
        return kEdges;
    case Category::Triangles:
        return kTriangles;
    case Category::Mesh:
        return kMesh;
    }
    return {};
}

std::span<const SharedCriterion> SharedCriteriaOf(Category category)
{
    switch (category) {
    case Category::Points:
        return kPointShared;
    case Category::Edges:
        return kEdgeShared;
    case Category::Triangles:
        return kTriangleShared;
    case Category::Mesh:
        break;
    }
    return {};
}

SettingsBlocks DefaultSettings()
{
    SettingsBlocks blocks;
    meshaudit_default_point_settings(&blocks.points);
    meshaudit_default_edge_settings(&blocks.edges);
    meshaudit_default_triangle_settings(&blocks.triangles);
    meshaudit_default_mesh_settings(&blocks.mesh);
    return blocks;
}

ResultBlocks NotComputedResults()
{
    ResultBlocks blocks;
    std::memset(&blocks, 0xFF, sizeof blocks);
    for (Category category : kCategories) {
        uint8_t* bytes = ResultBytes(blocks, category);
        for (const Quantity& q : QuantitiesOf(category)) {
            if (q.value == ValueKind::Double) {
                const double mark = -1.0;
                std::memcpy(bytes + q.valueOffset, &mark, sizeof mark);
            } else if (q.value == ValueKind::Volume) {
                const double mark = -DBL_MAX;
                std::memcpy(bytes + q.valueOffset, &mark, sizeof mark);
            }
        }
    }
    return blocks;
}

const uint8_t* SettingsBytes(const SettingsBlocks& blocks, Category category)
{
    return SettingsBytes(const_cast<SettingsBlocks&>(blocks), category);
}

uint8_t* SettingsBytes(SettingsBlocks& blocks, Category category)
{
    switch (category) {
    case Category::Points:
        return reinterpret_cast<uint8_t*>(&blocks.points);
    case Category::Edges:
        return reinterpret_cast<uint8_t*>(&blocks.edges);
    case Category::Triangles:
        return reinterpret_cast<uint8_t*>(&blocks.triangles);
    case Category::Mesh:
        return reinterpret_cast<uint8_t*>(&blocks.mesh);
    }
    return nullptr;
}

const uint8_t* ResultBytes(const ResultBlocks& blocks, Category category)
{
    return ResultBytes(const_cast<ResultBlocks&>(blocks), category);
}

uint8_t* ResultBytes(ResultBlocks& blocks, Category category)
{
    switch (category) {
    case Category::Points:
        return reinterpret_cast<uint8_t*>(&blocks.points);
    case Category::Edges:
        return reinterpret_cast<uint8_t*>(&blocks.edges);
    case Category::Triangles:
        return reinterpret_cast<uint8_t*>(&blocks.triangles);
    case Category::Mesh:
        return reinterpret_cast<uint8_t*>(&blocks.mesh);
    }
    return nullptr;
}

uint8_t EnableByte(const SettingsBlocks& settings, const Quantity& quantity)
{
    return SettingsBytes(settings, quantity.category)[EnableOffset(quantity.category) +
                                                      static_cast<size_t>(quantity.k)];
}

void SetEnableByte(SettingsBlocks& settings, const Quantity& quantity, uint8_t value)
{
    SettingsBytes(settings, quantity.category)[EnableOffset(quantity.category) + static_cast<size_t>(quantity.k)] =
        value;
}

uint8_t InRangeByte(const ResultBlocks& results, const Quantity& quantity)
{
    return ResultBytes(results, quantity.category)[InRangeOffset(quantity.category) +
                                                   static_cast<size_t>(quantity.k)];
}

}  // namespace meshaudit::cli
