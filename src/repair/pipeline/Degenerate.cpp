// Step 3: triangles that repeat a point, and triangles of zero area, gone
// without opening a hole.
//
// Three corners on one line (an exact test: the orientation of the corners
// is zero in each coordinate plane) make one of two shapes. Two corners at
// one place: their side is collapsed, the two points merged, which moves
// nothing and takes the triangles on that side with it. Three distinct
// places: one corner lies between the others, on the long side, and every
// triangle across that side is split in two at it; the zero-area triangle
// then covers nothing that the halves do not, and goes.
//
// Splits run in rounds: a round builds the side groups once and takes the
// degenerate triangles in order, each whose points no earlier operation of
// the round touched, so that the groups it reads are still true. A long
// side whose far triangles are themselves of zero area waits for a later
// round; what is left after kRounds, or when a round does nothing, is
// dropped.
#include "containers/Keys.h"
#include "geometry/Predicates.h"
#include "repair/pipeline/EdgeSides.h"
#include "repair/pipeline/EqualCoordinates.h"
#include "repair/pipeline/Forest.h"
#include "repair/pipeline/Steps.h"

#include <utility>

namespace meshaudit::pipeline {

namespace {

constexpr uint32_t kRounds = 32;
// A long side with more triangles across it than this is a book: dropped.
constexpr uint32_t kMostSplits = 8;

bool Collinear(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c)
{
    const double ab[2][3][2] = {{{a.x, a.y}, {b.x, b.y}, {c.x, c.y}}, {{a.y, a.z}, {b.y, b.z}, {c.y, c.z}}};
    const double zx[3][2] = {{a.z, a.x}, {b.z, b.x}, {c.z, c.x}};
    return Orient2DSign(ab[0][0], ab[0][1], ab[0][2]) == 0 && Orient2DSign(ab[1][0], ab[1][1], ab[1][2]) == 0 &&
           Orient2DSign(zx[0], zx[1], zx[2]) == 0;
}

bool Degenerate(const WorkMesh& mesh, const TRIANGLE& t)
{
    const T3DVECF &a = mesh.Point(t.a), &b = mesh.Point(t.b), &c = mesh.Point(t.c);
    return IsFinite(a) && IsFinite(b) && IsFinite(c) && Collinear(a, b, c);
}

// The corner between the other two, of three collinear distinct points:
// along an axis on which they differ, all three differ.
uint32_t MiddleCorner(const WorkMesh& mesh, const TRIANGLE& t)
{
    const T3DVECF* p[3] = {&mesh.Point(t.a), &mesh.Point(t.b), &mesh.Point(t.c)};
    for (int axis = 0; axis < 3; ++axis) {
        const auto at = [&](int i) { return axis == 0 ? p[i]->x : axis == 1 ? p[i]->y : p[i]->z; };
        if (at(0) == at(1)) {
            continue;
        }
        for (uint32_t i = 0; i < 3; ++i) {
            const double v = at(static_cast<int>(i)), u = at(static_cast<int>((i + 1) % 3)),
                         w = at(static_cast<int>((i + 2) % 3));
            if ((u < v && v < w) || (w < v && v < u)) {
                return i;
            }
        }
    }
    return 0;
}

// Drops the triangles that repeat a point, and collapses the zero-length
// sides of zero-area triangles. Returns whether it changed the mesh; when
// it did not, `degenerate` lists the zero-area triangles in order, which
// the rounds of splits would otherwise find again.
bool CollapseAndDropRepeats(WorkMesh& mesh, WorkArray<uint32_t>& degenerate)
{
    WorkArray<uint8_t> reasons(mesh.triangles.size(), WorkMesh::kKeep);
    bool dropAny = false, collapseAny = false;
    Forest* forest = nullptr;
    Forest storage(0);
    for (size_t t = 0; t < mesh.triangles.size(); ++t) {
        const TRIANGLE& tri = mesh.triangles[t];
        if (RepeatsPoint(tri)) {
            reasons[t] = static_cast<uint8_t>(DropReason::RepeatedPoint);
            dropAny = true;
            continue;
        }
        if (!Degenerate(mesh, tri)) {
            continue;
        }
        degenerate.push_back(static_cast<uint32_t>(t));
        for (uint32_t i = 0; i < 3; ++i) {
            const uint32_t p = Corner(tri, i), q = Corner(tri, (i + 1) % 3);
            if (SamePlace(mesh.Point(p), mesh.Point(q))) {
                if (forest == nullptr) {
                    storage = Forest(mesh.PointCount());
                    forest = &storage;
                }
                collapseAny |= forest->Join(p, q);
            }
        }
    }
    if (collapseAny) {
        for (uint32_t p = 0; p < mesh.PointCount(); ++p) {
            if (forest->Root(p) != p) {
                mesh.Merge(p, forest->Root(p), RepairStep::Degenerate);
            }
        }
        mesh.TrianglesChanged();
        for (size_t t = 0; t < mesh.triangles.size(); ++t) {
            TRIANGLE& tri = mesh.triangles[t];
            tri = TRIANGLE{forest->Root(tri.a), forest->Root(tri.b), forest->Root(tri.c)};
            if (reasons[t] == WorkMesh::kKeep && RepeatsPoint(tri)) {
                reasons[t] = static_cast<uint8_t>(DropReason::ZeroArea);
                dropAny = true;
            }
        }
    }
    if (dropAny) {
        mesh.DropTriangles(reasons);
    }
    return collapseAny || dropAny;
}

// One round of splits; false when it changed nothing. Degenerate triangles
// it could not settle stay.
bool SplitRound(WorkMesh& mesh, const WorkArray<uint32_t>& degenerate, WorkArray<uint8_t>& isDegenerate)
{
    const EdgeSides sides(mesh.triangles, mesh.PointCount());
    WorkArray<uint8_t> busy(mesh.PointCount(), 0);
    WorkArray<uint8_t> reasons(mesh.triangles.size(), WorkMesh::kKeep);
    bool progress = false;
    for (const uint32_t t : degenerate) {
        const TRIANGLE tri = mesh.triangles[t];
        if (busy[tri.a] != 0 || busy[tri.b] != 0 || busy[tri.c] != 0) {
            continue;
        }
        const uint32_t m = MiddleCorner(mesh, tri), j = (m + 1) % 3;
        const uint32_t group = sides.GroupOf(t * 3 + j);
        const uint32_t* across = sides.Sides(group);
        const uint32_t count = sides.Size(group);
        // A copy of the triangle (its three points, either way round) lies
        // on the same line: it goes with it rather than wait for it, which
        // would leave both to be dropped and the crack they closed open.
        const auto copy = [&tri](const TRIANGLE& u) {
            const auto has = [&u](uint32_t p) { return u.a == p || u.b == p || u.c == p; };
            return has(tri.a) && has(tri.b) && has(tri.c);
        };
        bool ready = count <= kMostSplits + 1;
        for (uint32_t k = 0; k < count && ready; ++k) {
            const uint32_t n = across[k] / 3;
            const TRIANGLE& far = mesh.triangles[n];
            ready = n == t || copy(far) || (isDegenerate[n] == 0 && busy[Corner(far, (across[k] % 3 + 2) % 3)] == 0);
        }
        if (!ready) {
            continue;
        }
        const uint32_t c = Corner(tri, m);
        for (uint32_t k = 0; k < count; ++k) {
            const uint32_t n = across[k] / 3, i = across[k] % 3;
            if (n == t || copy(mesh.triangles[n])) {
                reasons[n] = static_cast<uint8_t>(DropReason::ZeroArea);
                continue;
            }
            // The far triangle (p, q, d), p and q the long side's ends, as
            // (p, c, d) in its place and (c, q, d) added: its orientation kept.
            const TRIANGLE far = mesh.triangles[n], farNamed = mesh.named[n];
            const uint32_t p = Corner(far, i), q = Corner(far, (i + 1) % 3), d = Corner(far, (i + 2) % 3);
            const uint32_t namedC = Corner(mesh.named[t], m);
            mesh.TrianglesChanged();
            mesh.triangles[n] = TRIANGLE{p, c, d};
            mesh.named[n] = TRIANGLE{Corner(farNamed, i), namedC, Corner(farNamed, (i + 2) % 3)};
            mesh.AddTriangle(TRIANGLE{c, q, d}, mesh.from[n],
                             TRIANGLE{namedC, Corner(farNamed, (i + 1) % 3), Corner(farNamed, (i + 2) % 3)});
            mesh.log.sideSplits.push_back({mesh.from[t], mesh.from[n], mesh.Origin(c)});
            busy[d] = 1;
        }
        busy[tri.a] = busy[tri.b] = busy[tri.c] = 1;
        reasons[t] = static_cast<uint8_t>(DropReason::ZeroArea);
        progress = true;
    }
    if (progress) {
        reasons.resize(mesh.triangles.size(), WorkMesh::kKeep);
        mesh.DropTriangles(reasons);
    }
    return progress;
}

}  // namespace

void RemoveDegenerate(WorkMesh& mesh)
{
    WorkArray<uint32_t> found;
    const bool changed = CollapseAndDropRepeats(mesh, found);
    for (uint32_t round = 0;; ++round) {
        WorkArray<uint32_t> degenerate;
        WorkArray<uint8_t> isDegenerate(mesh.triangles.size(), 0);
        if (round == 0 && !changed) {
            degenerate = std::move(found);
        } else {
            for (uint32_t t = 0; t < mesh.triangles.size(); ++t) {
                if (Degenerate(mesh, mesh.triangles[t])) {
                    degenerate.push_back(t);
                }
            }
        }
        for (const uint32_t t : degenerate) {
            isDegenerate[t] = 1;
        }
        if (degenerate.empty()) {
            return;
        }
        if (round == kRounds || !SplitRound(mesh, degenerate, isDegenerate)) {
            WorkArray<uint8_t> reasons(mesh.triangles.size(), WorkMesh::kKeep);
            for (size_t t = 0; t < mesh.triangles.size(); ++t) {
                if (Degenerate(mesh, mesh.triangles[t])) {
                    reasons[t] = static_cast<uint8_t>(DropReason::ZeroArea);
                }
            }
            mesh.DropTriangles(reasons);
            return;
        }
    }
}

}  // namespace meshaudit::pipeline
