// Pairs of shells that cross or touch: triangles of two shells that meet, by
// the library's exact intersection test (touching counts), or a point index
// that two shells share.
#include "SolidParts.h"

#include "meshaudit.hpp"

#include <algorithm>
#include <cstring>
#include <new>
#include <tuple>

namespace meshaudit::solid {

void PairShells(const MeshRecord& mesh, Solids& out)
{
    using Pair = Solids::ShellPair;
    std::vector<Pair> pairs;
    if (out.shellCount < 2) {
        return;
    }
    // The intersecting pairs alone: every quantity off but the mesh's
    // self-intersection, whose list holds every pair of triangles that meet
    // and share no point index.
    PointSettings ps;
    EdgeSettings es;
    TriangleSettings ts;
    MeshSettings ms;
    meshaudit_default_point_settings(&ps);
    meshaudit_default_edge_settings(&es);
    meshaudit_default_triangle_settings(&ts);
    meshaudit_default_mesh_settings(&ms);
    std::memset(ps.Enable, 0, sizeof ps.Enable);
    std::memset(es.Enable, 0, sizeof es.Enable);
    std::memset(ts.Enable, 0, sizeof ts.Enable);
    std::memset(ms.Enable, 0, sizeof ms.Enable);
    ms.Enable[MSH_Selfintersection] = 1;
    LocateRequest request;
    request.points = request.edges = request.triangles = 0;
    request.mesh = 1u << MSH_Selfintersection;
    Locations where;
    if (locate(mesh, ps, es, ts, ms, request, where) != 1) {
        throw std::bad_alloc();
    }
    const ElementSpan crossing = where.of(MSH_Selfintersection);
    for (uint64_t i = 0; i < crossing.stored; ++i) {
        const uint32_t a = crossing.entry(i)[0], b = crossing.entry(i)[1];
        const uint32_t sa = out.shellOf[a], sb = out.shellOf[b];
        if (sa != sb) {
            pairs.push_back(sa < sb ? Pair{sa, sb, a, b} : Pair{sb, sa, b, a});
        }
    }
    // Shells that share a point: the distinct shells round each point.
    std::vector<std::pair<uint32_t, uint32_t>> corners;  // (point, shell)
    corners.reserve(static_cast<size_t>(mesh.triangleCount) * 3);
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        const TRIANGLE& tri = mesh.triangles[t];
        for (const uint32_t p : {tri.a, tri.b, tri.c}) {
            corners.emplace_back(p, out.shellOf[t]);
        }
    }
    std::sort(corners.begin(), corners.end());
    corners.erase(std::unique(corners.begin(), corners.end()), corners.end());
    for (size_t i = 0; i < corners.size();) {
        size_t j = i;
        while (j < corners.size() && corners[j].first == corners[i].first) {
            ++j;
        }
        for (size_t x = i; x < j; ++x) {
            for (size_t y = x + 1; y < j; ++y) {
                pairs.push_back(Pair{corners[x].second, corners[y].second, kNoShell, kNoShell});
            }
        }
        i = j;
    }
    // One entry per pair of shells: the first pair of triangles that meet,
    // else the shared point's entry.
    std::sort(pairs.begin(), pairs.end(), [](const Pair& x, const Pair& y) {
        return std::tie(x.shellA, x.shellB, x.triangleA, x.triangleB) <
               std::tie(y.shellA, y.shellB, y.triangleA, y.triangleB);
    });
    for (const Pair& pair : pairs) {
        if (out.shellPairs.empty() || out.shellPairs.back().shellA != pair.shellA ||
            out.shellPairs.back().shellB != pair.shellB) {
            out.shellPairs.push_back(pair);
        }
    }
}

}  // namespace meshaudit::solid
