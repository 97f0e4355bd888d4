#include "repair/arrangement/Arrangement.h"
#include "containers/WorkArray.h"

#include "geometry/IntersectingPairs.h"
#include "geometry/ModerateRange.h"
#include "geometry/TriAabbTree.h"
#include "repair/arrangement/ArrangeCheck.h"
#include "repair/arrangement/ArrangeRound.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace meshaudit::arrangement {

namespace {

// The library's own search for intersecting pairs (those sharing no
// index), on the output: 1 found, 0 none, -1 unknown (out of memory).
int LibraryFindsPair(const WorkArray<T3DVECF>& points, const WorkArray<TRIANGLE>& triangles)
{
    if (points.empty() || triangles.empty()) {
        return 0;
    }
    MeshRecord record{const_cast<T3DVECF*>(points.data()), static_cast<uint32_t>(points.size()),
                      const_cast<TRIANGLE*>(triangles.data()), static_cast<uint32_t>(triangles.size())};
    C3DTriAABBTree tree;
    if (tree.Build(record) != 1) {
        return -1;
    }
    return FindIntersectingPair(&tree, &tree);
}

// Whether a round on the output would find nothing, and the library's
// search too: the check before the arrangement, which gives the same
// answers (its points all distinct, so that the triangles it searches are
// the output's own). Else the round itself decides.
// `triangles` (count of them) name the output's points: the whole output,
// or the faces a caller keeps of it.
bool OutputIsClean(const Arrangement& out, const TRIANGLE* triangles, uint32_t count)
{
    const MeshRecord record{const_cast<T3DVECF*>(out.points.data()), static_cast<uint32_t>(out.points.size()),
                            const_cast<TRIANGLE*>(triangles), count};
    return CheckArrangement(record) == ArrangeCheck::Clean;
}

bool OutputIsClean(const Arrangement& out)
{
    return OutputIsClean(out, out.triangles.data(), static_cast<uint32_t>(out.triangles.size()));
}

// Rounds `first` on, then the final check; `out` holds the output of the
// round before `first`, out.changed its triangles the last round made or
// touched (pairs of triangles it left untouched are not tested again).
// With `stopAfterFirst`, returns after the first round that arranged
// something, its output unchecked.
//
// At most kMaxRounds rounds: the loop ends whatever rounding does. And a
// round after the first arranges at most out.pairLimit pairs, as many as the
// first did (or kRoundPairFloor): rounding can make each round's pieces
// cross more than the last's (long thin pieces round a point), and
// arranging them all would let the cost compound from round to round. With
// the cap each round costs no more than arranging the first round's pairs,
// on an output that arranging made.
int RunRounds(uint32_t first, uint32_t inputTriangles, Arrangement& out, bool stopAfterFirst,
              ArrangeProgress progress, void* context)
{
    bool clean = false;
    RoundResult round;
    bool stopped = false;
    // Whether the library's search already found nothing in the output.
    bool searched = false;
    for (uint32_t r = first; r <= kMaxRounds && !clean; ++r) {
        if (r > 1 && OutputIsClean(out)) {
            // What this round would find: nothing. Most of a round's time
            // went to pairs round each point of the pieces, which lie round
            // it without folding; the check tells so without testing them.
            out.rounds = r;
            if (progress != nullptr) {
                progress(context, r, 0);
            }
            clean = searched = true;
            break;
        }
        const int64_t found = RunRound(out.points, out.triangles, RoundMode::Arrange, round,
                                       r == 1 ? nullptr : &out.changed, out.pairLimit,
                                       r == 1 ? FirstRoundPairLimit(inputTriangles) : UINT64_MAX);
        out.rounds = r;
        if (progress != nullptr) {
            progress(context, r, found < 0 ? 0 : static_cast<uint64_t>(found));
        }
        if (found < 0) {
            out = Arrangement{};
            return kArrangeFailed;
        }
        if (found == 0) {
            clean = true;
            break;
        }
        if (round.stopped) {
            out.unresolved = std::move(round.pairs);
            out.tooMany = stopped = true;
            break;
        }
        if (round.overLimit) {
            // This round was the check of the last output: its pairs stay.
            out.unresolved = std::move(round.pairs);
            stopped = true;
            break;
        }
        if (r == 1) {
            out.pairLimit = std::max<uint64_t>(round.pairs.size(), kRoundPairFloor);
        }
        if (round.points.size() > std::numeric_limits<uint32_t>::max() ||
            round.triangles.size() > std::numeric_limits<uint32_t>::max()) {
            out = Arrangement{};
            return kArrangeTooLarge;
        }
        for (Segment& s : round.segments) {
            s.triA = out.triangleFrom[s.triA];
            s.triB = out.triangleFrom[s.triB];
            out.segments.push_back(s);
        }
        for (uint32_t& f : round.from) {
            f = out.triangleFrom[f];
        }
        out.points = std::move(round.points);
        out.triangles = std::move(round.triangles);
        out.triangleFrom = std::move(round.from);
        out.changed = std::move(round.changed);
        if (stopAfterFirst) {
            out.unchecked = true;
            return kArranged;
        }
    }
    if (!clean && !stopped && OutputIsClean(out)) {
        clean = searched = true;
    } else if (!clean && !stopped) {
        RunRound(out.points, out.triangles, RoundMode::Check, round, &out.changed);
        out.unresolved = std::move(round.pairs);
        clean = out.unresolved.empty();
    }
    const int left = searched ? 0 : clean ? LibraryFindsPair(out.points, out.triangles) : 1;
    if (left < 0) {
        throw std::bad_alloc();
    }
    out.resolved = left == 0;
    return kArranged;
}

}  // namespace

int ArrangeFirstRound(const MeshRecord& mesh, Arrangement& out, ArrangeProgress progress, void* context)
{
    out = Arrangement{};
    if ((mesh.points == nullptr && mesh.pointCount != 0) || (mesh.triangles == nullptr && mesh.triangleCount != 0)) {
        return kArrangeNoMesh;
    }
    bool outOfRange = false;
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        const TRIANGLE& tri = mesh.triangles[t];
        for (uint32_t p : {tri.a, tri.b, tri.c}) {
            if (p >= mesh.pointCount) {
                return kArrangeBadIndex;
            }
            const T3DVECF& c = mesh.points[p];
            if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(c.z)) {
                return kArrangeNonFinite;
            }
            outOfRange = outOfRange || !ModeratePoint(c);
        }
    }
    if (outOfRange) {
        return kArrangeOutOfRange;
    }
    out.points.assign(mesh.points, mesh.points + mesh.pointCount);
    out.triangles.assign(mesh.triangles, mesh.triangles + mesh.triangleCount);
    out.triangleFrom.resize(mesh.triangleCount);
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        out.triangleFrom[t] = t;
    }
    out.pairLimit = std::numeric_limits<uint64_t>::max();
    return RunRounds(1, mesh.triangleCount, out, true, progress, context);
}

int FinishArrange(Arrangement& out, ArrangeProgress progress, void* context)
{
    if (!out.unchecked) {
        return kArranged;
    }
    out.unchecked = false;
    const int code = RunRounds(2, 0, out, false, progress, context);
    out.changed = WorkArray<uint8_t>{};
    return code;
}

bool SettleIfClean(Arrangement& out, const TRIANGLE* kept, uint32_t keptCount)
{
    if (!out.unchecked) {
        return false;
    }
    if (!OutputIsClean(out, kept, keptCount)) {
        return false;
    }
    out.unchecked = false;
    out.changed = WorkArray<uint8_t>{};
    ++out.rounds;  // this check in place of the next round
    out.resolved = true;
    return true;
}

int Arrange(const MeshRecord& mesh, Arrangement& out, ArrangeProgress progress, void* context)
{
    const int code = ArrangeFirstRound(mesh, out, progress, context);
    return code == kArranged ? FinishArrange(out, progress, context) : code;
}

}  // namespace meshaudit::arrangement
