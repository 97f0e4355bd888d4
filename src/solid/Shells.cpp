// Shells and pinched points: both from the triangles' sides grouped by edge,
// one sort of the sides' keys.
#include "SolidParts.h"

#include <algorithm>

namespace meshaudit::solid {

namespace {

uint32_t Corner(const TRIANGLE& t, int i)
{
    return i == 0 ? t.a : i == 1 ? t.b : t.c;
}

}  // namespace

EdgeGroups GroupSides(const MeshRecord& mesh)
{
    // Sides by their larger end, then, stably, by their smaller end: two
    // counting sorts over the points, linear where a comparison sort of the
    // pairs is not. A side whose two ends are one point is no edge.
    const auto ends = [&mesh](uint32_t side) {
        const TRIANGLE& t = mesh.triangles[side / 3];
        const uint32_t a = Corner(t, static_cast<int>(side % 3)), b = Corner(t, static_cast<int>(side % 3 + 1) % 3);
        return std::make_pair(std::min(a, b), std::max(a, b));
    };
    std::vector<uint32_t> start(static_cast<size_t>(mesh.pointCount) + 1, 0);
    std::vector<uint32_t> sides;
    sides.reserve(static_cast<size_t>(mesh.triangleCount) * 3);
    for (uint32_t side = 0; side < mesh.triangleCount * 3; ++side) {
        const auto [a, b] = ends(side);
        if (a != b) {
            sides.push_back(side);
            ++start[b + 1];
        }
    }
    const auto sortBy = [&](bool smaller, const std::vector<uint32_t>& in, std::vector<uint32_t>& result) {
        std::fill(start.begin(), start.end(), 0);
        for (const uint32_t side : in) {
            const auto [a, b] = ends(side);
            ++start[(smaller ? a : b) + 1];
        }
        for (size_t p = 0; p + 1 < start.size(); ++p) {
            start[p + 1] += start[p];
        }
        result.resize(in.size());
        for (const uint32_t side : in) {
            const auto [a, b] = ends(side);
            result[start[smaller ? a : b]++] = side;
        }
    };
    std::vector<uint32_t> byLarger;
    sortBy(false, sides, byLarger);
    EdgeGroups groups;
    sortBy(true, byLarger, groups.sides);
    groups.first.reserve(groups.sides.size() / 2 + 2);
    for (size_t i = 0; i < groups.sides.size(); ++i) {
        if (i == 0 || ends(groups.sides[i]) != ends(groups.sides[i - 1])) {
            groups.first.push_back(static_cast<uint32_t>(i));
        }
    }
    groups.first.push_back(static_cast<uint32_t>(groups.sides.size()));
    return groups;
}

void LabelShells(const MeshRecord& mesh, const EdgeGroups& groups, Solids& out)
{
    Forest forest(mesh.triangleCount);
    const size_t count = groups.first.size() - 1;
    for (size_t g = 0; g < count; ++g) {
        for (uint32_t s = groups.first[g] + 1; s < groups.first[g + 1]; ++s) {
            forest.Join(groups.sides[groups.first[g]] / 3, groups.sides[s] / 3);
        }
    }
    // A set's root is its first triangle, so numbering roots in triangle
    // order numbers shells by their first triangle.
    out.shellOf.assign(mesh.triangleCount, kNoShell);
    out.shellCount = 0;
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        const uint32_t root = forest.Root(t);
        out.shellOf[t] = root == t ? out.shellCount++ : out.shellOf[root];
    }
    out.open.assign(out.shellCount, 0);
    out.manifold.assign(out.shellCount, 1);
    for (size_t g = 0; g < count; ++g) {
        const uint32_t first = groups.sides[groups.first[g]];
        const uint32_t shell = out.shellOf[first / 3];
        const uint32_t sides = groups.first[g + 1] - groups.first[g];
        if (sides == 1) {
            out.open[shell] = 1;
        }
        // Two sides that run the edge both ways: their start points differ.
        const auto start = [&mesh](uint32_t side) { return Corner(mesh.triangles[side / 3], static_cast<int>(side % 3)); };
        if (sides != 2 || start(first) == start(groups.sides[groups.first[g] + 1])) {
            out.manifold[shell] = 0;
        }
    }
    // A triangle whose three corners are one point has no edge: a shell of
    // its own without a border, enclosing nothing. It is open all the same.
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        const TRIANGLE& tri = mesh.triangles[t];
        if (tri.a == tri.b || tri.b == tri.c || tri.c == tri.a) {
            out.open[out.shellOf[t]] |= tri.a == tri.b && tri.b == tri.c ? 1 : 0;
            out.manifold[out.shellOf[t]] = 0;
        }
    }
    for (uint32_t s = 0; s < out.shellCount; ++s) {
        if (out.open[s] != 0) {
            out.openShells.push_back(s);
        }
    }
}

std::vector<uint32_t> PinchedPoints(const MeshRecord& mesh, const EdgeGroups& groups)
{
    // One node per corner (triangle * 3 + i). The corners at a point join
    // across a shared edge through the point, and within one triangle that
    // repeats the point; a point's fans are then its corners' sets.
    Forest forest(static_cast<size_t>(mesh.triangleCount) * 3);
    const auto cornerAt = [&mesh](uint32_t t, uint32_t point) {
        const TRIANGLE& tri = mesh.triangles[t];
        return t * 3 + (tri.a == point ? 0u : tri.b == point ? 1u : 2u);
    };
    const size_t count = groups.first.size() - 1;
    for (size_t g = 0; g < count; ++g) {
        const uint32_t first = groups.sides[groups.first[g]];
        const TRIANGLE& t0 = mesh.triangles[first / 3];
        const uint32_t a = Corner(t0, static_cast<int>(first % 3)), b = Corner(t0, static_cast<int>(first % 3 + 1) % 3);
        for (uint32_t s = groups.first[g] + 1; s < groups.first[g + 1]; ++s) {
            const uint32_t t = groups.sides[s] / 3;
            forest.Join(cornerAt(first / 3, a), cornerAt(t, a));
            forest.Join(cornerAt(first / 3, b), cornerAt(t, b));
        }
    }
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        const TRIANGLE& tri = mesh.triangles[t];
        if (tri.a == tri.b) {
            forest.Join(t * 3, t * 3 + 1);
        }
        if (tri.b == tri.c) {
            forest.Join(t * 3 + 1, t * 3 + 2);
        }
        if (tri.c == tri.a) {
            forest.Join(t * 3 + 2, t * 3);
        }
    }
    // The corners in point order (counting sort), then each point's roots.
    std::vector<uint32_t> start(static_cast<size_t>(mesh.pointCount) + 1, 0);
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        for (int i = 0; i < 3; ++i) {
            ++start[Corner(mesh.triangles[t], i) + 1];
        }
    }
    for (size_t p = 0; p < mesh.pointCount; ++p) {
        start[p + 1] += start[p];
    }
    std::vector<uint32_t> roots(static_cast<size_t>(mesh.triangleCount) * 3);
    std::vector<uint32_t> fill(start.begin(), start.end() - 1);
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        for (int i = 0; i < 3; ++i) {
            roots[fill[Corner(mesh.triangles[t], i)]++] = forest.Root(t * 3 + static_cast<uint32_t>(i));
        }
    }
    std::vector<uint32_t> pinched;
    for (uint32_t p = 0; p < mesh.pointCount; ++p) {
        const uint32_t* begin = roots.data() + start[p];
        const uint32_t* end = roots.data() + start[p + 1];
        if (begin != end && std::any_of(begin, end, [begin](uint32_t r) { return r != *begin; })) {
            pinched.push_back(p);
        }
    }
    return pinched;
}

}  // namespace meshaudit::solid
