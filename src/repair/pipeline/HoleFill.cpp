// Step 8: holes filled. Every loop is triangulated on its own; then every
// new triangle is tested against the mesh near the fills and against the
// other new triangles, and a fill with a triangle that meets anything is
// withdrawn whole: a hole left open is better than a surface that crosses
// itself. Step 5 closes the rims of the fans it cuts the same way.
#include "repair/pipeline/EqualCoordinates.h"
#include "repair/pipeline/HoleLoops.h"
#include "repair/pipeline/HoleTriangulation.h"
#include "repair/pipeline/Steps.h"
#include "repair/pipeline/TriangleProbe.h"

#include <algorithm>
#include <cmath>

namespace meshaudit::pipeline {

namespace {

std::vector<uint32_t> Origins(const WorkMesh& mesh, const WorkArray<LoopCorner>& loop)
{
    std::vector<uint32_t> points;  // the log's, which the caller owns
    for (const LoopCorner& c : loop) {
        points.push_back(mesh.Origin(c.point));
    }
    return points;
}

// The edges and triangles of the mesh among the places of the loops.
Existing AmongLoops(const WorkMesh& mesh, const WorkArray<WorkArray<LoopCorner>>& loops)
{
    Existing existing;
    bool apart = true;
    existing.place = Places(mesh, apart);
    if (apart) {
        existing.place.clear();
    }
    WorkArray<uint8_t> onLoop(mesh.PointCount(), 0);
    for (const auto& loop : loops) {
        for (const LoopCorner& c : loop) {
            onLoop[existing.Place(c.point)] = 1;
        }
    }
    for (const TRIANGLE& tri : mesh.triangles) {
        const TRIANGLE t{existing.Place(tri.a), existing.Place(tri.b), existing.Place(tri.c)};
        for (uint32_t i = 0; i < 3; ++i) {
            const uint32_t u = Corner(t, i), v = Corner(t, (i + 1) % 3);
            if (onLoop[u] != 0 && onLoop[v] != 0) {
                existing.edges.push_back(Existing::EdgeKey(u, v));
            }
        }
        if (onLoop[t.a] != 0 && onLoop[t.b] != 0 && onLoop[t.c] != 0) {
            std::array<uint32_t, 3> key{t.a, t.b, t.c};
            std::sort(key.begin(), key.end());
            existing.triangles.push_back(key);
        }
    }
    std::sort(existing.edges.begin(), existing.edges.end());
    existing.edges.erase(std::unique(existing.edges.begin(), existing.edges.end()), existing.edges.end());
    std::sort(existing.triangles.begin(), existing.triangles.end());
    return existing;
}

}  // namespace

WorkArray<LoopFill> FillLoops(WorkMesh& mesh, const WorkArray<WorkArray<LoopCorner>>& loops,
                              uint32_t exactHoleEdges, const WorkArray<uint8_t>& leaving)
{
    const Existing existing = AmongLoops(mesh, loops);
    WorkArray<LoopFill> fills(loops.size());
    WorkArray<TRIANGLE> added;
    C3DAABB near;
    WorkArray<C3DAABB> fillBoxes;  // one per fill with triangles
    for (size_t h = 0; h < loops.size(); ++h) {
        fills[h].triangles = TriangulateLoop(mesh, loops[h], existing, exactHoleEdges);
        C3DAABB own;
        for (const TRIANGLE& t : fills[h].triangles) {
            added.push_back(t);
            for (uint32_t i = 0; i < 3; ++i) {
                own.Extend(mesh.Point(Corner(t, i)));
                near.Extend(mesh.Point(Corner(t, i)));
            }
        }
        if (!fills[h].triangles.empty()) {
            fillBoxes.push_back(own);
        }
    }
    // Only the mesh triangles whose boxes meet a fill's box can meet one of
    // its triangles. Holes spread over a mesh make the box of all fills
    // the mesh's own, and the probe a tree of every triangle; so with up to
    // kFewFills fills each fill's box is asked (that many tests per
    // triangle at most), with more the box of all.
    constexpr size_t kFewFills = 8;
    if (fillBoxes.size() > kFewFills) {
        fillBoxes.assign(1, near);
    }
    WorkArray<TRIANGLE> nearby;
    for (uint32_t k = 0; k < mesh.triangles.size(); ++k) {
        if (!leaving.empty() && leaving[k] != 0) {
            continue;
        }
        const TRIANGLE& t = mesh.triangles[k];
        C3DAABB box;
        for (uint32_t i = 0; i < 3; ++i) {
            box.Extend(mesh.Point(Corner(t, i)));
        }
        if (std::any_of(fillBoxes.begin(), fillBoxes.end(),
                        [&box](const C3DAABB& fill) { return ClassifyBoxes(box, fill) != '0'; })) {
            nearby.push_back(t);
        }
    }
    const MeshRecord record = mesh.Record();
    const TriangleProbe meshProbe(record.points, nearby);
    nearby = {};
    const TriangleProbe fillProbe(record.points, added);
    for (LoopFill& fill : fills) {
        if (fill.triangles.empty()) {
            fill.outcome = HoleOutcome::Degenerate;
        } else if (std::any_of(fill.triangles.begin(), fill.triangles.end(),
                               [&](const TRIANGLE& t) { return meshProbe.Meets(t) || fillProbe.Meets(t); })) {
            fill.outcome = HoleOutcome::Intersecting;
            fill.triangles.clear();
        }
    }
    return fills;
}

uint32_t FillHoles(WorkMesh& mesh, uint32_t exactHoleEdges, bool& touching)
{
    touching = false;
    const BorderLoops found = FindBorderLoops(mesh);
    for (const auto& chain : found.chains) {
        mesh.log.holes.push_back({Origins(mesh, chain), {}, HoleOutcome::NotALoop});
    }
    if (found.loops.empty()) {
        return 0;
    }
    const WorkArray<LoopFill> fills = FillLoops(mesh, found.loops, exactHoleEdges, {});
    uint32_t count = 0;
    size_t adding = 0;
    for (const LoopFill& fill : fills) {
        adding += fill.outcome == HoleOutcome::Filled ? fill.triangles.size() : 0;
    }
    mesh.ReserveTriangles(adding);
    WorkArray<uint8_t> filledAt(mesh.PointCount(), 0);
    for (size_t h = 0; h < found.loops.size(); ++h) {
        RepairLog::Hole hole{Origins(mesh, found.loops[h]), {}, fills[h].outcome};
        if (fills[h].outcome == HoleOutcome::Filled) {
            for (const LoopCorner& c : found.loops[h]) {
                touching |= filledAt[c.point] != 0;
                filledAt[c.point] = 1;
            }
            for (const TRIANGLE& t : fills[h].triangles) {
                mesh.AddTriangle(t, kAddedTriangle, t);
                hole.added.push_back(TRIANGLE{mesh.Origin(t.a), mesh.Origin(t.b), mesh.Origin(t.c)});
            }
            count += static_cast<uint32_t>(fills[h].triangles.size());
        }
        mesh.log.holes.push_back(std::move(hole));
    }
    return count;
}

}  // namespace meshaudit::pipeline
