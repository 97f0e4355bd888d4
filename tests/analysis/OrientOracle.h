// The plain form of IsOrientable's walk, on a real copy of the triangles:
// the reference that the library's flip-mark walk is compared against.
#pragma once

#include "meshaudit.h"

#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

namespace meshaudit::testing {

// Whether some directed side (t[i], t[i+1]) of t is run reversed by u.
inline bool RunsASideReversed(const TRIANGLE& t, const TRIANGLE& u)
{
    const uint32_t tc[3] = {t.a, t.b, t.c};
    const uint32_t uc[3] = {u.a, u.b, u.c};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (tc[i] == uc[(j + 1) % 3] && tc[(i + 1) % 3] == uc[j]) {
                return true;
            }
        }
    }
    return false;
}

// Walks the triangles breadth-first over `neighbours` (rows of triangle
// indices), seeds in index order, and swaps the first two corners of every
// triangle first reached from one it does not run a common side opposite to.
inline void OrientCopy(std::vector<TRIANGLE>& triangles,
                       const std::vector<std::vector<uint32_t>>& neighbours)
{
    std::vector<bool> visited(triangles.size(), false);
    for (uint32_t seed = 0; seed < triangles.size(); ++seed) {
        if (visited[seed]) {
            continue;
        }
        visited[seed] = true;
        std::deque<uint32_t> queue{seed};
        while (!queue.empty()) {
            const uint32_t t = queue.front();
            queue.pop_front();
            for (uint32_t u : neighbours[t]) {
                if (visited[u]) {
                    continue;
                }
                if (!RunsASideReversed(triangles[t], triangles[u])) {
                    std::swap(triangles[u].a, triangles[u].b);
                }
                visited[u] = true;
                queue.push_back(u);
            }
        }
    }
}

}  // namespace meshaudit::testing
