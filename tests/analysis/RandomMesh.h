// Small random meshes for the analyses' randomized comparisons.
#pragma once

#include "analysis/MeshBuilders.h"
#include "model/BruteTopology.h"
#include "support/TestMeshes.h"

#include <cmath>
#include <limits>
#include <random>

namespace meshaudit::testing {

// A torus, Moebius strip, grid or cube with random flips plus random
// triangles, or random triangles alone; coarse coordinates so that points
// and lengths coincide, NaN and infinities in every fourth mesh, a corner out
// of range in every sixth.
inline TestMesh RandomMesh(std::mt19937& random, int round)
{
    TestMesh m;
    if (round % 3 == 0) {
        switch (random() % 5) {
        case 0: m = testing::Torus(3 + random() % 3, 3 + random() % 2); break;
        case 1: m = testing::Moebius(3 + random() % 4); break;
        case 2: m = testing::Grid(1 + random() % 3); break;
        case 3: m = testing::UnitCube(); break;
        default: m = testing::Tetrahedron(); break;
        }
        for (TRIANGLE& t : m.triangles) {
            if (random() % 6 == 0) {
                std::swap(t.a, t.b);
            }
        }
    } else {
        const double values[] = {0.0, -0.0, 1.0, 0.5, std::nextafter(0.5, 1.0), 2.0, -1.0};
        const uint32_t points = 1 + random() % 12;
        for (uint32_t p = 0; p < points; ++p) {
            m.AddPoint(values[random() % 7], values[random() % 7], values[random() % 7]);
        }
    }
    const auto points = static_cast<uint32_t>(m.points.size());
    const uint32_t extra = (round % 3 == 0 ? random() % 4 : 1 + random() % (round % 5 == 4 ? 40 : 16));
    for (const TRIANGLE& t : testing::RandomTriangles(random, points, extra)) {
        m.triangles.push_back(t);
    }
    if (round % 4 == 3) {
        constexpr double kInf = std::numeric_limits<double>::infinity();
        const double special[] = {std::numeric_limits<double>::quiet_NaN(), kInf, -kInf};
        for (T3DVECF& p : m.points) {
            if (random() % 5 == 0) {
                (random() % 2 == 0 ? p.x : p.z) = special[random() % 3];
            }
        }
    }
    if (round % 6 == 5) {
        TRIANGLE& t = m.triangles[random() % m.triangles.size()];
        const uint32_t bad[] = {points, points + 1, 0xFFFFFFFFu};
        const uint32_t b = bad[random() % 3];
        (random() % 3 == 0 ? t.a : random() % 2 == 0 ? t.b : t.c) = b;
    }
    return m;
}

}  // namespace meshaudit::testing
