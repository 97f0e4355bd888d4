// 10: intersections resolved. The arrangement (arrangement/Arrangement.h)
// splits every triangle that meets another where they meet; when every
// shell is closed, the union (arrangement/Union.h) keeps the faces between
// the outside and the inside. Both work on the output of the other steps,
// since they add points, which the work mesh (input points only) cannot
// hold. Shells of the union may touch along an edge or at a point where the
// overlapping solids did, so steps 2 to 9 run once more on the result.
#include "repair/arrangement/Arrangement.h"
#include "analysis/LocationList.h"
#include "containers/BitVector.h"
#include "containers/FlatMap.h"
#include "containers/MixBits.h"
#include "containers/WorkArray.h"
#include "geometry/IntersectingPairs.h"
#include "geometry/TriAabbTree.h"
#include "repair/arrangement/ArrangeCheck.h"
#include "repair/arrangement/JoinedPlaces.h"
#include "repair/arrangement/Union.h"
#include "repair/pipeline/EqualCoordinates.h"
#include "repair/pipeline/ShortEdges.h"
#include "repair/pipeline/Steps.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <numeric>
#include <optional>

namespace meshaudit::pipeline {

namespace {

using arrangement::ArrangeCheck;
using arrangement::CheckArrangement;

uint32_t Find(WorkArray<uint32_t>& parent, uint32_t x)
{
    while (parent[x] != x) {
        parent[x] = parent[parent[x]];
        x = parent[x];
    }
    return x;
}

// The segments joined at their ends into curves, each with the pairs of
// triangles that meet along it, in the input's numbering (`inputOf`).
std::vector<RepairLog::IntersectionCurve> Curves(const arrangement::Arrangement& arranged,
                                                 const std::vector<uint32_t>& inputOf)
{
    WorkArray<uint32_t> parent(arranged.points.size());
    std::iota(parent.begin(), parent.end(), 0u);
    for (const arrangement::Segment& s : arranged.segments) {
        parent[Find(parent, s.from)] = Find(parent, s.to);
    }
    // Curves numbered by their first segment.
    WorkArray<uint32_t> curveOf(arranged.points.size(), UINT32_MAX);
    std::vector<RepairLog::IntersectionCurve> curves;  // the log's
    for (const arrangement::Segment& s : arranged.segments) {
        uint32_t& c = curveOf[Find(parent, s.from)];
        if (c == UINT32_MAX) {
            c = static_cast<uint32_t>(curves.size());
            curves.emplace_back();
        }
        const uint32_t a = inputOf[s.triA], b = inputOf[s.triB];
        curves[c].pairs.emplace_back(std::min(a, b), std::max(a, b));
        ++curves[c].segments;
    }
    for (RepairLog::IntersectionCurve& curve : curves) {
        std::sort(curve.pairs.begin(), curve.pairs.end());
        curve.pairs.erase(std::unique(curve.pairs.begin(), curve.pairs.end()), curve.pairs.end());
    }
    return curves;
}

// A column of cells, by its x and y, as a hash key.
struct Column {
    int64_t x, y;
    bool operator==(const Column& o) const { return x == o.x && y == o.y; }
};
struct ColumnHash {
    size_t operator()(const Column& c) const
    {
        return static_cast<size_t>(MixBits(static_cast<uint64_t>(c.x) ^ MixBits(static_cast<uint64_t>(c.y))));
    }
};
constexpr uint32_t kEnd = FlatMap<Column, ColumnHash>::kNone;

// A new point within a few rounding steps of another point is made that
// point (an input point first, else the first new one): two exact points
// that close round to neighbouring doubles and would leave an edge a unit
// in the last place long, which no check of the result accepts. Moving it
// by that much may make pieces meet; the next round resolves them. Points
// in cells of that size, each new one compared with those in the 27 cells
// around it. Returns how many were moved.
uint32_t SnapNewPoints(const WorkArray<T3DVECF>& points, uint32_t firstNew, WorkArray<TRIANGLE>& triangles)
{
    double largest = 0.0;
    for (const T3DVECF& p : points) {
        largest = std::max({largest, std::abs(p.x), std::abs(p.y), std::abs(p.z)});
    }
    if (largest == 0.0 || firstNew == points.size()) {
        return 0;
    }
    const double step = 4.0 * (std::nextafter(largest, HUGE_VAL) - largest);
    const auto cellOf = [step](const T3DVECF& p) {
        return std::array<int64_t, 3>{static_cast<int64_t>(std::floor(p.x / step)),
                                      static_cast<int64_t>(std::floor(p.y / step)),
                                      static_cast<int64_t>(std::floor(p.z / step))};
    };
    // The points of each column of cells (x and y), chained from the first
    // one the column's hash entry names: the nine columns around a point
    // are nine probes, in time linear in the points (sorting them by cell,
    // and searching the sorted array, cost more than the rest).
    FlatMap<Column, ColumnHash> columns;
    columns.Reserve(points.size());
    WorkArray<uint32_t> chained(points.size(), kEnd);
    WorkArray<int64_t> layer(points.size());
    for (uint32_t p = 0; p < points.size(); ++p) {
        const std::array<int64_t, 3> c = cellOf(points[p]);
        layer[p] = c[2];
        const auto [head, added] = columns.Emplace(Column{c[0], c[1]}, p);
        if (!added) {
            chained[p] = chained[head];
            chained[head] = p;
        }
    }
    WorkArray<uint32_t> into(points.size());
    std::iota(into.begin(), into.end(), 0u);
    uint32_t moved = 0;
    for (uint32_t p = firstNew; p < points.size(); ++p) {
        const std::array<int64_t, 3> c = cellOf(points[p]);
        uint32_t best = p;
        for (int64_t dx = -1; dx <= 1; ++dx) {
            for (int64_t dy = -1; dy <= 1; ++dy) {
                // The smallest point that stays, of those close by: the
                // order of the chain does not matter.
                for (uint32_t q = columns.Find(Column{c[0] + dx, c[1] + dy}); q != kEnd; q = chained[q]) {
                    if (layer[q] < c[2] - 1 || layer[q] > c[2] + 1) {
                        continue;
                    }
                    const T3DVECF& a = points[p];
                    const T3DVECF& b = points[q];
                    const bool close =
                        std::abs(a.x - b.x) <= step && std::abs(a.y - b.y) <= step && std::abs(a.z - b.z) <= step;
                    // Only towards a point that stays: an input point, or
                    // a new one before this one that was not moved.
                    if (close && q < best && into[q] == q) {
                        best = q;
                    }
                }
            }
        }
        into[p] = best;
        moved += best != p ? 1 : 0;
    }
    for (TRIANGLE& t : triangles) {
        t = TRIANGLE{into[t.a], into[t.b], into[t.c]};
    }
    return moved;
}

// The `closed` profile's duplicate distance, as a fraction of the bounding
// box's diagonal.
constexpr double kShortFraction = 1e-6;

double Diagonal(const WorkArray<T3DVECF>& points)
{
    if (points.empty()) {
        return 0.0;
    }
    T3DVECF lo = points[0];
    T3DVECF hi = points[0];
    for (const T3DVECF& p : points) {
        lo = T3DVECF{std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = T3DVECF{std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    return std::hypot(hi.x - lo.x, hi.y - lo.y, hi.z - lo.z);
}

uint32_t PointsInUse(const RepairResult& r)
{
    WorkArray<uint8_t> used(r.points.size(), 0);
    for (const TRIANGLE& t : r.triangles) {
        used[t.a] = used[t.b] = used[t.c] = 1;
    }
    return static_cast<uint32_t>(std::count(used.begin(), used.end(), uint8_t{1}));
}

// Whether the arrangement's triangles are `input`'s: the same corners at
// the same places, in the same turn.
bool SameTriangles(const MeshRecord& input, const arrangement::Arrangement& arranged)
{
    if (arranged.points.size() != input.pointCount || arranged.triangles.size() != input.triangleCount) {
        return false;
    }
    for (uint32_t t = 0; t < input.triangleCount; ++t) {
        const TRIANGLE& a = arranged.triangles[t];
        const TRIANGLE& b = input.triangles[t];
        const T3DVECF p[3] = {arranged.points[a.a], arranged.points[a.b], arranged.points[a.c]};
        const T3DVECF q[3] = {input.points[b.a], input.points[b.b], input.points[b.c]};
        bool rotated = false;  // the same corners in the same turn, from any of them
        for (int r = 0; r < 3 && !rotated; ++r) {
            rotated = SamePlace(p[r], q[0]) && SamePlace(p[(r + 1) % 3], q[1]) && SamePlace(p[(r + 2) % 3], q[2]);
        }
        if (!rotated) {
            return false;
        }
    }
    return true;
}

// arrangement::Unite on an arranged output (`triangles` naming `points`);
// only memory failures throw.
//
// Rounding can put every corner of a piece at one place, or two of them
// (a new point rounded onto an input point or onto another new one), and
// the union takes no triangle without area. The arrangement's checks take
// points of equal coordinates as one, so with them joined the output is a
// proper complex, and a piece that then repeats a point is a sliver of no
// area whose sides cancel (a to b and b to a): without it the shells close
// as before. So when the union refuses the output, it is taken again with
// points joined and those pieces left out; its triangles name the first
// point at each place, and come from the arranged triangles as before.
int UniteArranged(const WorkArray<T3DVECF>& points, const WorkArray<TRIANGLE>& triangles,
                  arrangement::UnionResult& united)
{
    const auto pointCount = static_cast<uint32_t>(points.size());
    int unite = arrangement::Unite(points.data(), pointCount, triangles.data(),
                                   static_cast<uint32_t>(triangles.size()), united);
    WorkArray<TRIANGLE> joined;
    WorkArray<uint32_t> from;
    const bool anyJoined = unite == arrangement::kUniteBadInput &&
                           arrangement::JoinEqualPlaces(points.data(), pointCount,
                                                        triangles.data(),
                                                        static_cast<uint32_t>(triangles.size()), joined,
                                                        from) > 0;
    if (anyJoined) {
        unite = arrangement::Unite(points.data(), pointCount, joined.data(),
                                   static_cast<uint32_t>(joined.size()), united);
        for (uint32_t& t : united.triangleFrom) {
            t = from[t];
        }
    }
    // Rounding can also put three distinct corners of a piece on one line,
    // the middle one on the long side of the pieces across it. Step 3 takes
    // such a piece away as it does in any mesh: the pieces across the long
    // side split at the middle corner, which lies on that side exactly, so
    // nothing moves and the shells close as before.
    if (unite == arrangement::kUniteBadInput) {
        const MeshRecord record{const_cast<T3DVECF*>(points.data()), pointCount,
                                anyJoined ? joined.data() : const_cast<TRIANGLE*>(triangles.data()),
                                static_cast<uint32_t>(anyJoined ? joined.size() : triangles.size())};
        RepairLog scratch;
        WorkMesh mesh(record, scratch);
        RemoveDegenerate(mesh);
        unite = arrangement::Unite(points.data(), pointCount, mesh.triangles.data(),
                                   static_cast<uint32_t>(mesh.triangles.size()), united);
        for (uint32_t& t : united.triangleFrom) {
            t = anyJoined ? from[mesh.from[t]] : mesh.from[t];
        }
    }
    if (unite == arrangement::kUniteNoMemory) {
        throw std::bad_alloc();
    }
    return unite;
}

// The faces kept, as they are written: new points a few units in the last
// place from another one joined to it (SnapNewPoints), and edges of the
// union far below the mesh's detail, from a curve next to a corner,
// collapsed (ShortEdges.h) at the length under which the checks take two
// points for duplicates. Points from `firstNew` on are new. Returns how
// many points were moved.
uint32_t TidyKept(const WorkArray<T3DVECF>& points, uint32_t firstNew, WorkArray<TRIANGLE>& kept)
{
    const uint32_t snapped = SnapNewPoints(points, firstNew, kept);
    return snapped + CollapseShortEdges(points, firstNew, kShortFraction * Diagonal(points), kept);
}

// The union of a first round's output whose union failed and whose later
// rounds did not settle: with every new point a few units in the last
// place from another point joined to it (SnapNewPoints), as the kept faces
// will be written. Where parts were drawn a unit in the last place apart
// (cylinders' rims next to another part's faces, from the rounding of cos
// and sin), the exact arrangement holds pieces far narrower than the
// rounding; rounded, they fold, and each round's pieces cross more than the
// last's. Joined, those pieces are gone. Kept only when the faces the union
// keeps pass the check (SettleIfClean), which then marks `first`
// resolved; `united` is then the union, its faces as written. Points from
// `firstNew` on are new.
bool SnapAndUnite(uint32_t firstNew, arrangement::Arrangement& first, arrangement::UnionResult& united)
{
    WorkArray<TRIANGLE> snapped = first.triangles;
    if (SnapNewPoints(first.points, firstNew, snapped) == 0) {
        return false;
    }
    arrangement::UnionResult trial;
    if (UniteArranged(first.points, snapped, trial) != arrangement::kUniteOk || !trial.closed) {
        return false;
    }
    TidyKept(first.points, firstNew, trial.triangles);
    if (!SettleIfClean(first, trial.triangles.data(), static_cast<uint32_t>(trial.triangles.size()))) {
        return false;
    }
    united = std::move(trial);
    return true;
}

// Arranges `record` and, when that changed it (`same` false) and left
// nothing in contact, unites the output: `unite` its code (kUniteBadInput
// when not tried), `united` the union. Where the union closes, it is taken
// before the arrangement's check, and only the faces it keeps are checked
// (Arrangement.h, SettleIfClean): the rest of the arrangement runs only
// when they meet something. `checked` tells whether united.triangles are
// exactly the faces that check found clean.
int ArrangeAndUnite(const MeshRecord& record, arrangement::Arrangement& arranged, bool& same,
                    arrangement::UnionResult& united, int& unite, bool& checked)
{
    unite = arrangement::kUniteBadInput;
    checked = false;
    int code = arrangement::ArrangeFirstRound(record, arranged);
    // A round that only named points by others of equal coordinates may
    // leave the triangles as they were: then they are kept as a whole, so
    // checked whole.
    same = code == arrangement::kArranged && SameTriangles(record, arranged);
    if (code == arrangement::kArranged && arranged.unchecked && !same) {
        unite = UniteArranged(arranged.points, arranged.triangles, united);
        if (unite == arrangement::kUniteOk && united.closed) {
            if (SettleIfClean(arranged, united.triangles.data(), static_cast<uint32_t>(united.triangles.size()))) {
                checked = true;
                return code;
            }
            // A piece a unit or two in the last place wide, between two
            // rounded points, is clean to the exact checks but not always
            // to the library's search. That search projects a triangle lying
            // in another's plane along the largest component of the other's
            // normal, computed in doubles; for such a sliver every component
            // can round to zero, and the projection folds it onto a line
            // that its neighbours' edges cross. The faces kept as they will
            // be written, those edges collapsed, may then pass where the
            // arranged ones did not.
            WorkArray<TRIANGLE> tidied = united.triangles;
            if (TidyKept(arranged.points, record.pointCount, tidied) > 0 &&
                SettleIfClean(arranged, tidied.data(), static_cast<uint32_t>(tidied.size()))) {
                united.triangles = std::move(tidied);
                checked = true;
                return code;
            }
        }
    }
    // Kept for SnapAndUnite below, when the rounds that follow fail.
    std::optional<arrangement::Arrangement> first;
    if (code == arrangement::kArranged && arranged.unchecked && !same && unite != arrangement::kUniteOk) {
        first = arranged;
    }
    if (code == arrangement::kArranged && arranged.unchecked) {
        code = arrangement::FinishArrange(arranged);
        same = code == arrangement::kArranged && SameTriangles(record, arranged);
        unite = arrangement::kUniteBadInput;
    }
    if (code == arrangement::kArranged && arranged.resolved && !same) {
        unite = UniteArranged(arranged.points, arranged.triangles, united);
    }
    const bool done = code == arrangement::kArranged && arranged.resolved && unite == arrangement::kUniteOk &&
                      united.closed;
    if (first && !done && SnapAndUnite(record.pointCount, *first, united)) {
        arranged = std::move(*first);
        checked = true;
        same = false;
        unite = arrangement::kUniteOk;
        code = arrangement::kArranged;
    }
    return code;
}

// The pairs of triangles that the library's own search finds meeting.
// Copies of one point, which step 5 makes so that each fan has its own, are
// one point to the arrangement but two to that search, which tells points
// by their index: pieces that touch only at such copies are clean to the
// one and meet for the other, and only the second may be called resolved.
uint64_t PairsMeetingByIndex(const MeshRecord& record)
{
    C3DTriAABBTree tree;
    CBitVector marked;
    LocationList pairs;
    pairs.Open(2, 0);
    if (tree.Build(record, TriLeaves::Wide, TreeSorts::Small) != 1 ||
        MarkIntersectingPairs(&tree, &tree, marked, &pairs) != 1 || pairs.Failed()) {
        throw std::bad_alloc();  // the record is whole: only memory can fail
    }
    return pairs.Total();
}

// Whether the second pass left `kept` as it was (`second` its output, still
// in kept's numbering): the same triangles in the same order, each corner
// the point at the same place, the used points only renumbered where unused
// ones went, one for one. A copy of a point that step 5 made to part two
// fans is not: it stands where its original does, under another index. The
// check of the arrangement depends only on the places of the used points
// and on which triangles name which, so what it found on `kept` holds for
// `second`, and the next round need not run it again.
bool KeptAsChecked(const MeshRecord& kept, const RepairResult& second)
{
    if (second.triangles.size() != kept.triangleCount) {
        return false;
    }
    WorkArray<uint32_t> now(kept.pointCount, kNone);  // by kept point, the output point that is it
    for (uint32_t t = 0; t < kept.triangleCount; ++t) {
        const TRIANGLE& out = second.triangles[t];
        const TRIANGLE& was = kept.triangles[t];
        if (second.triangleFrom[t] != t) {
            return false;
        }
        const uint32_t corners[3][2] = {{out.a, was.a}, {out.b, was.b}, {out.c, was.c}};
        for (const auto& [p, q] : corners) {
            if (second.pointFrom[p] != q || !SamePlace(second.points[p], kept.points[q]) ||
                (now[q] != kNone && now[q] != p)) {
                return false;
            }
            now[q] = p;
        }
    }
    return true;
}

// One round: false when nothing changed. `last` is the check the round ran
// on the mesh it was given; `saved` receives that mesh, with its log, the
// first time a round changes it. `clean` says, on the way in, that the
// mesh is already known to pass that check, and on the way out, that the
// round's output is (see KeptAsChecked).
bool ResolveOnce(const RepairRequest& request, RepairResult& out, ArrangeCheck& last,
                 std::optional<RepairResult>& saved, bool& clean)
{
    const bool knownClean = clean;
    clean = false;
    RepairLog& log = out.log;
    RepairLog::StepSummary& summary = log.steps[static_cast<uint32_t>(RepairStep::ResolveIntersections)];
    if (out.triangles.empty()) {
        return false;
    }
    const MeshRecord record{out.points.data(), static_cast<uint32_t>(out.points.size()), out.triangles.data(),
                            static_cast<uint32_t>(out.triangles.size())};
    RepairLog::Intersections& x = log.intersections;
    const ArrangeCheck check = knownClean ? ArrangeCheck::Clean : CheckArrangement(record);
    last = check;
    if (check == ArrangeCheck::Crowded) {
        // Not arranged: whether anything meets is left open, and said.
        x.crowded = true;
        x.resolved = false;
        return false;
    }
    if (check == ArrangeCheck::Clean || check == ArrangeCheck::CleanJoined) {
        // What the arrangement gives such a mesh: its triangles at the same
        // places, resolved, in one round or, joining points, two.
        x.rounds += check == ArrangeCheck::Clean ? 1 : 2;
        x.resolved = x.found;
        return false;
    }
    arrangement::Arrangement arranged;
    arrangement::UnionResult united;
    int unite = arrangement::kUniteBadInput;
    bool same = false;
    bool checked = false;
    const int code = ArrangeAndUnite(record, arranged, same, united, unite, checked);
    if (code == arrangement::kArrangeTooLarge) {
        throw std::bad_alloc();
    }
    x.rounds += arranged.rounds;
    if (code == arrangement::kArrangeOutOfRange) {
        // Pieces in contact, but coordinates beyond what the arrangement
        // takes on: not arranged, and said.
        x.outOfRange = true;
        x.resolved = false;
        return false;
    }
    // A corner that is not finite (step 1 not asked for) leaves the
    // question open: nothing is changed.
    // Coplanar overlaps change triangles without a segment of crossing, so
    // what met is told by what changed: new points, or triangles with
    // other corners. Pieces that only touch where their points have equal
    // coordinates (copies that step 5 made, so that each fan has its own)
    // are joined by the arrangement into one point, and parted again by
    // step 5: that is no change.
    if (code != arrangement::kArranged || (same && arranged.resolved)) {
        x.resolved = x.found && code == arrangement::kArranged;
        return false;
    }
    x.found = true;
    std::vector<RepairLog::IntersectionCurve> curves = Curves(arranged, out.triangleFrom);
    x.curves.insert(x.curves.end(), curves.begin(), curves.end());
    if (!arranged.resolved) {
        x.resolved = false;
        x.tooMany = arranged.tooMany;
        x.left = arranged.unresolved.size();
        return false;
    }
    const bool unitedNow = unite == arrangement::kUniteOk && united.closed;
    // Sheets split where they cross share the edges along the curves, four
    // triangles on each; steps 5 and 6 would part them there again, cutting
    // each sheet along its curves, and the pieces would touch. So an open
    // surface is split only when those steps are not asked for.
    const uint32_t parting = StepBit(RepairStep::NonManifold) | StepBit(RepairStep::Stitch);
    if (!unitedNow && (request.steps & parting) != 0) {
        // Not united: a shell is open, or the union refused the pieces.
        x.open = unite == arrangement::kUniteOk;
        x.unionRefused = unite != arrangement::kUniteOk;
        x.resolved = false;
        x.left = arranged.segments.size();
        return false;
    }
    if (!saved) {
        saved = out;
    }
    x.resolved = true;
    x.united = x.united || unitedNow;
    WorkArray<TRIANGLE> kept = unitedNow ? std::move(united.triangles) : arranged.triangles;
    WorkArray<uint32_t> piece(kept.size());
    if (unitedNow) {
        piece = std::move(united.triangleFrom);
    } else {
        std::iota(piece.begin(), piece.end(), 0u);
    }
    const uint32_t before = static_cast<uint32_t>(out.points.size());
    x.pointsAdded += static_cast<uint32_t>(arranged.points.size()) - before;
    WorkArray<uint8_t> split(out.triangles.size(), 0);
    for (const arrangement::Segment& s : arranged.segments) {
        split[s.triA] = split[s.triB] = 1;
    }
    const auto splitNow = static_cast<uint32_t>(std::count(split.begin(), split.end(), uint8_t{1}));
    const auto insideNow = static_cast<uint32_t>(arranged.triangles.size() - kept.size());
    x.trianglesSplit += splitNow;
    x.trianglesInside += insideNow;
    summary.changes += splitNow + insideNow;

    if (kept.empty()) {
        // Nothing bounds the union (inside-out shells alone): no triangle
        // is left, and no point is used.
        if ((request.steps & StepBit(RepairStep::UnusedPoints)) != 0) {
            log.droppedPoints.insert(log.droppedPoints.end(), out.pointFrom.begin(), out.pointFrom.end());
            std::sort(log.droppedPoints.begin(), log.droppedPoints.end());
            log.steps[static_cast<uint32_t>(RepairStep::UnusedPoints)].changes +=
                static_cast<uint32_t>(out.points.size());
            out.points.clear();
            out.pointFrom.clear();
        }
        out.triangles.clear();
        out.triangleFrom.clear();
        return true;
    }
    checked = TidyKept(arranged.points, before, kept) == 0 && checked;
    // The second pass of steps 2 to 9, with the tolerance asked for: the
    // new points too are merged with points that close (which may make
    // pieces meet again: the next round resolves them).
    RepairRequest again = request;
    again.steps &= ~(StepBit(RepairStep::NonFinite) | StepBit(RepairStep::ResolveIntersections));
    const MeshRecord result{arranged.points.data(), static_cast<uint32_t>(arranged.points.size()), kept.data(),
                            static_cast<uint32_t>(kept.size())};
    RepairResult second;
    const int32_t code2 = repair(result, again, second);
    if (code2 != 1) {
        throw std::bad_alloc();  // the arrangement's output is a valid record: only memory can fail
    }
    clean = checked && KeptAsChecked(result, second);
    // Back to the input's numbering: a point of the result is one of `out`
    // (then its input point) or new; a triangle is a piece of one of
    // `out`'s triangles, or one the second pass added.
    for (uint32_t& p : second.pointFrom) {
        p = p < before ? out.pointFrom[p] : kAddedPoint;
    }
    for (uint32_t& t : second.triangleFrom) {
        t = t == kAddedTriangle ? kAddedTriangle : out.triangleFrom[arranged.triangleFrom[piece[t]]];
    }
    for (uint32_t k = 0; k < kRepairStepCount; ++k) {
        if (k != static_cast<uint32_t>(RepairStep::ResolveIntersections)) {
            log.steps[k].changes += second.log.steps[k].changes;
        }
    }
    // Input points the union left inside, now unused.
    for (uint32_t p : second.log.droppedPoints) {
        if (p < before) {
            log.droppedPoints.push_back(out.pointFrom[p]);
        }
    }
    std::sort(log.droppedPoints.begin(), log.droppedPoints.end());
    out.points = std::move(second.points);
    out.triangles = std::move(second.triangles);
    out.pointFrom = std::move(second.pointFrom);
    out.triangleFrom = std::move(second.triangleFrom);
    return true;
}

}  // namespace

void ResolveIntersections(const RepairRequest& request, RepairResult& out)
{
    RepairLog::StepSummary& summary = out.log.steps[static_cast<uint32_t>(RepairStep::ResolveIntersections)];
    summary.ran = true;
    summary.trianglesBefore = static_cast<uint32_t>(out.triangles.size());
    summary.pointsBefore = PointsInUse(out);
    // The second pass may join pieces that then meet (points merged, holes
    // filled between shells now closed): rounds until one finds nothing to
    // resolve, at most kRounds, so that a repair of the result as a rule
    // changes nothing. The bound ends the loop whatever the mesh.
    constexpr int kRounds = 4;
    bool changed = true;
    ArrangeCheck last = ArrangeCheck::Unknown;
    std::optional<RepairResult> before;
    bool clean = false;
    for (int round = 0; round < kRounds && changed; ++round) {
        changed = ResolveOnce(request, out, last, before, clean);
    }
    RepairLog::Intersections& x = out.log.intersections;
    if (changed) {
        // The last round changed the mesh: whether anything still meets.
        const MeshRecord record{out.points.data(), static_cast<uint32_t>(out.points.size()), out.triangles.data(),
                                static_cast<uint32_t>(out.triangles.size())};
        arrangement::Arrangement check;
        last = clean ? ArrangeCheck::Clean : CheckArrangement(record);
        x.crowded = last == ArrangeCheck::Crowded;
        if (last != ArrangeCheck::Clean && last != ArrangeCheck::CleanJoined &&
            (last == ArrangeCheck::Crowded || arrangement::Arrange(record, check) != arrangement::kArranged ||
             !check.segments.empty())) {
            x.resolved = false;
            x.left = check.segments.size();
        }
    }
    if (before && x.resolved && last == ArrangeCheck::CleanJoined) {
        const MeshRecord record{out.points.data(), static_cast<uint32_t>(out.points.size()), out.triangles.data(),
                                static_cast<uint32_t>(out.triangles.size())};
        x.left = PairsMeetingByIndex(record);
        x.resolved = x.left == 0;
    }
    if (before && !x.resolved) {
        // What the rounds made still meets: none of it is kept, the mesh is
        // the one the step was given, and the log says what was found.
        RepairLog::Intersections found = std::move(x);
        out = std::move(*before);
        RepairLog::Intersections& kept = out.log.intersections;
        kept.found = true;
        kept.resolved = false;
        kept.crowded = found.crowded;
        kept.tooMany = found.tooMany;
        kept.outOfRange = found.outOfRange;
        kept.open = found.open;
        kept.unionRefused = found.unionRefused;
        kept.rounds = found.rounds;
        kept.left = found.left;
        kept.curves = std::move(found.curves);
    }
    summary.trianglesAfter = static_cast<uint32_t>(out.triangles.size());
    summary.pointsAfter = PointsInUse(out);
}

}  // namespace meshaudit::pipeline
