// Step 7: orientation. First each shell is made consistent: a walk from
// its first triangle across the edges of exactly two triangles flips every
// triangle that runs a shared edge the same way as the one it was reached
// from (a shell where the walk meets itself the other way round cannot be
// oriented, and keeps the walk's answer). Then closed shells are turned to
// face the right way for their nesting, by the exact volume signs and
// depths of solids(). Closed shells whose boxes neither lie within
// another's nor hold one (one shell alone, a body and its stray debris,
// copies set side by side, touching or crossing) have no nesting to find:
// where their volumes' signs in doubles are certain (as nearly always)
// they are turned by those signs, and solids() and its searches are run on
// the others alone.
#include "meshaudit_solid.hpp"
#include "containers/BitVector.h"
#include "geometry/IntersectingPairs.h"
#include "geometry/TriAabbTree.h"
#include "repair/pipeline/BoxNesting.h"
#include "repair/pipeline/EdgeSides.h"
#include "repair/pipeline/Steps.h"
#include "repair/pipeline/VolumeSign.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace meshaudit::pipeline {

void OrientConsistently(WorkMesh& mesh)
{
    const auto count = static_cast<uint32_t>(mesh.triangles.size());
    mesh.flipped.resize(count, 0);
    WorkArray<uint8_t> flip(count, 0), seen(count, 0);
    {
        const EdgeSides& sides = mesh.Sides();
        // The start of a side once its triangle's flip is applied.
        const auto start = [&](uint32_t side) {
            return flip[side / 3] != 0 ? SideEnd(mesh.triangles, side) : SideStart(mesh.triangles, side);
        };
        WorkArray<uint32_t> queue;
        for (uint32_t seed = 0; seed < count; ++seed) {
            if (seen[seed] != 0) {
                continue;
            }
            seen[seed] = 1;
            queue.assign(1, seed);
            while (!queue.empty()) {
                const uint32_t t = queue.back();
                queue.pop_back();
                for (uint32_t side = t * 3; side < t * 3 + 3; ++side) {
                    const uint32_t g = sides.GroupOf(side);
                    if (g == kNone || sides.Size(g) != 2) {
                        continue;
                    }
                    const uint32_t other = sides.Sides(g)[0] == side ? sides.Sides(g)[1] : sides.Sides(g)[0];
                    const uint32_t n = other / 3;
                    if (seen[n] == 0) {
                        seen[n] = 1;
                        flip[n] = start(side) == SideStart(mesh.triangles, other) ? 1 : 0;
                        queue.push_back(n);
                    }
                }
            }
        }
    }
    for (uint32_t t = 0; t < count; ++t) {
        if (flip[t] != 0) {
            mesh.Flip(t);
        }
    }
}

namespace {

// Per shell (`shellOf` labels the mesh's triangles): the box of its
// corners, and in `finite` 1 when every coordinate of them is finite (the
// box then leaves the NaNs out).
WorkArray<NestBox> ShellBoxes(const WorkMesh& mesh, const WorkArray<uint32_t>& shellOf, uint32_t shellCount,
                              WorkArray<uint8_t>& finite)
{
    WorkArray<NestBox> boxes(shellCount, NestBox{{HUGE_VAL, HUGE_VAL, HUGE_VAL}, {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL}});
    finite.assign(shellCount, 1);
    for (uint32_t t = 0; t < mesh.triangles.size(); ++t) {
        NestBox& box = boxes[shellOf[t]];
        const TRIANGLE& tri = mesh.triangles[t];
        for (const uint32_t p : {tri.a, tri.b, tri.c}) {
            const T3DVECF& c = mesh.Point(p);
            const double xyz[3] = {c.x, c.y, c.z};
            for (int a = 0; a < 3; ++a) {
                finite[shellOf[t]] &= std::isfinite(xyz[a]) ? 1 : 0;
                box.lo[a] = std::min(box.lo[a], xyz[a]);
                box.hi[a] = std::max(box.hi[a], xyz[a]);
            }
        }
    }
    return boxes;
}

// Closed shells (`closed`, their triangles) whose boxes neither lie within
// another's nor hold one (a box on another's side counted within) are at
// depth 0 in solids(), and hold no shell: a shell S is at a depth above 0
// only inside a shell U that it neither crosses nor touches (a shell paired
// with S is not counted around it); S is connected, so it then lies wholly
// in U's inside, and its box within U's. Each such shell must enclose a
// positive volume, and the ones that enclose a negative volume are turned
// here. The shells left to solids() are marked in `judged`: those whose
// boxes nest, and those whose volume's sign doubles leave open. Their
// depths are the same among themselves alone, since every shell around one
// of them is one of them. A shell that runs an edge twice the same way, or
// shares it among more than two triangles, has no inside (`inside` 0), and
// solids() leaves it; so does this. Returns false, having changed nothing,
// where every shell is left to solids(): a coordinate that is not finite,
// or boxes so crowded that the search for nesting ones gives up.
bool TurnUnnestedShells(WorkMesh& mesh, const WorkArray<uint32_t>& shellOf, uint32_t shellCount,
                        const WorkArray<NestBox>& shellBox, const WorkArray<uint8_t>& finite,
                        const WorkArray<uint32_t>& closed, const WorkArray<uint8_t>& inside,
                        WorkArray<uint8_t>& judged)
{
    WorkArray<uint32_t> first(size_t{shellCount} + 1, 0);
    for (const uint32_t t : closed) {
        ++first[shellOf[t] + 1];
    }
    for (uint32_t s = 0; s < shellCount; ++s) {
        first[s + 1] += first[s];
    }
    WorkArray<uint32_t> byShell(closed.size());
    {
        WorkArray<uint32_t> next(first.begin(), first.end() - 1);
        for (const uint32_t t : closed) {
            byShell[next[shellOf[t]]++] = t;
        }
    }
    WorkArray<NestBox> boxes;
    WorkArray<uint32_t> shells;
    for (uint32_t s = 0; s < shellCount; ++s) {
        if (first[s] == first[s + 1]) {
            continue;
        }
        if (finite[s] == 0) {
            return false;
        }
        boxes.push_back(shellBox[s]);
        shells.push_back(s);
    }
    WorkArray<uint8_t> nests;
    if (!MarkNestingBoxes(boxes, nests)) {
        return false;
    }
    judged.assign(shellCount, 0);
    WorkArray<int8_t> sign(shellCount, 0);
    for (size_t k = 0; k < shells.size(); ++k) {
        const uint32_t s = shells[k];
        if (nests[k] != 0) {
            judged[s] = 1;
        } else if (inside[s] != 0) {
            sign[s] = CertainVolumeSign(mesh, std::span(byShell.data() + first[s], first[s + 1] - first[s]));
            judged[s] = sign[s] == 0 ? 1 : 0;
        }
    }
    for (const uint32_t t : closed) {
        if (sign[shellOf[t]] < 0) {
            mesh.Flip(t);
        }
    }
    return true;
}

// Per shell (`shellOf` labels the triangles of `record`, `box` their
// shells' boxes): for those `asked` marks, 1 when a triangle of it meets a
// triangle of another shell, by the library's search with the pairs within
// one shell left out. Only the shells whose boxes meet an asked one's take
// part, found by comparing every box with every asked one when that costs
// no more than a few tests per triangle (a few nested parts among many, as
// in a plate of overlapping objects), else all do.
WorkArray<uint8_t> ShellsMeetingOthers(const MeshRecord& record, const WorkArray<uint32_t>& shellOf,
                                       const WorkArray<NestBox>& box, const WorkArray<uint8_t>& asked)
{
    const auto shellCount = static_cast<uint32_t>(box.size());
    WorkArray<uint32_t> askedShells;
    for (uint32_t s = 0; s < shellCount; ++s) {
        if (asked[s] != 0) {
            askedShells.push_back(s);
        }
    }
    WorkArray<uint8_t> near(shellCount, 1);
    if (uint64_t{askedShells.size()} * shellCount <= 4 * uint64_t{record.triangleCount}) {
        for (uint32_t s = 0; s < shellCount; ++s) {
            near[s] = std::any_of(askedShells.begin(), askedShells.end(), [&](uint32_t a) {
                for (int d = 0; d < 3; ++d) {
                    if (box[s].lo[d] > box[a].hi[d] || box[a].lo[d] > box[s].hi[d]) {
                        return false;
                    }
                }
                return true;
            }) ? 1 : 0;
        }
    }
    WorkArray<TRIANGLE> triangles;
    WorkArray<uint32_t> groups;
    for (uint32_t t = 0; t < record.triangleCount; ++t) {
        if (near[shellOf[t]] != 0) {
            triangles.push_back(record.triangles[t]);
            groups.push_back(shellOf[t]);
        }
    }
    const MeshRecord part{record.points, record.pointCount, triangles.data(), static_cast<uint32_t>(triangles.size())};
    C3DTriAABBTree tree;
    CBitVector marked;
    if (tree.Build(part) != 1 || MarkIntersectingPairs(&tree, &tree, marked, nullptr, groups.data()) != 1) {
        throw std::bad_alloc();  // the record is whole: only memory can fail
    }
    WorkArray<uint8_t> meets(shellCount, 0);
    for (uint32_t t = 0; t < part.triangleCount; ++t) {
        meets[groups[t]] |= marked.IsSet(t) ? 1 : 0;
    }
    return meets;
}

}  // namespace

void OrientOutward(WorkMesh& mesh, bool keepInnerSolids, bool uniteAhead)
{
    // Only closed shells have a volume, and only they nest: solids() is
    // given those alone, and not called at all when there are none.
    uint32_t shellCount = 0;
    const WorkArray<uint32_t> shellOf = ShellLabels(mesh, shellCount);
    // Per shell: whether an edge has one side (open), and whether every
    // edge has two sides running opposite ways (an inside).
    WorkArray<uint8_t> open(shellCount, 0), inside(shellCount, 1);
    const EdgeSides& sides = mesh.Sides();
    for (uint32_t g = 0; g < sides.GroupCount(); ++g) {
        const uint32_t s = sides.Sides(g)[0];
        open[shellOf[s / 3]] |= sides.Size(g) == 1 ? 1 : 0;
        if (sides.Size(g) != 2 || SideStart(mesh.triangles, s) == SideStart(mesh.triangles, sides.Sides(g)[1])) {
            inside[shellOf[s / 3]] = 0;
        }
    }
    WorkArray<uint32_t> closed;
    for (uint32_t t = 0; t < mesh.triangles.size(); ++t) {
        if (open[shellOf[t]] == 0) {
            closed.push_back(t);
        }
    }
    if (closed.empty()) {
        return;
    }
    WorkArray<uint8_t> finite;
    const WorkArray<NestBox> shellBox = ShellBoxes(mesh, shellOf, shellCount, finite);
    WorkArray<uint8_t> judged;
    if (TurnUnnestedShells(mesh, shellOf, shellCount, shellBox, finite, closed, inside, judged)) {
        std::erase_if(closed, [&](uint32_t t) { return judged[shellOf[t]] == 0; });
        if (closed.empty()) {
            return;
        }
    }
    WorkArray<TRIANGLE> triangles;
    triangles.reserve(closed.size());
    for (const uint32_t t : closed) {
        triangles.push_back(mesh.triangles[t]);
    }
    MeshRecord record = mesh.Record();
    record.triangles = triangles.data();
    record.triangleCount = static_cast<uint32_t>(triangles.size());
    Solids solid;
    const int32_t code = meshaudit::solids(record, SolidRequest{}, solid);
    if (code == -6) {
        throw std::bad_alloc();
    }
    if (code != 1 || solid.insideOut.empty()) {
        return;
    }
    // A shell inside another that faces outward, as a solid does, is taken
    // for a void facing the wrong way, and turned. Not when the union is to
    // come and it, or the shell around it, meets another shell: then they
    // are overlapping parts (a pin through a plate, or held in a boss that
    // crosses the plate), and the union joins it as the solid it says it
    // is; turned, the union would cut it out of the part around it.
    const auto solidAtOddDepth = [&solid](uint32_t s) {
        return solid.depth[s] % 2 == 1 && solid.volumeSign[s] > 0;
    };
    // Whether those shells and the shells around them meet another shell of
    // the mesh (the shells left out of `record` too: those that overlap
    // them side by side).
    WorkArray<uint8_t> meets;
    if (uniteAhead && std::any_of(solid.insideOut.begin(), solid.insideOut.end(), solidAtOddDepth)) {
        WorkArray<uint8_t> need(solid.shellCount, 0);
        for (const uint32_t s : solid.insideOut) {
            if (solidAtOddDepth(s)) {
                need[s] = 1;
                if (solid.parent[s] != kNoShell) {
                    need[solid.parent[s]] = 1;
                }
            }
        }
        WorkArray<uint8_t> asked(shellCount, 0);
        for (uint32_t k = 0; k < closed.size(); ++k) {
            asked[shellOf[closed[k]]] |= need[solid.shellOf[k]];
        }
        const WorkArray<uint8_t> meshMeets = ShellsMeetingOthers(mesh.Record(), shellOf, shellBox, asked);
        meets.assign(solid.shellCount, 0);
        for (uint32_t k = 0; k < closed.size(); ++k) {
            meets[solid.shellOf[k]] = meshMeets[shellOf[closed[k]]];
        }
    }
    WorkArray<uint8_t> turn(solid.shellCount, 0);
    for (const uint32_t s : solid.insideOut) {
        const bool amongParts =
            !meets.empty() && (meets[s] != 0 || (solid.parent[s] != kNoShell && meets[solid.parent[s]] != 0));
        const bool innerSolid = solidAtOddDepth(s) && (keepInnerSolids || amongParts);
        turn[s] = solid.manifold[s] != 0 && solid.volumeSign[s] != 0 && !innerSolid ? 1 : 0;
    }
    for (uint32_t k = 0; k < closed.size(); ++k) {
        if (turn[solid.shellOf[k]] != 0) {
            mesh.Flip(closed[k]);
        }
    }
}

uint32_t LogFlips(WorkMesh& mesh)
{
    uint32_t shellCount = 0, flips = 0;
    mesh.flipped.resize(mesh.triangles.size(), 0);
    const WorkArray<uint32_t> shellOf = ShellLabels(mesh, shellCount);
    WorkArray<uint32_t> entry(shellCount, kNone);
    for (uint32_t t = 0; t < mesh.triangles.size(); ++t) {
        if (mesh.flipped[t] == 0 || mesh.from[t] == kAddedTriangle) {
            continue;
        }
        uint32_t& e = entry[shellOf[t]];
        if (e == kNone) {
            e = static_cast<uint32_t>(mesh.log.flippedShells.size());
            mesh.log.flippedShells.emplace_back();
        }
        mesh.log.flippedShells[e].triangles.push_back(mesh.from[t]);
        ++flips;
    }
    for (RepairLog::FlippedShell& shell : mesh.log.flippedShells) {
        std::sort(shell.triangles.begin(), shell.triangles.end());
    }
    mesh.flipped = {};
    return flips;
}

}  // namespace meshaudit::pipeline
