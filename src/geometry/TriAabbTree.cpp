#include "geometry/TriAabbTree.h"

#include "containers/Memory.h"
#include "containers/PageHints.h"
#include "geometry/AabbTreeBuild.h"
#include "model/ReadAhead.h"

#include <cstddef>
#include <cstdint>

namespace meshaudit {

namespace {

struct TriTraits {
    static void Extend(C3DAABB& box, const TriEntry& e) { box.Extend(e.box); }

    // The centre of the entry's box on axis A.
    template <int A>
    static double Centre(const TriEntry& e)
    {
        return (AxisCoordinate<A>(e.box.min) + AxisCoordinate<A>(e.box.max)) * 0.5;
    }

    // Twice the centre, which orders the same without the halving.
    template <int A>
    static double SortKey(const TriEntry& e)
    {
        return AxisCoordinate<A>(e.box.min) + AxisCoordinate<A>(e.box.max);
    }

    // This tree's shape decides no count or mark, only the order in which
    // the pair searches meet pairs; beside a mesh of a million triangles, a
    // crowd of 100,000 copies or a book spent 0.6 to 1.2 s on sorts of equal
    // keys before the budget ran out.
    static constexpr uint64_t kEqualKeysCost = 4;
};

// Writes an entry for each triangle whose indices are all below the point
// count, in triangle order; returns how many.
// The size of the largest entry block left with the huge-page hint.
constexpr std::size_t kLargestHugePageEntries = std::size_t{256} << 20;

uint32_t FillEntries(const MeshRecord& mesh, TriEntry* entries)
{
    const T3DVECF* points = mesh.points;
    uint32_t count = 0;
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        PrefetchCornersAhead(mesh, t);
        const TRIANGLE& tri = mesh.triangles[t];
        if (tri.a >= mesh.pointCount || tri.b >= mesh.pointCount || tri.c >= mesh.pointCount) {
            continue;
        }
        TriEntry& entry = entries[count++];
        entry.index = t;
        entry.triangle = tri;
        entry.box = C3DAABB{};
        entry.box.Extend(points[tri.a]);
        entry.box.Extend(points[tri.b]);
        entry.box.Extend(points[tri.c]);
    }
    return count;
}

}  // namespace

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
    mesh_ = MeshRecord{nullptr, 0, nullptr, 0};
}

int C3DTriAABBTree::Build(const MeshRecord& mesh, TriLeaves leaves)
{
    Reset();
    const T3DVECF* points = mesh.points;
    const uint32_t pointCount = mesh.pointCount;
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t triangleCount = mesh.triangleCount;
    if (points == nullptr || triangles == nullptr || pointCount == 0 || triangleCount == 0) {
        return 0;
    }
    mesh_ = mesh;
    // An entry is read whole by the build and by the pair searches; starting
    // the array on a 64-byte boundary keeps each one within one cache line.
    const std::size_t slots = triangleCount;
    if (slots > (SIZE_MAX - 64) / sizeof(TriEntry)) {
        return 0;  // only where size_t is narrower than 64 bits
    }
    entryBlock_ = Allocate(slots * sizeof(TriEntry) + 64);
    if (entryBlock_ == nullptr) {
        return 0;
    }
    // The entries are written in order, then split range by range; the
    // walks read them a leaf's range at a time. Faulting hundreds of huge
    // pages in for that costs more than their address-cache reach saves:
    // the ten-million-triangle torus analysed in 7.6-8.0 s with the entries
    // hinted, 6.0-6.2 s without. Up to a few hundred megabytes (a million
    // triangles or two) the hint stays: bunny_sub2 0.74-0.79 s hinted,
    // 0.76-0.83 s without.
    if (slots * sizeof(TriEntry) > kLargestHugePageEntries) {
        WithdrawHugePages(entryBlock_, slots * sizeof(TriEntry) + 64);
    }
    entries_ = reinterpret_cast<TriEntry*>((reinterpret_cast<uintptr_t>(entryBlock_) + 63) &
                                           ~uintptr_t{63});
    const uint32_t count = FillEntries(mesh, entries_);
    entryCount_ = count;
    if (count == 0) {
        return 1;
    }
    const uint32_t leafMost = leaves == TriLeaves::Wide ? kWideLeafEntries : kRuleLeafMost;
    BuiltNodes built;
    if (!BuildNodes<TriTraits>(entries_, count, leafMost, built, [&] { FillEntries(mesh, entries_); })) {
        Reset();
        return 0;
    }
    nodeBlock_ = built.block;
    root_ = built.root;
    nodeCount_ = built.count;
    return 1;
}

}  // namespace meshaudit
