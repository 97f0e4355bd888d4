#include "geometry/TriAabbTree.h"

#include "containers/Memory.h"
#include "containers/PageHints.h"
#include "geometry/AabbTreeBuild.h"
#include "model/ReadAhead.h"
#include "model/RecordChecks.h"

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace meshaudit {

namespace {

// The bounds of an entry's box on axis A, as doubles.
template <int A>
double BoxMin(const FloatBox& b)
{
    return A == 0 ? b.minX : A == 1 ? b.minY : b.minZ;
}

template <int A>
double BoxMax(const FloatBox& b)
{
    return A == 0 ? b.maxX : A == 1 ? b.maxY : b.maxZ;
}

struct TriTraits {
    // The centre of the entry's box on axis A.
    template <int A>
    static double Centre(const TriEntry& e)
    {
        return (BoxMin<A>(e.box) + BoxMax<A>(e.box)) * 0.5;
    }

    // Twice the centre, which orders the same without the halving.
    template <int A>
    static double SortKey(const TriEntry& e)
    {
        return BoxMin<A>(e.box) + BoxMax<A>(e.box);
    }

    // The bounds are taken in single precision and widened once: the same
    // box, since widening is exact and keeps the order, with twice the
    // values in each vector operation.
    static C3DAABB RangeBox(const TriEntry* entries, uint64_t first, uint64_t last)
    {
        FloatBox box{FLT_MAX, FLT_MAX, FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX};
        for (uint64_t k = first; k <= last; ++k) {
            const FloatBox& b = entries[k].box;
            box.minX = b.minX < box.minX ? b.minX : box.minX;
            box.minY = b.minY < box.minY ? b.minY : box.minY;
            box.minZ = b.minZ < box.minZ ? b.minZ : box.minZ;
            box.maxX = b.maxX > box.maxX ? b.maxX : box.maxX;
            box.maxY = b.maxY > box.maxY ? b.maxY : box.maxY;
            box.maxZ = b.maxZ > box.maxZ ? b.maxZ : box.maxZ;
        }
        return WidenBox(box);
    }

    // This tree's shape decides no count or mark, only the order in which
    // the pair searches meet pairs, so a sort of equal keys, which orders
    // nothing, draws four times its size from the budget: the chains of such
    // sorts that a crowd of copies of one triangle, or a book of triangles on
    // one edge, makes are cut in the middle sooner, before they cost more
    // than the rest of the mesh's build.
    static constexpr uint64_t kEqualKeysCost = 4;
};

// The size of the largest entry block left with the huge-page hint.
constexpr std::size_t kLargestHugePageEntries = std::size_t{256} << 20;

// Writes an entry for each triangle whose indices are all below the point
// count, in triangle order; returns how many. `exact` becomes false when
// some entry's box had to be rounded.
uint32_t FillEntries(const MeshRecord& mesh, TriEntry* entries, bool& exact)
{
    const T3DVECF* points = mesh.points;
    uint32_t count = 0;
    bool allExact = true;
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        PrefetchCornersAhead(mesh, t);
        const TRIANGLE& tri = mesh.triangles[t];
        if (tri.a >= mesh.pointCount || tri.b >= mesh.pointCount || tri.c >= mesh.pointCount) {
            continue;
        }
        TriEntry& entry = entries[count++];
        entry.index = t;
        entry.triangle = tri;
        C3DAABB box;
        box.Extend(points[tri.a]);
        box.Extend(points[tri.b]);
        box.Extend(points[tri.c]);
        bool boxExact = true;
        entry.box = OutwardFloatBox(box, boxExact);
        allExact = allExact && boxExact;
    }
    exact = allExact;
    return count;
}

// The nearest float to v within the float range; v is clamped to it first,
// since a conversion of a double beyond it is undefined.
float NearestFloat(double v)
{
    const double below = v < double{FLT_MAX} ? v : double{FLT_MAX};
    return static_cast<float>(below > -double{FLT_MAX} ? below : -double{FLT_MAX});
}

// A float not above v (`down`), or not below it: the nearest float when it
// is v itself, which it is for the coordinates of most mesh files, stored
// in single precision; otherwise that float moved outward by at least one
// unit in its last place (|f| x 2^-23 is one at least, the smallest
// subnormal one near zero), more than the half unit by which rounding can
// have moved it. A moved bound may be a unit looser than the tightest one:
// a box only has to contain the exact one. Past the float range the bound
// goes to infinity or a unit inside the range. Without a branch, since
// which way rounding went is as good as random.
float OutwardFloat(double v, bool down, bool& exact)
{
    const float f = NearestFloat(v);
    const float step = std::fabs(f) * 0x1p-23f + FLT_TRUE_MIN;
    const bool same = static_cast<double>(f) == v;
    exact = exact && same;
    const float moved = down ? f - step : f + step;
    return same ? f : moved;
}

}  // namespace

FloatBox OutwardFloatBox(const C3DAABB& box, bool& exact)
{
    return FloatBox{OutwardFloat(box.min.x, true, exact),  OutwardFloat(box.min.y, true, exact),
                    OutwardFloat(box.min.z, true, exact),  OutwardFloat(box.max.x, false, exact),
                    OutwardFloat(box.max.y, false, exact), OutwardFloat(box.max.z, false, exact)};
}

C3DTriAABBTree::~C3DTriAABBTree()
{
    Reset();
}

void C3DTriAABBTree::Reset()
{
    Free(nodeBlock_);
    nodeBlock_ = nullptr;
    root_ = nullptr;
    nodeCount_ = 0;
    Free(entryBlock_);
    entryBlock_ = nullptr;
    entries_ = nullptr;
    entryCount_ = 0;
    exactBoxes_ = true;
    mesh_ = MeshRecord{nullptr, 0, nullptr, 0};
}

int C3DTriAABBTree::Build(const MeshRecord& mesh, TriLeaves leaves, TreeSorts sorts)
{
    Reset();
    if (CheckRecord(mesh) != 0) {
        return 0;
    }
    mesh_ = mesh;
    // The array starts on a 64-byte boundary, so that every eight entries
    // fill five cache lines exactly and a range reads no line it does not
    // need at its start.
    const std::size_t slots = mesh.triangleCount;
    if (slots > (SIZE_MAX - 64) / sizeof(TriEntry)) {
        return 0;  // only where size_t is narrower than 64 bits
    }
    entryBlock_ = Allocate(slots * sizeof(TriEntry) + 64);
    if (entryBlock_ == nullptr) {
        return 0;
    }
    // The entries are written in order, then split range by range; the
    // walks read them a leaf's range at a time. Faulting hundreds of huge
    // pages in for that costs more than their address-cache reach saves, so
    // a block beyond kLargestHugePageEntries (some ten million triangles)
    // gives the hint back. Below it (a million triangles or two) the hint
    // stays: there its reach saves a little more than its faults cost.
    if (slots * sizeof(TriEntry) > kLargestHugePageEntries) {
        WithdrawHugePages(entryBlock_, slots * sizeof(TriEntry) + 64);
    }
    entries_ = reinterpret_cast<TriEntry*>((reinterpret_cast<uintptr_t>(entryBlock_) + 63) &
                                           ~uintptr_t{63});
    const uint32_t count = FillEntries(mesh, entries_, exactBoxes_);
    entryCount_ = count;
    if (count == 0) {
        return 1;
    }
    const uint32_t leafMost = leaves == TriLeaves::Wide ? kWideLeafEntries : kRuleLeafMost;
    BuiltNodes built;
    const uint64_t budget = sorts == TreeSorts::Small ? detail::kSmallSortBudgetPerEntry : detail::kSortBudgetPerEntry;
    if (!BuildNodes<TriTraits>(
            entries_, count, leafMost, built, [&] { FillEntries(mesh, entries_, exactBoxes_); }, budget)) {
        Reset();
        return 0;
    }
    nodeBlock_ = built.block;
    root_ = built.root;
    nodeCount_ = built.count;
    return 1;
}

}  // namespace meshaudit
