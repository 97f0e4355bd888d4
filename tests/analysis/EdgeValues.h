// Test helper: every edge quantity of a mesh, computed through the entry
// points, plus a plain reference computed from the definitions.
#pragma once

#include "analysis/edges/EdgeAnalyses.h"
#include "meshaudit.h"
#include "model/MeshTopology.h"
#include "support/TestMeshes.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace meshaudit::testing {

struct EdgeValues {
    int32_t count = 0;
    int32_t border = 0;
    int32_t singular = 0;
    int32_t invalidTopological = 0;
    int32_t invalidGeometrical = 0;
    int32_t duplicatedTopological = 0;
    int32_t duplicatedGeometrical = 0;
    int32_t classesTopological = 0;
    int32_t classesGeometrical = 0;
    int32_t minimalDegree = 0;
    int32_t maximalDegree = 0;
    int32_t shorter = 0;
    int32_t longer = 0;
    double minimalLength = 0;
    double maximalLength = 0;

    bool operator==(const EdgeValues&) const = default;
};

// Each quantity on a fresh topology: none leans on another one's build.
inline EdgeValues Compute(const MeshRecord& record, double lower = 0.0, double upper = 10.0)
{
    auto fresh = [&](auto op) {
        MeshTopology topology;
        topology.Attach(record);
        return op(topology);
    };
    EdgeValues v;
    v.count = fresh([&](MeshTopology& t) { return CountEdges(record, t); });
    v.border = fresh([&](MeshTopology& t) { return CountBorderSides(record, t); });
    v.singular = fresh([&](MeshTopology& t) { return CountSingularEdges(record, t); });
    v.invalidTopological = fresh([&](MeshTopology& t) { return CountInvalidTopologicalEdges(record, t); });
    v.invalidGeometrical = fresh([&](MeshTopology& t) { return CountInvalidGeometricalEdges(record, t); });
    v.duplicatedTopological =
        fresh([&](MeshTopology& t) { return CountDuplicatedTopologicalEdges(record, t); });
    v.duplicatedGeometrical =
        fresh([&](MeshTopology& t) { return CountDuplicatedGeometricalEdges(record, t); });
    v.classesTopological =
        fresh([&](MeshTopology& t) { return CountClassesOfDuplicatedTopologicalEdges(record, t); });
    v.classesGeometrical =
        fresh([&](MeshTopology& t) { return CountClassesOfDuplicatedGeometricalEdges(record, t); });
    v.minimalDegree = fresh([&](MeshTopology& t) { return MinimalEdgeDegree(record, t); });
    v.maximalDegree = fresh([&](MeshTopology& t) { return MaximalEdgeDegree(record, t); });
    v.shorter = fresh([&](MeshTopology& t) { return CountShorterEdges(record, t, lower); });
    v.longer = fresh([&](MeshTopology& t) { return CountLongerEdges(record, t, upper); });
    v.minimalLength = fresh([&](MeshTopology& t) { return MinimalEdgeLength(record, t); });
    v.maximalLength = fresh([&](MeshTopology& t) { return MaximalEdgeLength(record, t); });
    return v;
}

inline EdgeValues Compute(TestMesh& mesh, double lower = 0.0, double upper = 10.0)
{
    return Compute(mesh.Record(), lower, upper);
}

struct PointLess {
    bool operator()(const T3DVECF& a, const T3DVECF& b) const
    {
        if (a.x != b.x) return a.x < b.x;
        if (a.y != b.y) return a.y < b.y;
        return a.z < b.z;
    }
};

// The quantities straight from their definitions (finite coordinates only:
// the reference map needs a strict order).
inline EdgeValues Reference(const TestMesh& mesh, double lower = 0.0, double upper = 10.0)
{
    const auto& tris = mesh.triangles;
    auto has = [](const TRIANGLE& t, uint32_t p) { return t.a == p || t.b == p || t.c == p; };
    std::set<std::pair<uint32_t, uint32_t>> edges;  // unordered pairs, (v, v) included
    for (const TRIANGLE& t : tris) {
        const uint32_t c[3] = {t.a, t.b, t.c};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                if (i != j) {
                    edges.insert({std::min(c[i], c[j]), std::max(c[i], c[j])});
                }
            }
        }
    }
    EdgeValues v;
    for (const auto& [p, q] : edges) {
        v.count += p != q ? 1 : 0;
    }
    for (std::size_t t = 0; t < tris.size(); ++t) {
        const uint32_t c[3] = {tris[t].a, tris[t].b, tris[t].c};
        for (int s = 0; s < 3; ++s) {
            const uint32_t p = c[s], q = c[(s + 1) % 3];
            bool shared = false;
            for (std::size_t u = 0; u < tris.size(); ++u) {
                shared = shared || (u != t && has(tris[u], p) && has(tris[u], q));
            }
            v.border += shared ? 0 : 1;
        }
    }
    uint32_t minimum = 0xFFFFFFFFu, maximum = 0;
    double shortest = DBL_MAX, longest = 0.0;
    std::map<std::pair<T3DVECF, T3DVECF>, int, bool (*)(const std::pair<T3DVECF, T3DVECF>&,
                                                        const std::pair<T3DVECF, T3DVECF>&)>
        segments([](const std::pair<T3DVECF, T3DVECF>& a, const std::pair<T3DVECF, T3DVECF>& b) {
            PointLess less;
            if (less(a.first, b.first)) return true;
            if (less(b.first, a.first)) return false;
            return less(a.second, b.second);
        });
    for (const auto& [p, q] : edges) {
        // Degree: entries of p's incident list (a triangle once per corner at
        // p) whose triangle has both p and q.
        uint32_t degree = 0;
        for (const TRIANGLE& t : tris) {
            const uint32_t c[3] = {t.a, t.b, t.c};
            for (uint32_t corner : c) {
                degree += corner == p && has(t, q) ? 1u : 0u;
            }
        }
        v.singular += degree > 2 ? 1 : 0;
        minimum = std::min(minimum, degree);
        maximum = std::max(maximum, degree);
        v.invalidTopological += p == q ? 1 : 0;
        const T3DVECF a = mesh.points[p], b = mesh.points[q];
        v.invalidGeometrical += a.x == b.x && a.y == b.y && a.z == b.z ? 1 : 0;
        const double length = std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y) +
                                        (b.z - a.z) * (b.z - a.z));
        v.shorter += length < lower ? 1 : 0;
        v.longer += length > upper ? 1 : 0;
        shortest = std::min(shortest, length);
        longest = std::max(longest, length);
        ++segments[PointLess{}(b, a) ? std::make_pair(b, a) : std::make_pair(a, b)];
    }
    v.minimalDegree = static_cast<int32_t>(minimum);
    v.maximalDegree = static_cast<int32_t>(maximum);
    v.minimalLength = shortest;
    v.maximalLength = longest;
    for (const auto& entry : segments) {
        if (entry.second > 1) {
            v.duplicatedGeometrical += entry.second;
            ++v.classesGeometrical;
        }
    }
    return v;  // topological duplicates: the edge set is unique, so 0
}

}  // namespace meshaudit::testing
