// The topology structures built the plain way, straight from their
// definitions, with standard containers: the reference the builders are
// compared against.
#pragma once

#include "containers/AVLTree.h"
#include "containers/Keys.h"
#include "meshaudit.h"
#include "model/MeshTopology.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace meshaudit::testing {

using Lists = std::vector<std::vector<uint32_t>>;

inline std::vector<uint32_t> Corners(const TRIANGLE& t)
{
    return {t.a, t.b, t.c};
}

inline bool Has(const TRIANGLE& t, uint32_t p)
{
    return t.a == p || t.b == p || t.c == p;
}

struct BruteTopology {
    Lists vertexTriangles;
    std::vector<std::set<uint32_t>> neighbourSets;
    Lists neighbourPreOrder;  // each point's tree, built in insertion order, read in pre-order
    std::vector<std::pair<uint32_t, uint32_t>> edges;
    Lists edgeTriangles;
    Lists triangleNeighbours;
    std::vector<std::pair<uint32_t, uint32_t>> borderEdges;

    BruteTopology(const std::vector<TRIANGLE>& triangles, uint32_t pointCount)
    {
        const auto n = static_cast<uint32_t>(triangles.size());
        vertexTriangles.assign(pointCount, {});
        for (uint32_t p = 0; p < pointCount; ++p) {
            for (uint32_t t = 0; t < n; ++t) {
                for (uint32_t c : Corners(triangles[t])) {
                    if (c == p) {
                        vertexTriangles[p].push_back(t);
                    }
                }
            }
        }

        // Neighbours: every corner of a triangle is a neighbour of the other
        // two corner positions. The order of the lists is the pre-order of a
        // search tree fed in the triangles' insertion order.
        neighbourSets.assign(pointCount, {});
        std::vector<AVLTree<unsigned int>> trees(pointCount);
        for (const TRIANGLE& t : triangles) {
            const uint32_t c[3] = {t.a, t.b, t.c};
            for (int i = 0; i < 3; ++i) {
                for (int j = 0; j < 3; ++j) {
                    if (i != j) {
                        neighbourSets[c[i]].insert(c[j]);
                        trees[c[i]].Insert(c[j]);
                    }
                }
            }
        }
        neighbourPreOrder.assign(pointCount, {});
        for (uint32_t p = 0; p < pointCount; ++p) {
            std::vector<uint32_t> out(trees[p].Count());
            uint32_t index = 0;
            CollectPreOrder(trees[p].Root(), out.data(), index);
            neighbourPreOrder[p] = out;
        }

        // Edges: from the smaller point, in its neighbour-list order.
        for (uint32_t v = 0; v < pointCount; ++v) {
            for (uint32_t w : neighbourPreOrder[v]) {
                if (w >= v) {
                    edges.emplace_back(v, w);
                }
            }
        }
        for (const auto& [p, q] : edges) {
            std::vector<uint32_t> on;
            for (uint32_t t : vertexTriangles[p]) {
                if (Has(triangles[t], p) && Has(triangles[t], q)) {
                    on.push_back(t);
                }
            }
            edgeTriangles.push_back(on);
        }

        for (uint32_t t = 0; t < n; ++t) {
            const uint32_t c[3] = {triangles[t].a, triangles[t].b, triangles[t].c};
            std::vector<uint32_t> around;
            for (int s = 0; s < 3; ++s) {
                const uint32_t p = c[s], q = c[(s + 1) % 3];
                for (uint32_t u : vertexTriangles[p]) {
                    if (u != t && Has(triangles[u], p) && Has(triangles[u], q)) {
                        around.push_back(u);
                    }
                }
                // Border: no other triangle at all (searched over the whole
                // mesh, not the incidence lists) has both end points.
                bool shared = false;
                for (uint32_t u = 0; u < n; ++u) {
                    shared = shared || (u != t && Has(triangles[u], p) && Has(triangles[u], q));
                }
                if (!shared) {
                    borderEdges.emplace_back(p, q);
                }
            }
            triangleNeighbours.push_back(around);
        }
    }
};

// The rows of a packed list as vectors (count elements).
inline Lists Unpack(const IncidenceLists& lists, uint32_t count)
{
    Lists out(count);
    for (uint32_t e = 0; e < count; ++e) {
        out[e].assign(lists.Row(e), lists.Row(e) + lists.Count(e));
    }
    return out;
}

// Whether the rows lie back to back from the buffer's start: offsets from 0,
// never decreasing.
inline bool IsPacked(const IncidenceLists& lists, uint32_t count)
{
    return lists.starts[0] == 0 && std::is_sorted(lists.starts, lists.starts + count + 1);
}

// Random triangles full of repeated (maybe rotated or flipped) triangles,
// repeated indices and fans around existing sides (non-manifold edges).
inline std::vector<TRIANGLE> RandomTriangles(std::mt19937& random, uint32_t points, uint32_t count)
{
    std::vector<TRIANGLE> triangles;
    const auto pick = [&] { return static_cast<uint32_t>(random() % points); };
    for (uint32_t t = 0; t < count; ++t) {
        const uint32_t kind = random() % 12;
        if (kind <= 1 && !triangles.empty()) {
            TRIANGLE r = triangles[random() % triangles.size()];
            if (random() % 2 == 0) {
                std::swap(r.a, r.b);
            }
            if (random() % 2 == 0) {
                r = TRIANGLE{r.b, r.c, r.a};
            }
            triangles.push_back(r);
        } else if (kind == 2) {
            const uint32_t p = pick(), q = pick();
            const uint32_t shape = random() % 4;
            triangles.push_back(shape == 0   ? TRIANGLE{p, p, q}
                                : shape == 1 ? TRIANGLE{q, p, p}
                                : shape == 2 ? TRIANGLE{p, q, p}
                                             : TRIANGLE{p, p, p});
        } else if (kind == 3 && !triangles.empty()) {
            const TRIANGLE& r = triangles[random() % triangles.size()];
            triangles.push_back(random() % 2 == 0 ? TRIANGLE{r.a, r.b, pick()} : TRIANGLE{r.b, r.a, pick()});
        } else {
            triangles.push_back(TRIANGLE{pick(), pick(), pick()});
        }
    }
    return triangles;
}

}  // namespace meshaudit::testing
