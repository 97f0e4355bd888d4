// The command's map of the library's blocks: for every quantity of every
// category, its name, where its value, criterion, Enable and InRange bytes
// lie, and of which kind they are; and the command's own columns: the defect
// bit its elements get when it fails, and the words that say its failure.
// Reports, settings files, marked meshes and the report page are driven by
// these tables, so that a name means the same field everywhere.
#pragma once

#include "CommandBlocks.h"

#include "meshaudit.h"
#include "meshaudit.hpp"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>

namespace meshaudit::cli {

// The categories (meshaudit.hpp): the library's four, the two of solids()
// and the build plate's, and their places 0 to 6 in the command's
// per-category arrays.
inline int CategoryIndex(Category category)
{
    return static_cast<int>(category) - 1;
}
inline constexpr Category kCategories[] = {Category::Points, Category::Edges,   Category::Triangles,
                                           Category::Mesh,   Category::Solid,   Category::Quality,
                                           Category::Build};
inline constexpr size_t kCategoryCount = std::size(kCategories);
// The four that analyse() and locate() compute.
inline constexpr std::span<const Category> kLibraryCategories = std::span(kCategories).first<4>();
// Those of one mesh (a file, or an object of a 3MF file); the build plate's
// stands in a document of its own.
inline constexpr std::span<const Category> kMeshCategories = std::span(kCategories).first<6>();
inline constexpr std::span<const Category> kPlateCategories = std::span(kCategories).last<1>();

// "points", "edges", "triangles", "mesh", "solid", "quality", "build": the
// keys of reports and settings.
const char* CategoryKey(Category category);

enum class ValueKind {
    Count,    // uint32_t; NOT_COMPUTED, or a negative code read as int32_t
    Double,   // double; -1.0 not computed, other negative whole numbers are codes
    Volume,   // double; the lowest finite double is not computed
    Boolean,  // int8_t; 1 true, 0 false, -1 not computed
};

enum class CriterionKind {
    None,         // never judged
    CountRange,   // ValueRange in the settings block
    DoubleRange,  // DoubleRange in the settings block
    Expected,     // uint8_t expected value of a boolean
};

// A bit of a marked mesh (`check --marked`, the report page): on the points
// or on the triangles, and what it means. Several quantities may set the
// same bit (both degrees, a count and its classes).
struct DefectKind {
    bool onPoints;
    int bit;
    const char* says;  // "NaN coordinate"
};
// Every bit that some quantity sets, points first, each by its number.
std::span<const DefectKind> DefectKinds();

// The mark a failing quantity sets on the elements its list names.
struct DefectMark {
    int bit = -1;  // -1: it marks nothing (no list, or a list of components)
    // What the bit means, from the one quantity whose column says it;
    // nullptr for the others that set it.
    const char* says = nullptr;
    bool onPoints = true;
    // The elements among the numbers of a list entry: a point, an edge's two
    // points, a triangle, a pair of triangles, or the point after a loop's
    // number.
    uint8_t first = 0;
    uint8_t count = 0;
};

struct Quantity {
    Category category;
    int k;             // index of its Enable and InRange bytes
    const char* name;  // the field name of the header
    ValueKind value;
    size_t valueOffset;  // in the results block
    CriterionKind criterion;
    size_t criterionOffset;       // in the settings block
    const char* sharedCriterion;  // "Degree" or "Length" when the criterion is shared
    // What an entry of its element list holds, as the `where` column of
    // meshaudit.h names it: "POINTS", "EDGES", "TRIANGLES", "TRIANGLE_PAIRS",
    // "COMPONENTS", ...; "NONE" for a quantity that lists nothing.
    const char* where;
    // The command's columns (Quantities.cpp, checked when it compiles):
    // every quantity that lists points, edges or triangles marks them.
    DefectMark mark;
    // Its failure in words: `one` and `many` name what a count counts; a
    // flag has `many` nullptr and `one` saying that it holds `flagSaid`.
    // nullptr: said by name, value and criterion.
    const char* one;
    const char* many;
    bool flagSaid;
};

// The entries of the quantity's list name triangles (one, a pair, or a
// component per triangle), which a file of polygons numbers by its faces.
bool ListsTriangles(const Quantity& quantity);
// How many triangles an entry of its list names, first in the entry (0: it
// names none; 1 for a component list, whose entries stand for the triangles
// in order).
uint32_t TrianglesPerEntry(const Quantity& quantity);

// The library of this version never computes the quantity (articulations,
// convex edges, the placeholders): its not-computed value is its answer,
// not a failure.
bool NeverComputed(const Quantity& quantity);

// A count that may be negative as a value, not as a failure code: the
// handle count, from the Euler formula, on a mesh that is not a manifold.
bool SignedCount(const Quantity& quantity);

// Quantities computed and reported but left out of the verdict (a profile's
// or settings file's "judge": false): bit k of each category's mask.
struct ReportOnly {
    uint32_t bits[kCategoryCount] = {};

    bool Has(const Quantity& quantity) const
    {
        return ((bits[CategoryIndex(quantity.category)] >> quantity.k) & 1u) != 0;
    }
    void Set(const Quantity& quantity, bool reportOnly)
    {
        const uint32_t bit = 1u << quantity.k;
        uint32_t& mask = bits[CategoryIndex(quantity.category)];
        mask = reportOnly ? mask | bit : mask & ~bit;
    }
};

// A criterion that several quantities share (the degree and length ranges).
struct SharedCriterion {
    const char* name;
    CriterionKind kind;
    size_t offset;
};

// The quantities of a category in the order of their Enable bytes (the
// mesh's unused slot 19 is left out).
std::span<const Quantity> QuantitiesOf(Category category);
std::span<const SharedCriterion> SharedCriteriaOf(Category category);

struct SettingsBlocks {
    PointSettings points;
    EdgeSettings edges;
    TriangleSettings triangles;
    MeshSettings mesh;
    SolidSettings solid;
    QualitySettings quality;
    BuildSettings build;
};

struct ResultBlocks {
    PointResults points;
    EdgeResults edges;
    TriangleResults triangles;
    MeshResults mesh;
    SolidResults solid;
    QualityResults quality;
    BuildResults build;
};

// The library's defaults, from the header's helpers.
SettingsBlocks DefaultSettings();
// Result blocks in which every quantity holds its not-computed mark and
// every InRange byte says "not judged".
ResultBlocks NotComputedResults();

const uint8_t* SettingsBytes(const SettingsBlocks& blocks, Category category);
uint8_t* SettingsBytes(SettingsBlocks& blocks, Category category);
const uint8_t* ResultBytes(const ResultBlocks& blocks, Category category);
uint8_t* ResultBytes(ResultBlocks& blocks, Category category);

uint8_t EnableByte(const SettingsBlocks& settings, const Quantity& quantity);
void SetEnableByte(SettingsBlocks& settings, const Quantity& quantity, uint8_t value);
uint8_t InRangeByte(const ResultBlocks& results, const Quantity& quantity);
void SetInRangeByte(ResultBlocks& results, const Quantity& quantity, uint8_t value);

}  // namespace meshaudit::cli
