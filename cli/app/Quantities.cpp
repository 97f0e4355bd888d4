#include "Quantities.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace meshaudit::cli {

namespace {

// The columns SLOT and CRIT of the lists in meshaudit.h as the report's kinds.
constexpr ValueKind ValueCOUNT = ValueKind::Count;
constexpr ValueKind ValueREAL = ValueKind::Double;
constexpr ValueKind ValueVOLUME = ValueKind::Volume;
constexpr ValueKind ValueFLAG = ValueKind::Boolean;
constexpr CriterionKind CritRANGE = CriterionKind::CountRange;
constexpr CriterionKind CritREAL_RANGE = CriterionKind::DoubleRange;
constexpr CriterionKind CritEXPECTED = CriterionKind::Expected;

constexpr bool Same(const char* a, const char* b)
{
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// A quantity judged by a field of another name shares that field (Degree,
// Length) with its pair.
#define QUANTITY(P, k, name, label, SLOT, CRIT, field, min, max, judged, enable, gate, where)            \
    Quantity{kCategory,                                                                            \
             k,                                                                                    \
             #name,                                                                                \
             Value##SLOT,                                                                          \
             offsetof(Results, name),                                                              \
             (judged) != 0 ? Crit##CRIT : CriterionKind::None,                                     \
             (judged) != 0 ? offsetof(Settings, field) : 0,                                        \
             (judged) != 0 && !Same(#name, #field) ? #field : nullptr,                              \
             #where},

// A category's quantities in the order of their Enable bytes.
template <size_t n>
constexpr std::array<Quantity, n> ByIndex(std::array<Quantity, n> quantities)
{
    std::sort(quantities.begin(), quantities.end(),
              [](const Quantity& a, const Quantity& b) { return a.k < b.k; });
    return quantities;
}

#define QUANTITIES_OF(LIST, category, SettingsType, ResultsType)            \
    [] {                                                                    \
        using Settings = SettingsType;                                      \
        using Results = ResultsType;                                        \
        constexpr Category kCategory = category;                            \
        return ByIndex(std::to_array<Quantity>({LIST(QUANTITY)}));          \
    }()

constexpr auto kPoints =
    QUANTITIES_OF(MESHAUDIT_POINT_QUANTITIES, Category::Points, PointSettings, PointResults);
constexpr auto kEdges =
    QUANTITIES_OF(MESHAUDIT_EDGE_QUANTITIES, Category::Edges, EdgeSettings, EdgeResults);
constexpr auto kTriangles = QUANTITIES_OF(MESHAUDIT_TRIANGLE_QUANTITIES, Category::Triangles,
                                          TriangleSettings, TriangleResults);
constexpr auto kMesh =
    QUANTITIES_OF(MESHAUDIT_MESH_QUANTITIES, Category::Mesh, MeshSettings, MeshResults);
#undef QUANTITIES_OF
#undef QUANTITY

// The shared criteria of a category, each once, in the order of first use.
template <size_t n>
constexpr std::array<SharedCriterion, 2> SharedOf(const std::array<Quantity, n>& quantities)
{
    std::array<SharedCriterion, 2> shared{};
    size_t count = 0;
    for (const Quantity& q : quantities) {
        if (q.sharedCriterion == nullptr) {
            continue;
        }
        bool known = false;
        for (size_t i = 0; i < count; ++i) {
            known = known || Same(shared[i].name, q.sharedCriterion);
        }
        if (!known) {
            shared[count++] = SharedCriterion{q.sharedCriterion, q.criterion, q.criterionOffset};
        }
    }
    return shared;
}

template <size_t n>
constexpr size_t SharedCount(const std::array<Quantity, n>& quantities)
{
    size_t count = 0;
    for (const SharedCriterion& s : SharedOf(quantities)) {
        count += s.name != nullptr ? 1 : 0;
    }
    return count;
}

constexpr auto kPointShared = SharedOf(kPoints);
constexpr auto kEdgeShared = SharedOf(kEdges);
constexpr auto kTriangleShared = SharedOf(kTriangles);

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
        return std::span(kPointShared).first(SharedCount(kPoints));
    case Category::Edges:
        return std::span(kEdgeShared).first(SharedCount(kEdges));
    case Category::Triangles:
        return std::span(kTriangleShared).first(SharedCount(kTriangles));
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
    meshaudit_not_computed_point_results(&blocks.points);
    meshaudit_not_computed_edge_results(&blocks.edges);
    meshaudit_not_computed_triangle_results(&blocks.triangles);
    meshaudit_not_computed_mesh_results(&blocks.mesh);
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

bool ListsTriangles(const Quantity& quantity)
{
    const std::string_view where = quantity.where;
    return where == "TRIANGLES" || where == "TRIANGLE_CLASSES" || where == "TRIANGLE_PAIRS" ||
           where == "COMPONENTS";
}

bool NeverComputed(const Quantity& quantity)
{
    const std::string_view name = quantity.name;
    switch (quantity.category) {
    case Category::Points:
        return name == "CountArticulation";
    case Category::Edges:
        return name == "CountConvex";
    case Category::Mesh:
        return name == "Manifold" || name == "Convex" || name == "AspectRatio" || name == "Diameter";
    case Category::Triangles:
        break;
    }
    return false;
}

bool SignedCount(const Quantity& quantity)
{
    return quantity.category == Category::Mesh && std::string_view(quantity.name) == "CountHandles";
}

uint8_t InRangeByte(const ResultBlocks& results, const Quantity& quantity)
{
    return ResultBytes(results, quantity.category)[InRangeOffset(quantity.category) +
                                                   static_cast<size_t>(quantity.k)];
}

}  // namespace meshaudit::cli
