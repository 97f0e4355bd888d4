// Step 5, last: pieces that still touch at one place once every fan has a
// point of its own. Parting gave each fan its own point, but the copies keep
// their coordinates, so two shells that meet at a point (a mirrored copy set
// against its original) still share a place: duplicated points, and
// triangles that touch. No point may move, so one fan there is cut away
// instead and its rim closed the way step 8 closes a hole; the fill is kept
// only where it meets nothing (exact test), so the cut never opens a hole
// nor makes a crossing. What goes is the material between the fan and its
// rim's fill, next to the point.
//
// Cuts whose fans or rims share a point wait for the next round, where the
// places are taken again. So does the other choice at a place whose cut
// could not be filled: a point resting on a flat face, whose fan's fill
// would lie in the face, through the point; the resting piece's fan is cut
// then.
#include "repair/arrangement/MeetBeyond.h"
#include "repair/arrangement/PlaneProjection.h"
#include "repair/pipeline/EdgeSides.h"
#include "repair/pipeline/EqualCoordinates.h"
#include "repair/pipeline/HoleTriangulation.h"
#include "repair/pipeline/Steps.h"

#include <algorithm>
#include <array>

namespace meshaudit::pipeline {

namespace {

// The fan at point p (the triangles `fan`) as the loop of its rim, the way
// the fan's triangles run it, each corner with the side of the triangle
// across the rim beyond the fan; empty unless the fan is a closed disk whose
// rim edges have exactly one triangle each beyond it, both running them
// consistently.
WorkArray<LoopCorner> Rim(const WorkMesh& mesh, uint32_t p, const uint32_t* fan, uint32_t count)
{
    const EdgeSides& sides = mesh.Sides();
    // Per rim edge: its start, its end, the side across it.
    WorkArray<std::array<uint32_t, 3>> edges;
    for (uint32_t k = 0; k < count; ++k) {
        const uint32_t t = fan[k];
        const uint32_t at = CornerAt(mesh.triangles[t], p);
        const uint32_t side = t * 3 + (at + 1) % 3;
        const uint32_t group = sides.GroupOf(side);
        if (group == kNone || sides.Size(group) != 2) {
            return {};
        }
        const uint32_t across = sides.Sides(group)[sides.Sides(group)[0] == side ? 1 : 0];
        const uint32_t u = SideStart(mesh.triangles, side), v = SideEnd(mesh.triangles, side);
        const TRIANGLE& beyond = mesh.triangles[across / 3];
        if (SideStart(mesh.triangles, across) != v || beyond.a == p || beyond.b == p || beyond.c == p) {
            return {};
        }
        edges.push_back({u, v, across});
    }
    std::sort(edges.begin(), edges.end());
    for (size_t k = 1; k < edges.size(); ++k) {
        if (edges[k][0] == edges[k - 1][0]) {
            return {};
        }
    }
    WorkArray<LoopCorner> rim;
    size_t at = 0;
    do {
        rim.push_back({edges[at][0], edges[at][2]});
        const uint32_t next = edges[at][1];
        const auto it = std::lower_bound(edges.begin(), edges.end(), std::array<uint32_t, 3>{next, 0, 0});
        if (it == edges.end() || (*it)[0] != next) {
            return {};
        }
        at = static_cast<size_t>(it - edges.begin());
    } while (at != 0 && rim.size() <= edges.size());
    if (rim.size() != edges.size()) {
        return {};  // the rim closes before every edge is on it: not one disk
    }
    return rim;
}

struct Cut {
    uint32_t point, place;
    WorkArray<LoopCorner> rim;
};

// Whether the fans of points p and q, at one place, meet beyond it: two of
// their triangles at the same three places, or whose faces meet beyond the
// place or the edge they share (exact). Then the pieces overlap or lie
// against each other there, and the union of step 10 joins them instead:
// cutting a fan would take away material the union keeps (a box's corner
// where a cylinder's rim touches it, its cap lying on the box's face). The
// caller tests at most kMostPairs pairs of triangles at a place, and takes
// the fans beyond that to meet nothing: the test never costs more than a
// bounded amount per place.
constexpr uint64_t kMostPairs = 4096;
bool FansMeet(const WorkMesh& mesh, const WorkArray<uint32_t>& place, const uint32_t* fanP, uint32_t countP,
              const uint32_t* fanQ, uint32_t countQ)
{
    const auto face = [&](uint32_t t, arrangement::Face& f) {
        const TRIANGLE& tri = mesh.triangles[t];
        for (uint32_t k = 0; k < 3; ++k) {
            const uint32_t p = Corner(tri, k);
            f.c[k] = mesh.Point(p);
            f.id[k] = place[p] == kNone ? p : place[p];
        }
        return arrangement::ProjectionAxes(f.c, f.i, f.j);
    };
    arrangement::Face a{}, b{};
    for (uint32_t x = 0; x < countP; ++x) {
        if (!face(fanP[x], a)) {
            continue;
        }
        for (uint32_t y = 0; y < countQ; ++y) {
            if (!face(fanQ[y], b)) {
                continue;
            }
            uint32_t shared = 0;
            for (uint32_t u = 0; u < 3; ++u) {
                for (uint32_t v = 0; v < 3; ++v) {
                    shared += a.id[u] == b.id[v] ? 1 : 0;
                }
            }
            if (shared == 3 || (shared != 0 && arrangement::MeetBeyondShared(a, b))) {
                return true;
            }
        }
    }
    return false;
}

// The cuts of one round: per place with more than one point, every closed
// fan but the one kept, unless a cut already taken shares a point with it.
// The fan kept is the one that cannot be cut (it reaches a border), else
// the one on the shell of fewest triangles (`shellSize` by point), the
// first point's among equals: a small piece set against a body (a
// tetrahedron on its point) keeps its shape, and the body loses a cap.
// Where that failed once (`failed` by place: the fill met something, as a
// flat face's fill meets the point that rests on it) the largest shell's
// fan is kept instead, the last point's among equals; where both failed,
// the place is left. `deferred` tells whether a cut waits for the next
// round.
//
// With `uniteAhead` (step 10 to come), a place whose fans meet beyond it
// (FansMeet) is left to the union.
WorkArray<Cut> ChooseCuts(const WorkMesh& mesh, const WorkArray<uint32_t>& place, const WorkArray<uint32_t>& first,
                          const WorkArray<uint32_t>& fans, const WorkArray<uint32_t>& shellSize,
                          const WorkArray<uint8_t>& failed, bool uniteAhead, bool& deferred)
{
    WorkArray<std::array<uint32_t, 2>> shared;  // place, point
    {
        WorkArray<uint32_t> count(mesh.PointCount(), 0);
        for (uint32_t p = 0; p < place.size(); ++p) {
            if (place[p] != kNone) {
                ++count[place[p]];
            }
        }
        for (uint32_t p = 0; p < place.size(); ++p) {
            if (place[p] != kNone && count[place[p]] > 1) {
                shared.push_back({place[p], p});
            }
        }
    }
    std::sort(shared.begin(), shared.end());
    WorkArray<uint8_t> busy(mesh.PointCount(), 0);
    WorkArray<Cut> cuts;
    WorkArray<Cut> here;
    for (size_t begin = 0, end = 0; begin < shared.size(); begin = end) {
        while (end < shared.size() && shared[end][0] == shared[begin][0]) {
            ++end;
        }
        here.clear();
        const uint32_t at = shared[begin][0];
        if (failed[at] > 1) {
            continue;
        }
        uint32_t openCount = 0;
        for (size_t k = begin; k < end; ++k) {
            const uint32_t p = shared[k][1];
            WorkArray<LoopCorner> rim = Rim(mesh, p, fans.data() + first[p], first[p + 1] - first[p]);
            if (rim.empty()) {
                ++openCount;
            } else {
                here.push_back({p, at, std::move(rim)});
            }
        }
        if (openCount > 1) {
            continue;  // two fans that cannot be cut would still touch
        }
        bool meet = false;
        uint64_t tested = 0;
        for (size_t k = begin; uniteAhead && !meet && tested <= kMostPairs && k < end; ++k) {
            for (size_t l = k + 1; !meet && l < end; ++l) {
                const uint32_t p = shared[k][1], q = shared[l][1];
                const uint32_t countP = first[p + 1] - first[p], countQ = first[q + 1] - first[q];
                tested += uint64_t{countP} * countQ;
                if (tested > kMostPairs) {
                    break;
                }
                meet = FansMeet(mesh, place, fans.data() + first[p], countP, fans.data() + first[q], countQ);
            }
        }
        if (meet) {
            continue;
        }
        size_t kept = here.size();
        if (openCount == 0) {
            kept = 0;
            for (size_t k = 1; k < here.size(); ++k) {
                const uint32_t size = shellSize[here[k].point], keptSize = shellSize[here[kept].point];
                kept = (failed[at] == 0 ? size < keptSize : size >= keptSize) ? k : kept;
            }
        }
        for (size_t k = 0; k < here.size(); ++k) {
            if (k == kept) {
                continue;
            }
            Cut& cut = here[k];
            const auto taken = [&](uint32_t q) { return busy[q] != 0; };
            if (taken(cut.point) || std::any_of(cut.rim.begin(), cut.rim.end(),
                                                [&](const LoopCorner& c) { return taken(c.point); })) {
                deferred = true;
                continue;
            }
            busy[cut.point] = 1;
            for (const LoopCorner& c : cut.rim) {
                busy[c.point] = 1;
            }
            cuts.push_back(std::move(cut));
        }
    }
    return cuts;
}

// One round of cuts; the triangles cut. `again` tells whether another
// round may cut more: a cut deferred, or a place whose first choice failed.
uint32_t CutRound(WorkMesh& mesh, uint32_t exactHoleEdges, bool uniteAhead, WorkArray<uint8_t>& failed, bool& again)
{
    bool apart = true;
    const WorkArray<uint32_t> place = Places(mesh, apart);
    if (apart) {
        return 0;
    }
    // The triangles at each point, by a counting sort.
    const uint32_t pointCount = mesh.PointCount();
    WorkArray<uint32_t> first(static_cast<size_t>(pointCount) + 1, 0);
    for (const TRIANGLE& t : mesh.triangles) {
        ++first[t.a + 1];
        ++first[t.b + 1];
        ++first[t.c + 1];
    }
    for (uint32_t p = 0; p < pointCount; ++p) {
        first[p + 1] += first[p];
    }
    WorkArray<uint32_t> fans(mesh.triangles.size() * 3);
    {
        WorkArray<uint32_t> fill(first.begin(), first.end() - 1);
        for (uint32_t t = 0; t < mesh.triangles.size(); ++t) {
            for (uint32_t i = 0; i < 3; ++i) {
                fans[fill[Corner(mesh.triangles[t], i)]++] = t;
            }
        }
    }
    // The size of the shell of each point's first triangle.
    WorkArray<uint32_t> shellSize(pointCount, 0);
    {
        uint32_t shells = 0;
        const WorkArray<uint32_t> shellOf = ShellLabels(mesh, shells);
        WorkArray<uint32_t> size(shells, 0);
        for (const uint32_t s : shellOf) {
            ++size[s];
        }
        for (uint32_t p = 0; p < pointCount; ++p) {
            if (first[p] != first[p + 1]) {
                shellSize[p] = size[shellOf[fans[first[p]]]];
            }
        }
    }
    failed.resize(pointCount, 0);
    WorkArray<Cut> cuts = ChooseCuts(mesh, place, first, fans, shellSize, failed, uniteAhead, again);
    if (cuts.empty()) {
        return 0;
    }
    WorkArray<uint8_t> leaving(mesh.triangles.size(), 0);
    WorkArray<WorkArray<LoopCorner>> rims;
    for (Cut& cut : cuts) {
        for (uint32_t k = first[cut.point]; k < first[cut.point + 1]; ++k) {
            leaving[fans[k]] = 1;
        }
        rims.push_back(std::move(cut.rim));
    }
    const WorkArray<LoopFill> fills = FillLoops(mesh, rims, exactHoleEdges, leaving);
    WorkArray<uint8_t> reasons(mesh.triangles.size(), WorkMesh::kKeep);
    uint32_t count = 0;
    // A place counts one failure a round however many of its cuts failed:
    // with three pieces or more, two failed cuts must not skip the other
    // choice.
    WorkArray<uint32_t> failedHere;
    for (size_t k = 0; k < cuts.size(); ++k) {
        if (fills[k].outcome != HoleOutcome::Filled) {
            failedHere.push_back(cuts[k].place);
            continue;
        }
        const uint32_t p = cuts[k].point;
        for (uint32_t j = first[p]; j < first[p + 1]; ++j) {
            reasons[fans[j]] = static_cast<uint8_t>(DropReason::TouchingFan);
        }
        count += first[p + 1] - first[p];
        RepairLog::CutFan logged{mesh.Origin(p), {}, {}};
        for (const LoopCorner& c : rims[k]) {
            logged.rim.push_back(mesh.Origin(c.point));
        }
        for (const TRIANGLE& t : fills[k].triangles) {
            logged.added.push_back(TRIANGLE{mesh.Origin(t.a), mesh.Origin(t.b), mesh.Origin(t.c)});
        }
        mesh.log.cutFans.push_back(std::move(logged));
    }
    std::sort(failedHere.begin(), failedHere.end());
    failedHere.erase(std::unique(failedHere.begin(), failedHere.end()), failedHere.end());
    for (const uint32_t at : failedHere) {
        failed[at] = static_cast<uint8_t>(std::min(failed[at] + 1, 2));
        again |= failed[at] == 1;
    }
    if (count == 0) {
        return 0;
    }
    mesh.DropTriangles(reasons);
    size_t adding = 0;
    for (size_t k = 0; k < cuts.size(); ++k) {
        adding += fills[k].triangles.size();
    }
    mesh.ReserveTriangles(adding);
    for (size_t k = 0; k < cuts.size(); ++k) {
        for (const TRIANGLE& t : fills[k].triangles) {
            mesh.AddTriangle(t, kAddedTriangle, t);
        }
    }
    return count;
}

}  // namespace

uint32_t CutTouchingFans(WorkMesh& mesh, uint32_t exactHoleEdges, bool uniteAhead, uint32_t& added)
{
    uint32_t count = 0;
    const size_t before = mesh.log.cutFans.size();
    // Another round only for cuts that waited or a choice to try again;
    // a few suffice for shells meeting at points.
    WorkArray<uint8_t> failed;
    for (int round = 0; round < 8; ++round) {
        bool again = false;
        count += CutRound(mesh, exactHoleEdges, uniteAhead, failed, again);
        if (!again) {
            break;
        }
    }
    for (size_t k = before; k < mesh.log.cutFans.size(); ++k) {
        added += static_cast<uint32_t>(mesh.log.cutFans[k].added.size());
    }
    return count;
}

}  // namespace meshaudit::pipeline
