#include "repair/pipeline/ShortEdges.h"
#include "containers/WorkArray.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numeric>

namespace meshaudit::pipeline {

namespace {

// The points that share a triangle with v, sorted, each once.
void Neighbours(uint32_t v, const WorkArray<uint32_t>& start, const WorkArray<uint32_t>& around,
                const WorkArray<TRIANGLE>& triangles, WorkArray<uint32_t>& out)
{
    out.clear();
    for (uint32_t k = start[v]; k < start[v + 1]; ++k) {
        const TRIANGLE& t = triangles[around[k]];
        for (uint32_t w : {t.a, t.b, t.c}) {
            if (w != v) {
                out.push_back(w);
            }
        }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
}

// One pass: collapses an independent set of short edges (no two near one
// another) of the triangles with three distinct points. Returns how many.
uint32_t CollapsePass(const WorkArray<T3DVECF>& points, uint32_t firstNew, double length,
                      WorkArray<TRIANGLE>& triangles)
{
    const auto n = static_cast<uint32_t>(points.size());
    const auto proper = [](const TRIANGLE& t) { return t.a != t.b && t.b != t.c && t.a != t.c; };
    // The short edges from a new point, in triangle order, as the loop
    // below takes them: a pass finds few or none (the last finds none), and
    // without any the neighbourhoods need not be gathered. An edge longer
    // than `length` along one axis is longer than it in all, and so is its
    // hypot as computed, which is never below its largest argument (that
    // argument times a rounded root of at least 1): such edges are left
    // without the root, with the same answer.
    struct Edge {
        uint32_t from;
        uint32_t to;
    };
    WorkArray<Edge> candidates;
    for (const TRIANGLE& t : triangles) {
        if (!proper(t)) {
            continue;
        }
        const uint32_t c[3] = {t.a, t.b, t.c};
        for (int e = 0; e < 3; ++e) {
            const uint32_t from = std::max(c[e], c[(e + 1) % 3]);
            const uint32_t to = std::min(c[e], c[(e + 1) % 3]);
            if (from < firstNew) {
                continue;
            }
            const T3DVECF& p = points[from];
            const T3DVECF& q = points[to];
            const double dx = p.x - q.x, dy = p.y - q.y, dz = p.z - q.z;
            if (std::fabs(dx) > length || std::fabs(dy) > length || std::fabs(dz) > length ||
                !(std::hypot(dx, dy, dz) <= length)) {
                continue;
            }
            candidates.push_back({from, to});
        }
    }
    if (candidates.empty()) {
        return 0;
    }
    // The proper triangles around each point, by a counting sort.
    WorkArray<uint32_t> start(static_cast<size_t>(n) + 1, 0);
    for (const TRIANGLE& t : triangles) {
        if (proper(t)) {
            ++start[t.a + 1];
            ++start[t.b + 1];
            ++start[t.c + 1];
        }
    }
    std::partial_sum(start.begin(), start.end(), start.begin());
    WorkArray<uint32_t> around(start[n]);
    WorkArray<uint32_t> fill(start.begin(), start.end() - 1);
    for (uint32_t t = 0; t < triangles.size(); ++t) {
        if (proper(triangles[t])) {
            around[fill[triangles[t].a]++] = t;
            around[fill[triangles[t].b]++] = t;
            around[fill[triangles[t].c]++] = t;
        }
    }
    WorkArray<uint32_t> into(n);
    std::iota(into.begin(), into.end(), 0u);
    WorkArray<uint8_t> touched(n, 0);
    WorkArray<uint32_t> fromNeighbours;
    WorkArray<uint32_t> toNeighbours;
    WorkArray<uint32_t> common;
    uint32_t moved = 0;
    for (const auto [from, to] : candidates) {
        if (touched[from] != 0 || touched[to] != 0) {
            continue;
        }
        uint32_t onEdge = 0;
        for (uint32_t k = start[from]; k < start[from + 1]; ++k) {
            const TRIANGLE& u = triangles[around[k]];
            onEdge += (u.a == to || u.b == to || u.c == to) ? 1 : 0;
        }
        Neighbours(from, start, around, triangles, fromNeighbours);
        Neighbours(to, start, around, triangles, toNeighbours);
        common.clear();
        std::set_intersection(fromNeighbours.begin(), fromNeighbours.end(), toNeighbours.begin(),
                              toNeighbours.end(), std::back_inserter(common));
        if (onEdge != 2 || common.size() != 2) {
            continue;
        }
        // A far corner with three neighbours would be left with two: the
        // two triangles that remain there would lie on one another.
        if (std::any_of(common.begin(), common.end(), [&](uint32_t w) {
                Neighbours(w, start, around, triangles, toNeighbours);
                return toNeighbours.size() <= 3;
            })) {
            continue;
        }
        into[from] = to;
        ++moved;
        touched[from] = touched[to] = 1;
        for (uint32_t w : fromNeighbours) {
            touched[w] = 1;
        }
    }
    for (TRIANGLE& t : triangles) {
        t = TRIANGLE{into[t.a], into[t.b], into[t.c]};
    }
    return moved;
}

}  // namespace

uint32_t CollapseShortEdges(const WorkArray<T3DVECF>& points, uint32_t firstNew, double length,
                            WorkArray<TRIANGLE>& triangles)
{
    if (!(length > 0.0) || firstNew >= points.size()) {
        return 0;
    }
    // Each pass moves a point for good (it leaves every triangle); as a rule
    // two or three do it all. A point with many short edges loses one a
    // pass, so the passes are bounded, which keeps the work linear in the
    // mesh for every shape.
    uint32_t moved = 0;
    for (uint32_t k = 0; k < kMostCollapsePasses; ++k) {
        const uint32_t pass = CollapsePass(points, firstNew, length, triangles);
        if (pass == 0) {
            break;
        }
        moved += pass;
    }
    return moved;
}

}  // namespace meshaudit::pipeline
