// Meshes and records built for the analysis tests, on top of
// support/TestMeshes.h, and the edge quantities of a mesh in one vector.
#pragma once

#include "analysis/edges/EdgeAnalyses.h"
#include "model/MeshTopology.h"
#include "support/TestMeshes.h"

#include <cmath>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace meshaudit::testing {

// A record over bare arrays (null pointers and zero counts allowed).
inline MeshRecord RecordOf(const T3DVECF* points, uint32_t pointCount, const TRIANGLE* triangles,
                           uint32_t triangleCount)
{
    return MeshRecord{const_cast<T3DVECF*>(points), pointCount, const_cast<TRIANGLE*>(triangles), triangleCount};
}

// `good` with one defect, in the order of the record checks (code -1 - i):
// 0 no point array, 1 no triangle array, 2 no points, 3 no triangles.
inline MeshRecord Broken(MeshRecord good, int i)
{
    if (i == 0) good.points = nullptr;
    if (i == 1) good.triangles = nullptr;
    if (i == 2) good.pointCount = 0;
    if (i == 3) good.triangleCount = 0;
    return good;
}

// A Moebius strip of n quads: a closed band whose last quad joins the first
// with a half twist, so that no orientation is consistent. One border.
inline TestMesh Moebius(uint32_t n)
{
    TestMesh m;
    const double pi = std::acos(-1.0);
    for (uint32_t i = 0; i < n; ++i) {
        const double u = 2.0 * pi * i / n, w = 0.3 * std::cos(u / 2.0), h = 0.3 * std::sin(u / 2.0);
        m.AddPoint((2.0 + w) * std::cos(u), (2.0 + w) * std::sin(u), h);   // 2i: top
        m.AddPoint((2.0 - w) * std::cos(u), (2.0 - w) * std::sin(u), -h);  // 2i+1: bottom
    }
    for (uint32_t i = 0; i < n; ++i) {
        // The twist: after the last quad, top and bottom trade places.
        const uint32_t t1 = i + 1 < n ? 2 * (i + 1) : 1, b1 = i + 1 < n ? 2 * (i + 1) + 1 : 0;
        m.AddTriangle(2 * i, 2 * i + 1, b1);
        m.AddTriangle(2 * i, b1, t1);
    }
    return m;
}

// Topology counter F called without a list, as one function type for all.
template <auto F>
int32_t Unlisted(const MeshRecord& r, MeshTopology& topology)
{
    if constexpr (std::is_invocable_v<decltype(F), const MeshRecord&, MeshTopology&>) {
        return F(r, topology);
    } else {
        return F(r, topology, nullptr);
    }
}

// The fifteen edge quantities, each on a fresh topology so that none leans
// on another's build: count, border, singular, invalid by indices and by
// coordinates, duplicates and classes by indices and by coordinates,
// minimal and maximal degree, shorter, longer, minimal and maximal length.
inline std::vector<double> EdgeQuantities(const MeshRecord& r, double lower = 0.0, double upper = 10.0)
{
    using Count = int32_t (*)(const MeshRecord&, MeshTopology&);
    std::vector<double> out;
    for (Count count : {&CountEdges, &Unlisted<CountBorderSides>, &Unlisted<CountSingularEdges>,
                        &Unlisted<CountInvalidTopologicalEdges>, &Unlisted<CountInvalidGeometricalEdges>,
                        &CountDuplicatedTopologicalEdges, &CountClassesOfDuplicatedTopologicalEdges,
                        &CountDuplicatedGeometricalEdges, &CountClassesOfDuplicatedGeometricalEdges,
                        &Unlisted<MinimalEdgeDegree>, &Unlisted<MaximalEdgeDegree>}) {
        MeshTopology topology;
        topology.Attach(r);
        out.push_back(count(r, topology));
    }
    MeshTopology t[4];
    for (MeshTopology& topology : t) {
        topology.Attach(r);
    }
    out.insert(out.end(), {static_cast<double>(CountShorterEdges(r, t[0], lower)),
                           static_cast<double>(CountLongerEdges(r, t[1], upper)), MinimalEdgeLength(r, t[2]),
                           MaximalEdgeLength(r, t[3])});
    return out;
}

// What EdgeQuantities gives when the record check or the edge list fails
// with `code`: the degree quantities make no record checks and fail with
// "edge list failed".
inline std::vector<double> EdgeCodes(double code)
{
    std::vector<double> out(15, code);
    out[2] = out[9] = out[10] = -1;
    return out;
}

}  // namespace meshaudit::testing
