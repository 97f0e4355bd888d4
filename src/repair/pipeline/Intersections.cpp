// 10: intersections resolved. The arrangement (arrangement/Arrangement.h)
// splits every triangle that meets another where they meet; when every
// shell is closed, the union (arrangement/Union.h) keeps the faces between
// the outside and the inside. Both work on the output of the other steps,
// since they add points, which the work mesh (input points only) cannot
// hold. Shells of the union may touch along an edge or at a point where the
// overlapping solids did, so steps 2 to 9 run once more on the result.
#include "repair/arrangement/Arrangement.h"
#include "repair/arrangement/Union.h"
#include "repair/pipeline/Steps.h"

#include <algorithm>
#include <new>
#include <numeric>

namespace meshaudit::pipeline {

namespace {

uint32_t Find(std::vector<uint32_t>& parent, uint32_t x)
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
    std::vector<uint32_t> parent(arranged.points.size());
    std::iota(parent.begin(), parent.end(), 0u);
    for (const arrangement::Segment& s : arranged.segments) {
        parent[Find(parent, s.from)] = Find(parent, s.to);
    }
    // Curves numbered by their first segment.
    std::vector<uint32_t> curveOf(arranged.points.size(), UINT32_MAX);
    std::vector<RepairLog::IntersectionCurve> curves;
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

uint32_t PointsInUse(const RepairResult& r)
{
    std::vector<uint8_t> used(r.points.size(), 0);
    for (const TRIANGLE& t : r.triangles) {
        used[t.a] = used[t.b] = used[t.c] = 1;
    }
    return static_cast<uint32_t>(std::count(used.begin(), used.end(), uint8_t{1}));
}

}  // namespace

void ResolveIntersections(const RepairRequest& request, RepairResult& out)
{
    RepairLog& log = out.log;
    RepairLog::StepSummary& summary = log.steps[static_cast<uint32_t>(RepairStep::ResolveIntersections)];
    summary.ran = true;
    summary.trianglesBefore = summary.trianglesAfter = static_cast<uint32_t>(out.triangles.size());
    summary.pointsBefore = summary.pointsAfter = PointsInUse(out);
    if (out.triangles.empty()) {
        return;
    }
    const MeshRecord record{out.points.data(), static_cast<uint32_t>(out.points.size()), out.triangles.data(),
                            static_cast<uint32_t>(out.triangles.size())};
    arrangement::Arrangement arranged;
    const int code = arrangement::Arrange(record, arranged);
    if (code == arrangement::kArrangeTooLarge) {
        throw std::bad_alloc();
    }
    RepairLog::Intersections& x = log.intersections;
    x.rounds = arranged.rounds;
    // A corner that is not finite (step 1 not asked for) leaves the
    // question open: nothing is changed.
    x.found = code == arrangement::kArranged && !arranged.segments.empty();
    if (!x.found) {
        return;
    }
    x.curves = Curves(arranged, out.triangleFrom);
    if (!arranged.resolved) {
        x.left = arranged.unresolved.size();
        return;
    }
    arrangement::UnionResult united;
    const int unite = arrangement::Unite(arranged.points.data(), static_cast<uint32_t>(arranged.points.size()),
                                         arranged.triangles.data(), static_cast<uint32_t>(arranged.triangles.size()),
                                         united);
    if (unite == arrangement::kUniteNoMemory) {
        throw std::bad_alloc();
    }
    x.resolved = true;
    x.united = unite == arrangement::kUniteOk && united.closed;
    std::vector<TRIANGLE> kept = x.united ? std::move(united.triangles) : arranged.triangles;
    std::vector<uint32_t> piece(kept.size());
    if (x.united) {
        piece = std::move(united.triangleFrom);
    } else {
        std::iota(piece.begin(), piece.end(), 0u);
    }
    const uint32_t before = static_cast<uint32_t>(out.points.size());
    x.pointsAdded = static_cast<uint32_t>(arranged.points.size()) - before;
    std::vector<uint8_t> split(out.triangles.size(), 0);
    for (const arrangement::Segment& s : arranged.segments) {
        split[s.triA] = split[s.triB] = 1;
    }
    x.trianglesSplit = static_cast<uint32_t>(std::count(split.begin(), split.end(), uint8_t{1}));
    x.trianglesInside = static_cast<uint32_t>(arranged.triangles.size() - kept.size());
    summary.changes = x.trianglesSplit + x.trianglesInside;

    // The second pass of steps 2 to 9, on exact coordinates only: a
    // tolerance could move points and make pieces meet again.
    RepairRequest again = request;
    again.steps &= ~(StepBit(RepairStep::NonFinite) | StepBit(RepairStep::ResolveIntersections));
    again.tolerance = 0.0;
    const MeshRecord result{arranged.points.data(), static_cast<uint32_t>(arranged.points.size()), kept.data(),
                            static_cast<uint32_t>(kept.size())};
    RepairResult second;
    const int32_t code2 = repair(result, again, second);
    if (code2 != 1) {
        throw std::bad_alloc();  // the arrangement's output is a valid record: only memory can fail
    }
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
    summary.trianglesAfter = static_cast<uint32_t>(out.triangles.size());
    summary.pointsAfter = PointsInUse(out);
}

}  // namespace meshaudit::pipeline
