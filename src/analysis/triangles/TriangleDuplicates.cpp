// Duplicated triangles, by index set and by corner coordinates. Each count
// forms one canonical key per triangle, sorted here so that the orientation
// and starting corner drop out, and counts equal keys: on packed integers
// (indices, or point ranks for coordinates) when no key holds a NaN, in a
// search tree of (key, occurrences) pairs otherwise. Listed in triangle
// order: each duplicated triangle with its class's first triangle, and each
// class once, as that triangle.
#include "analysis/SharedPointRanks.h"
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/CountDuplicates.h"
#include "containers/Keys.h"
#include "containers/Memory.h"
#include "containers/PointRanks.h"
#include "containers/TupleDuplicates.h"
#include "model/RecordChecks.h"

#include <utility>

namespace meshaudit::triangles {

namespace {

// Sorts three values ascending by their order `<`, repeated values kept. With an
// order that is not total (NaN coordinates) the result is still one fixed
// arrangement of the three.
template <typename T>
void SortThree(T& a, T& b, T& c)
{
    if (b < a) {
        std::swap(a, b);
    }
    if (c < b) {
        std::swap(b, c);
    }
    if (b < a) {
        std::swap(a, b);
    }
}

// The classes array of a search that lists (null when nothing is listed);
// `failed` when it cannot be allocated.
uint32_t* ClassesArray(uint32_t triangleCount, const LocationList* members,
                       const LocationList* classes, bool& failed)
{
    uint32_t* firstOf = nullptr;
    if (members != nullptr || classes != nullptr) {
        firstOf = AllocateArray<uint32_t>(triangleCount);
    }
    failed = (members != nullptr || classes != nullptr) && firstOf == nullptr;
    return firstOf;
}

// After a search that succeeded with firstOf filled: counts and lists, in
// triangle order, each member with its class's first triangle, and each
// class once, as that triangle. The sums replace the search's (they are the
// same). Frees firstOf.
int32_t ListTriangleClasses(int32_t code, uint32_t triangleCount, uint32_t* firstOf,
                            LocationList* members, LocationList* classes, DuplicateSums& sums)
{
    if (code == 0 && firstOf != nullptr) {
        sums = SumClassesOf(triangleCount, firstOf, [members, classes](uint32_t t, uint32_t first) {
            if (members != nullptr) {
                members->Add(t, first);
            }
            if (classes != nullptr && first == t) {
                classes->Add(t);
            }
        });
    }
    Free(firstOf);
    return code;
}

}  // namespace

int32_t TopologicalDuplicates(const MeshRecord& mesh, DuplicateSums& sums, LocationList* members,
                              LocationList* classes)
{
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t triangleCount = mesh.triangleCount;
    if (triangles == nullptr) {
        return -1;
    }
    if (triangleCount == 0) {
        return -2;
    }
    const DuplicateCodes codes{-3, -4, -5, -6};
    bool failed = false;
    uint32_t* firstOf = ClassesArray(triangleCount, members, classes, failed);
    if (failed) {
        return codes.createFailed;
    }
    auto keyOf = [triangles](uint32_t t, TRIANGLE& key) {
        key = triangles[t];
        SortThree(key.a, key.b, key.c);
        return true;
    };
    // The sorted indices packed into integers (as narrow as the largest index
    // allows): same order, same runs.
    const auto tupleCount = [triangles, triangleCount, firstOf](uint32_t& memberSum,
                                                                uint32_t& classSum) {
        uint32_t largest = 0;
        for (uint32_t t = 0; t < triangleCount; ++t) {
            const TRIANGLE& tri = triangles[t];
            const uint32_t m = tri.a > tri.b ? tri.a : tri.b;
            largest = m > largest ? m : largest;
            largest = tri.c > largest ? tri.c : largest;
        }
        const auto tripleOf = [triangles](uint32_t t, uint32_t& a, uint32_t& b, uint32_t& c) {
            a = triangles[t].a;
            b = triangles[t].b;
            c = triangles[t].c;
            SortThree(a, b, c);
            return TupleKey::Use;
        };
        return CountTripleDuplicates(triangleCount, largest, tripleOf, memberSum, classSum,
                                     firstOf);
    };
    const int32_t code =
        CountDuplicatesByTuples<TRIANGLE>(triangleCount, keyOf, codes, sums, tupleCount, firstOf);
    return ListTriangleClasses(code, triangleCount, firstOf, members, classes, sums);
}

int32_t GeometricalDuplicates(const MeshRecord& mesh, MeshTopology& topology, DuplicateSums& sums,
                              LocationList* members, LocationList* classes)
{
    const T3DVECF* points = mesh.points;
    const uint32_t pointCount = mesh.pointCount;
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t triangleCount = mesh.triangleCount;
    if (points == nullptr) {
        return -1;
    }
    if (pointCount == 0) {
        return -2;
    }
    if (triangles == nullptr) {
        return -3;
    }
    if (triangleCount == 0) {
        return -4;
    }
    const DuplicateCodes codes{-5, -6, -7, -8};
    bool failed = false;
    uint32_t* firstOf = ClassesArray(triangleCount, members, classes, failed);
    if (failed) {
        return codes.createFailed;
    }
    // A triangle with a corner that names no point has no corner set: it is
    // neither inserted nor counted.
    auto keyOf = [points, pointCount, triangles](uint32_t t, T3DTRGL& key) {
        const TRIANGLE& tri = triangles[t];
        if (!CornersInRange(tri, pointCount)) {
            return false;
        }
        key.corner[0] = points[tri.a];
        key.corner[1] = points[tri.b];
        key.corner[2] = points[tri.c];
        SortThree(key.corner[0], key.corner[1], key.corner[2]);
        return true;
    };
    // The corner-set order is lexicographic on the sorted corners, so with
    // every point replaced by its rank in the point order the keys keep their
    // order and their classes: the three sorted ranks stand for the key. A
    // corner with a NaN has no rank; then the tree counts.
    const auto tupleCount = [&](uint32_t& memberSum, uint32_t& classSum) {
        PointRanking ranking;
        const SharedPointRanks shared(topology, points, pointCount, ranking);
        const uint32_t* ranks = shared.Get();
        if (ranks == nullptr) {
            return SortedRunsOutcome::OutOfMemory;
        }
        const auto tripleOf = [ranks, pointCount, triangles](uint32_t t, uint32_t& a, uint32_t& b,
                                                             uint32_t& c) {
            const TRIANGLE& tri = triangles[t];
            if (!CornersInRange(tri, pointCount)) {
                return TupleKey::Skip;
            }
            a = ranks[tri.a];
            b = ranks[tri.b];
            c = ranks[tri.c];
            if (a == kNaNRank || b == kNaNRank || c == kNaNRank) {
                return TupleKey::HasNaN;
            }
            SortThree(a, b, c);
            return TupleKey::Use;
        };
        const uint32_t largest = ranking.distinct == 0 ? 0 : ranking.distinct - 1;
        return CountTripleDuplicates(triangleCount, largest, tripleOf, memberSum, classSum, firstOf);
    };
    const int32_t code =
        CountDuplicatesByTuples<T3DTRGL>(triangleCount, keyOf, codes, sums, tupleCount, firstOf);
    return ListTriangleClasses(code, triangleCount, firstOf, members, classes, sums);
}

namespace {

int32_t Members(int32_t code, const DuplicateSums& sums)
{
    return code != 0 ? code : static_cast<int32_t>(sums.members);
}

int32_t Classes(int32_t code, const DuplicateSums& sums)
{
    return code != 0 ? code : static_cast<int32_t>(sums.classes);
}

}  // namespace

int32_t CountDuplicatedTopological(const MeshRecord& mesh)
{
    DuplicateSums sums;
    const int32_t code = TopologicalDuplicates(mesh, sums);
    return Members(code, sums);
}

int32_t CountClassesOfDuplicatedTopological(const MeshRecord& mesh)
{
    DuplicateSums sums;
    const int32_t code = TopologicalDuplicates(mesh, sums);
    return Classes(code, sums);
}

int32_t CountDuplicatedGeometrical(const MeshRecord& mesh)
{
    MeshTopology topology;
    topology.Attach(mesh);
    DuplicateSums sums;
    const int32_t code = GeometricalDuplicates(mesh, topology, sums);
    return Members(code, sums);
}

int32_t CountClassesOfDuplicatedGeometrical(const MeshRecord& mesh)
{
    MeshTopology topology;
    topology.Attach(mesh);
    DuplicateSums sums;
    const int32_t code = GeometricalDuplicates(mesh, topology, sums);
    return Classes(code, sums);
}

}  // namespace meshaudit::triangles
