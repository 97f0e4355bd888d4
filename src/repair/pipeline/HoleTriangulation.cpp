// The weight of a triangle is the pair (largest dihedral measure, area),
// compared in that order, as in the classic minimum-weight hole filling.
// The dihedral measure between two triangles is 1 - cos of the angle
// between their normals: 0 where the surface goes on flat, 2 where it
// folds back.
#include "repair/pipeline/HoleTriangulation.h"

#include "geometry/Predicates.h"

#include <algorithm>
#include <cmath>
#include <queue>

namespace meshaudit::pipeline {

namespace {

struct Vec {
    double x, y, z;
};

Vec Minus(const T3DVECF& a, const T3DVECF& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vec Normal(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c)
{
    const Vec u = Minus(b, a), v = Minus(c, a);
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

double Length(const Vec& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

double Dihedral(const Vec& a, const Vec& b)
{
    const double lengths = Length(a) * Length(b);
    return lengths > 0.0 ? 1.0 - (a.x * b.x + a.y * b.y + a.z * b.z) / lengths : 1.0;
}

bool Collinear(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c)
{
    const double xy[3][2] = {{a.x, a.y}, {b.x, b.y}, {c.x, c.y}};
    const double yz[3][2] = {{a.y, a.z}, {b.y, b.z}, {c.y, c.z}};
    const double zx[3][2] = {{a.z, a.x}, {b.z, b.x}, {c.z, c.x}};
    return Orient2DSign(xy[0], xy[1], xy[2]) == 0 && Orient2DSign(yz[0], yz[1], yz[2]) == 0 &&
           Orient2DSign(zx[0], zx[1], zx[2]) == 0;
}

struct Weight {
    double angle = 0.0, area = 0.0;
    bool operator<(const Weight& o) const { return angle != o.angle ? angle < o.angle : area < o.area; }
};

// What the triangulations share: the loop's points, the normal of the
// triangle across each of its current edges, and the edges that exist.
class Loop {
public:
    Loop(const WorkMesh& mesh, const Existing& existing) : mesh_(mesh), existing_(existing) {}

    const T3DVECF& At(uint32_t p) const { return mesh_.Point(p); }
    bool Exists(uint32_t u, uint32_t v) const { return existing_.HasEdge(u, v); }
    // A triangle (u, v, w) between triangles of normals `left` (across u-v)
    // and `right` (across v-w); false when it has no area or repeats a
    // triangle of the mesh.
    bool Weigh(uint32_t u, uint32_t v, uint32_t w, const Vec& left, const Vec& right, Vec& normal,
               Weight& weight) const
    {
        if (Collinear(At(u), At(v), At(w)) || existing_.HasTriangle(u, v, w)) {
            return false;
        }
        normal = Normal(At(u), At(v), At(w));
        weight.angle = std::max(Dihedral(normal, left), Dihedral(normal, right));
        weight.area = Length(normal) * 0.5;
        return true;
    }

private:
    const WorkMesh& mesh_;
    const Existing& existing_;
};

// The dynamic programme over polygon points[0..n), across[k] the normal
// across its edge from k to k + 1 (n - 1 to 0 last).
bool Programme(const Loop& loop, const WorkArray<uint32_t>& points, const WorkArray<Vec>& across,
               Candidates candidates, WorkArray<TRIANGLE>& out)
{
    const auto n = static_cast<uint32_t>(points.size());
    const auto at = [n](uint32_t i, uint32_t j) { return static_cast<size_t>(i) * n + j; };
    WorkArray<Weight> weight(static_cast<size_t>(n) * n);
    WorkArray<uint32_t> best(static_cast<size_t>(n) * n, kNone);
    WorkArray<Vec> normal(static_cast<size_t>(n) * n);
    for (uint32_t i = 0; i + 1 < n; ++i) {
        best[at(i, i + 1)] = i;  // an edge of the loop: nothing to fill
        normal[at(i, i + 1)] = across[i];
    }
    for (uint32_t length = 2; length < n; ++length) {
        for (uint32_t i = 0; i + length < n; ++i) {
            const uint32_t j = i + length;
            const bool closing = i == 0 && j == n - 1;
            if (!closing && loop.Exists(points[i], points[j])) {
                continue;
            }
            Weight chosen;
            for (uint32_t m = i + 1; m < j; ++m) {
                if (best[at(i, m)] == kNone || best[at(m, j)] == kNone) {
                    continue;
                }
                // A candidate weighs at least its heavier part's angle and,
                // at that angle, its parts' areas together: one that cannot
                // come below the choice so far is not weighed.
                if (candidates == Candidates::Pruned && best[at(i, j)] != kNone) {
                    const Weight &left = weight[at(i, m)], &right = weight[at(m, j)];
                    const double least = std::max(left.angle, right.angle);
                    if (least > chosen.angle || (least == chosen.angle && left.area + right.area >= chosen.area)) {
                        continue;
                    }
                }
                Vec nrm{};
                Weight w;
                if (!loop.Weigh(points[i], points[m], points[j], normal[at(i, m)], normal[at(m, j)], nrm, w)) {
                    continue;
                }
                if (closing) {
                    w.angle = std::max(w.angle, Dihedral(nrm, across[n - 1]));
                }
                w.angle = std::max({w.angle, weight[at(i, m)].angle, weight[at(m, j)].angle});
                w.area += weight[at(i, m)].area + weight[at(m, j)].area;
                if (best[at(i, j)] == kNone || w < chosen) {
                    chosen = w;
                    best[at(i, j)] = m;
                    normal[at(i, j)] = nrm;
                }
            }
            weight[at(i, j)] = chosen;
        }
    }
    if (best[at(0, n - 1)] == kNone) {
        return false;
    }
    WorkArray<std::pair<uint32_t, uint32_t>> stack{{0, n - 1}};
    while (!stack.empty()) {
        const auto [i, j] = stack.back();
        stack.pop_back();
        if (j - i < 2) {
            continue;
        }
        const uint32_t m = best[at(i, j)];
        out.push_back(TRIANGLE{points[i], points[m], points[j]});
        stack.emplace_back(i, m);
        stack.emplace_back(m, j);
    }
    return true;
}

// Clips ears of least weight until `keep` corners are left; their points
// and across normals, in loop order, replace `points` and `across`.
bool ClipEars(const Loop& loop, WorkArray<uint32_t>& points, WorkArray<Vec>& across, uint32_t keep,
              WorkArray<TRIANGLE>& out)
{
    const auto n = static_cast<uint32_t>(points.size());
    WorkArray<uint32_t> prev(n), next(n), version(n, 0);
    for (uint32_t i = 0; i < n; ++i) {
        prev[i] = (i + n - 1) % n;
        next[i] = (i + 1) % n;
    }
    struct Ear {
        Weight weight;
        uint32_t corner, version;
        bool operator>(const Ear& o) const
        {
            return o.weight < weight || (!(weight < o.weight) && corner > o.corner);
        }
    };
    std::priority_queue<Ear, WorkArray<Ear>, std::greater<Ear>> ears;
    WorkArray<Vec> earNormal(n);
    const auto weigh = [&](uint32_t i) {
        const uint32_t h = prev[i], j = next[i];
        Weight w;
        if (!loop.Exists(points[h], points[j]) &&
            loop.Weigh(points[h], points[i], points[j], across[h], across[i], earNormal[i], w)) {
            ears.push(Ear{w, i, version[i]});
        }
    };
    for (uint32_t i = 0; i < n; ++i) {
        weigh(i);
    }
    uint32_t left = n;
    while (left > keep) {
        if (ears.empty()) {
            return false;
        }
        const Ear ear = ears.top();
        ears.pop();
        const uint32_t i = ear.corner;
        if (ear.version != version[i]) {
            continue;
        }
        const uint32_t h = prev[i], j = next[i];
        out.push_back(TRIANGLE{points[h], points[i], points[j]});
        across[h] = earNormal[i];
        next[h] = j;
        prev[j] = h;
        version[i] = kNone;
        --left;
        ++version[h];
        ++version[j];
        weigh(h);
        weigh(j);
    }
    uint32_t start = 0;
    while (version[start] == kNone) {
        ++start;
    }
    WorkArray<uint32_t> remaining;
    WorkArray<Vec> remainingAcross;
    for (uint32_t k = start, first = 1; first != 0 || k != start; k = next[k], first = 0) {
        remaining.push_back(points[k]);
        remainingAcross.push_back(across[k]);
    }
    points.swap(remaining);
    across.swap(remainingAcross);
    return true;
}

}  // namespace

WorkArray<TRIANGLE> TriangulateLoop(const WorkMesh& mesh, const WorkArray<LoopCorner>& corners,
                                      const Existing& existing, uint32_t exactEdges, Candidates candidates)
{
    const Loop loop(mesh, existing);
    WorkArray<uint32_t> points;
    WorkArray<Vec> across;
    for (const LoopCorner& c : corners) {
        points.push_back(c.point);
        // The mesh triangle on the border side, from the side's start.
        const TRIANGLE& t = mesh.triangles[c.side / 3];
        const uint32_t i = c.side % 3;
        across.push_back(Normal(mesh.Point(Corner(t, i)), mesh.Point(Corner(t, (i + 1) % 3)),
                                mesh.Point(Corner(t, (i + 2) % 3))));
    }
    WorkArray<TRIANGLE> out;
    if (points.size() > exactEdges && !ClipEars(loop, points, across, exactEdges, out)) {
        return {};
    }
    if (!Programme(loop, points, across, candidates, out)) {
        return {};
    }
    return out;
}

}  // namespace meshaudit::pipeline
