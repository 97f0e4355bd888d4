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

// The command's columns of the quantities that have any. `bit` is the bit
// their failing elements get in a marked mesh (on the points or on the
// triangles, as their list holds them; -1 for none), and `says` what it
// means, given by the first quantity that sets the bit (nullptr on the
// others). The words say a failure: counts name what they count, one and
// many; flags say what is wrong when they miss their expected value, the
// value `one` describes being `flagSaid`.
struct Columns {
    Category category;
    std::string_view name;
    int bit;
    const char* says;
    const char* one = nullptr;
    const char* many = nullptr;
    bool flagSaid = true;
};

constexpr Columns kColumns[] = {
    {Category::Points, "CountNAN", 0, "NaN coordinate", "point with a NaN coordinate", "points with a NaN coordinate"},
    {Category::Points, "CountINF", 1, "infinite coordinate", "point with an infinite coordinate",
     "points with an infinite coordinate"},
    {Category::Points, "CountIsolated", 2, "isolated", "unused point", "unused points"},
    {Category::Points, "CountBorder", 3, "on a border", "point on a border", "points on a border"},
    {Category::Points, "CountDuplicatedGeometrical", 4, "duplicated, exactly or within Epsilon", "duplicated point",
     "duplicated points"},
    {Category::Points, "CountClassesOfDuplicatedGeometrical", 4, nullptr, "set of duplicated points",
     "sets of duplicated points"},
    {Category::Points, "CountClassesOfEpsilonDuplicatedGeometrical", 4, nullptr, "set of near-duplicated points",
     "sets of near-duplicated points"},
    {Category::Points, "MinimalDegree", 5, "degree out of range"},
    {Category::Points, "MaximalDegree", 5, nullptr},
    {Category::Edges, "CountBorder", 3, nullptr, "border edge", "border edges"},
    {Category::Edges, "CountSingular", 6, "on a singular edge, or an edge whose degree is out of range",
     "edge on more than two triangles", "edges on more than two triangles"},
    {Category::Edges, "CountInvalidTopological", 7, "on an invalid edge", "edge with one point twice",
     "edges with one point twice"},
    {Category::Edges, "CountInvalidGeometrical", 7, nullptr, "edge of zero length", "edges of zero length"},
    {Category::Edges, "CountDuplicatedTopological", 8, "on a duplicated edge", "duplicated edge", "duplicated edges"},
    {Category::Edges, "CountDuplicatedGeometrical", 8, nullptr, "edge duplicated in place",
     "edges duplicated in place"},
    {Category::Edges, "CountClassesOfDuplicatedTopological", 8, nullptr, "set of duplicated edges",
     "sets of duplicated edges"},
    {Category::Edges, "CountClassesOfDuplicatedGeometrical", 8, nullptr, "set of edges duplicated in place",
     "sets of edges duplicated in place"},
    {Category::Edges, "MinimalDegree", 6, nullptr},
    {Category::Edges, "MaximalDegree", 6, nullptr},
    {Category::Edges, "CountSmallerLength", 9, "on an edge whose length is out of range",
     "edge shorter than the minimum", "edges shorter than the minimum"},
    {Category::Edges, "CountGreaterLength", 9, nullptr, "edge longer than the maximum",
     "edges longer than the maximum"},
    {Category::Edges, "MinimalLength", 9, nullptr},
    {Category::Edges, "MaximalLength", 9, nullptr},
    {Category::Triangles, "CountBorder", 0, "on a border", "triangle on a border", "triangles on a border"},
    {Category::Triangles, "CountIsolated", 1, "isolated", "isolated triangle", "isolated triangles"},
    {Category::Triangles, "CountSingular", 2, "singular, or degree out of range", "triangle on a singular edge",
     "triangles on a singular edge"},
    {Category::Triangles, "MinimalDegree", 2, nullptr},
    {Category::Triangles, "MaximalDegree", 2, nullptr},
    {Category::Triangles, "CountInvalidTopological", 3, "invalid: repeats a point, or has zero area",
     "triangle that repeats a point", "triangles that repeat a point"},
    {Category::Triangles, "CountInvalidGeometrical", 3, nullptr, "triangle of zero area", "triangles of zero area"},
    {Category::Triangles, "CountDuplicatedTopological", 4, "duplicated"},
    {Category::Triangles, "CountDuplicatedGeometrical", 4, nullptr},
    {Category::Triangles, "CountClassesOfDuplicatedTopological", 4, nullptr, "set of duplicated triangles",
     "sets of duplicated triangles"},
    {Category::Triangles, "CountClassesOfDuplicatedGeometrical", 4, nullptr, "set of triangles duplicated in place",
     "sets of triangles duplicated in place"},
    {Category::Triangles, "CountIntersected", 5, "intersecting", "intersecting triangle", "intersecting triangles"},
    {Category::Triangles, "CountFlippedTopological", 6, "flipped", "flipped triangle", "flipped triangles"},
    {Category::Mesh, "CountComponents", -1, nullptr, "piece", "pieces"},
    {Category::Mesh, "CountHandles", -1, nullptr, "handle", "handles"},
    {Category::Mesh, "CountBorders", 3, nullptr, "hole", "holes"},
    {Category::Mesh, "Oriented", 10, "on an edge that breaks the orientation", "not oriented", nullptr, false},
    {Category::Mesh, "Orientable", -1, nullptr, "not orientable", nullptr, false},
    {Category::Mesh, "Connected", -1, nullptr, "in several pieces", nullptr, false},
    {Category::Mesh, "HasHandles", -1, nullptr, "has handles", nullptr, true},
    {Category::Mesh, "Closed", -1, nullptr, "not closed", nullptr, false},
    {Category::Mesh, "HasBorders", -1, nullptr, "has holes", nullptr, true},
    {Category::Mesh, "Invalid", -1, nullptr, "has invalid edges or triangles", nullptr, true},
    {Category::Mesh, "Singular", -1, nullptr, "has singular edges or triangles", nullptr, true},
    {Category::Mesh, "PreciseDuplicates", -1, nullptr, "has duplicated elements", nullptr, true},
    {Category::Mesh, "EpsilonDuplicates", -1, nullptr, "has near-duplicated points", nullptr, true},
    {Category::Mesh, "Inclusion", -1, nullptr, "does not enclose a volume", nullptr, false},
    {Category::Mesh, "Selfintersection", 5, nullptr, "self-intersecting", nullptr, true},
    {Category::Solid, "CountShells", -1, nullptr, "shell", "shells"},
    {Category::Solid, "CountOpenShells", 7, "in an open shell", "open shell", "open shells"},
    {Category::Solid, "CountNestedShells", 8, "in a nested shell", "nested shell", "nested shells"},
    {Category::Solid, "CountInsideOutShells", 9, "in an inside-out shell", "inside-out shell", "inside-out shells"},
    {Category::Solid, "CountIntersectingShellPairs", 10, "in shells that cross or touch",
     "pair of shells that cross or touch", "pairs of shells that cross or touch"},
    {Category::Solid, "CountPinchedPoints", 11, "pinched: its triangles form several fans", "pinched point",
     "pinched points"},
    {Category::Quality, "MinimalAngle", 11, "skinny, or an angle or aspect ratio out of range"},
    {Category::Quality, "MaximalAngle", 11, nullptr},
    {Category::Quality, "MaximalAspectRatio", 11, nullptr},
    {Category::Quality, "CountSkinny", 11, nullptr, "skinny triangle", "skinny triangles"},
    {Category::Build, "CountOverlappingItems", -1, nullptr, "pair of overlapping items",
     "pairs of overlapping items"},
};

constexpr Columns ColumnsOf(Category category, std::string_view name)
{
    for (const Columns& c : kColumns) {
        if (c.category == category && c.name == name) {
            return c;
        }
    }
    return Columns{category, name, -1, nullptr};
}

// Where the marked elements stand in an entry of a list, by the list's
// `where` (meshaudit.h), and whether they are points or triangles.
struct EntryLayout {
    std::string_view where;
    bool points;
    uint8_t first;
    uint8_t count;
};

constexpr EntryLayout kLayouts[] = {
    {"POINTS", true, 0, 1},           {"POINT_CLASSES", true, 0, 1}, {"EDGES", true, 0, 2},
    {"EDGE_CLASSES", true, 0, 2},     {"LOOPS", true, 1, 1},         {"TRIANGLES", false, 0, 1},
    {"TRIANGLE_CLASSES", false, 0, 1}, {"TRIANGLE_PAIRS", false, 0, 2}, {"SHELLS", false, 0, 1},
    {"NESTED_SHELLS", false, 0, 1},    {"SHELL_PAIRS", false, 0, 2},
};

constexpr DefectMark MarkOf(Category category, std::string_view name, std::string_view where)
{
    const Columns columns = ColumnsOf(category, name);
    for (const EntryLayout& layout : kLayouts) {
        if (columns.bit >= 0 && layout.where == where) {
            return DefectMark{columns.bit, columns.says, layout.points, layout.first, layout.count};
        }
    }
    return DefectMark{};
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
             #where,                                                                               \
             MarkOf(kCategory, #name, #where),                                                     \
             ColumnsOf(kCategory, #name).one,                                                      \
             ColumnsOf(kCategory, #name).many,                                                     \
             ColumnsOf(kCategory, #name).flagSaid},

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
constexpr auto kSolid =
    QUANTITIES_OF(MESHAUDIT_SOLID_QUANTITIES, Category::Solid, SolidSettings, SolidResults);
constexpr auto kQuality =
    QUANTITIES_OF(MESHAUDIT_QUALITY_QUANTITIES, Category::Quality, QualitySettings, QualityResults);
constexpr auto kBuild = QUANTITIES_OF(MESHAUDIT_BUILD_QUANTITIES, Category::Build, BuildSettings, BuildResults);
#undef QUANTITIES_OF
#undef QUANTITY

// Every quantity of the seven lists, for the checks and tables that span
// them.
constexpr auto kAll = [] {
    std::array<Quantity, kPoints.size() + kEdges.size() + kTriangles.size() + kMesh.size() + kSolid.size() +
                             kQuality.size() + kBuild.size()>
        all{};
    auto at = std::copy(kPoints.begin(), kPoints.end(), all.begin());
    at = std::copy(kEdges.begin(), kEdges.end(), at);
    at = std::copy(kTriangles.begin(), kTriangles.end(), at);
    at = std::copy(kMesh.begin(), kMesh.end(), at);
    at = std::copy(kSolid.begin(), kSolid.end(), at);
    at = std::copy(kQuality.begin(), kQuality.end(), at);
    std::copy(kBuild.begin(), kBuild.end(), at);
    return all;
}();

// The columns checked against the lists of meshaudit.h when the command
// compiles: a quantity that lists points, edges or triangles (not
// components) marks them, and nothing else does; each row of kColumns names
// a quantity there is; each bit of the points, and each of the triangles,
// is said by exactly one row, so that a bit means one thing.
constexpr bool MarksFollowTheLists()
{
    for (const Quantity& q : kAll) {
        const std::string_view where = q.where;
        // Components stand for every triangle; items are not this mesh's.
        const bool listsElements = where != "NONE" && where != "COMPONENTS" && where != "ITEM_PAIRS";
        if (listsElements != (q.mark.bit >= 0) || q.mark.bit > 31 || (listsElements && q.mark.count == 0)) {
            return false;
        }
    }
    return true;
}
static_assert(MarksFollowTheLists(), "a quantity that lists points, edges or triangles needs a bit in kColumns "
                                     "(0 to 31, a `where` kLayouts knows), and only such a one");

constexpr bool EveryRowNamesAQuantity()
{
    for (const Columns& row : kColumns) {
        int found = 0;
        for (const Quantity& q : kAll) {
            found += q.category == row.category && row.name == q.name ? 1 : 0;
        }
        if (found != 1) {
            return false;
        }
    }
    return true;
}
static_assert(EveryRowNamesAQuantity(), "a row of kColumns names no quantity of its category");

constexpr bool EachBitSaidOnce()
{
    for (const Quantity& q : kAll) {
        int said = 0;
        for (const Quantity& other : kAll) {
            const bool same = other.mark.bit == q.mark.bit && other.mark.onPoints == q.mark.onPoints;
            said += same && other.mark.says != nullptr ? 1 : 0;
        }
        if (q.mark.bit >= 0 && said != 1) {
            return false;
        }
    }
    return true;
}
static_assert(EachBitSaidOnce(), "a bit of the points (or of the triangles) is said by no row of kColumns, or by two");

// The bits as kColumns says them, points first, each by its number.
constexpr auto kDefectKinds = [] {
    constexpr size_t count = std::count_if(kAll.begin(), kAll.end(), [](const Quantity& q) {
        return q.mark.says != nullptr;
    });
    std::array<DefectKind, count> kinds{};
    size_t next = 0;
    for (const Quantity& q : kAll) {
        if (q.mark.says != nullptr) {
            kinds[next++] = DefectKind{q.mark.onPoints, q.mark.bit, q.mark.says};
        }
    }
    std::sort(kinds.begin(), kinds.end(), [](const DefectKind& a, const DefectKind& b) {
        return a.onPoints != b.onPoints ? a.onPoints : a.bit < b.bit;
    });
    return kinds;
}();

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

// What the command knows of a category, one row each, in the order of
// Category (from 1): its key in settings and reports, its quantities and
// shared criteria, where its Enable and InRange bytes start in its blocks,
// and where its blocks lie among the seven.
struct CategoryRow {
    Category category;
    const char* key;
    std::span<const Quantity> quantities;
    std::span<const SharedCriterion> shared;
    size_t enableOffset;
    size_t inRangeOffset;
    size_t settingsAt;
    size_t resultsAt;
};

#define CATEGORY_ROW(name, key, member, list, shared)                                                   \
    CategoryRow                                                                                         \
    {                                                                                                   \
        Category::name, key, list, shared, offsetof(decltype(SettingsBlocks::member), Enable),          \
            offsetof(decltype(ResultBlocks::member), InRange), offsetof(SettingsBlocks, member),        \
            offsetof(ResultBlocks, member)                                                              \
    }

const CategoryRow kCategoryRows[] = {
    CATEGORY_ROW(Points, "points", points, kPoints, std::span(kPointShared).first(SharedCount(kPoints))),
    CATEGORY_ROW(Edges, "edges", edges, kEdges, std::span(kEdgeShared).first(SharedCount(kEdges))),
    CATEGORY_ROW(Triangles, "triangles", triangles, kTriangles,
                 std::span(kTriangleShared).first(SharedCount(kTriangles))),
    CATEGORY_ROW(Mesh, "mesh", mesh, kMesh, {}),
    CATEGORY_ROW(Solid, "solid", solid, kSolid, {}),
    CATEGORY_ROW(Quality, "quality", quality, kQuality, {}),
    CATEGORY_ROW(Build, "build", build, kBuild, {}),
};
#undef CATEGORY_ROW
static_assert(std::size(kCategoryRows) == kCategoryCount, "a row for every category");

// Categories come from kCategories, never from input; a number beyond them
// still reads a row: the first.
const CategoryRow& RowOf(Category category)
{
    const size_t k = static_cast<size_t>(category) - 1;
    return kCategoryRows[k < std::size(kCategoryRows) ? k : 0];
}

}  // namespace

std::span<const DefectKind> DefectKinds()
{
    return kDefectKinds;
}

const char* CategoryKey(Category category)
{
    return RowOf(category).key;
}

std::span<const Quantity> QuantitiesOf(Category category)
{
    return RowOf(category).quantities;
}

std::span<const SharedCriterion> SharedCriteriaOf(Category category)
{
    return RowOf(category).shared;
}

SettingsBlocks DefaultSettings()
{
    SettingsBlocks blocks;
    meshaudit_default_point_settings(&blocks.points);
    meshaudit_default_edge_settings(&blocks.edges);
    meshaudit_default_triangle_settings(&blocks.triangles);
    meshaudit_default_mesh_settings(&blocks.mesh);
    blocks.solid = DefaultSolidSettings();
    blocks.quality = DefaultQualitySettings();
    blocks.build = DefaultBuildSettings();
    return blocks;
}

ResultBlocks NotComputedResults()
{
    ResultBlocks blocks;
    meshaudit_not_computed_point_results(&blocks.points);
    meshaudit_not_computed_edge_results(&blocks.edges);
    meshaudit_not_computed_triangle_results(&blocks.triangles);
    meshaudit_not_computed_mesh_results(&blocks.mesh);
    blocks.solid = NotComputedSolidResults();
    blocks.quality = NotComputedQualityResults();
    blocks.build = NotComputedBuildResults();
    return blocks;
}

const uint8_t* SettingsBytes(const SettingsBlocks& blocks, Category category)
{
    return SettingsBytes(const_cast<SettingsBlocks&>(blocks), category);
}

uint8_t* SettingsBytes(SettingsBlocks& blocks, Category category)
{
    return reinterpret_cast<uint8_t*>(&blocks) + RowOf(category).settingsAt;
}

const uint8_t* ResultBytes(const ResultBlocks& blocks, Category category)
{
    return ResultBytes(const_cast<ResultBlocks&>(blocks), category);
}

uint8_t* ResultBytes(ResultBlocks& blocks, Category category)
{
    return reinterpret_cast<uint8_t*>(&blocks) + RowOf(category).resultsAt;
}

uint8_t EnableByte(const SettingsBlocks& settings, const Quantity& quantity)
{
    return SettingsBytes(settings, quantity.category)[RowOf(quantity.category).enableOffset +
                                                      static_cast<size_t>(quantity.k)];
}

void SetEnableByte(SettingsBlocks& settings, const Quantity& quantity, uint8_t value)
{
    SettingsBytes(settings, quantity.category)[RowOf(quantity.category).enableOffset + static_cast<size_t>(quantity.k)] =
        value;
}

bool ListsTriangles(const Quantity& quantity)
{
    return TrianglesPerEntry(quantity) > 0;
}

uint32_t TrianglesPerEntry(const Quantity& quantity)
{
    if (std::string_view(quantity.where) == "COMPONENTS") {
        return 1;
    }
    return quantity.mark.bit >= 0 && !quantity.mark.onPoints ? quantity.mark.count : 0;
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
    case Category::Solid:
    case Category::Quality:
    case Category::Build:
        break;
    }
    return false;
}

bool SignedCount(const Quantity& quantity)
{
    return quantity.category == Category::Mesh && std::string_view(quantity.name) == "CountHandles";
}

void SetInRangeByte(ResultBlocks& results, const Quantity& quantity, uint8_t value)
{
    ResultBytes(results, quantity.category)[RowOf(quantity.category).inRangeOffset + static_cast<size_t>(quantity.k)] =
        value;
}

uint8_t InRangeByte(const ResultBlocks& results, const Quantity& quantity)
{
    return ResultBytes(results, quantity.category)[RowOf(quantity.category).inRangeOffset +
                                                   static_cast<size_t>(quantity.k)];
}

}  // namespace meshaudit::cli
