// Helpers shared by the repair tests.
#pragma once

#include "meshaudit.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace meshaudit::testing {

// An output record that is handed back to clear_mesh at the end of its scope.
// It starts filled with garbage, so that a test sees whether the repair reset
// it.
struct Output {
    MeshRecord record{reinterpret_cast<T3DVECF*>(uintptr_t{0x10}), 77,
                      reinterpret_cast<TRIANGLE*>(uintptr_t{0x20}), 88};

    ~Output() { Clear(); }

    void Clear()
    {
        if (record.points != reinterpret_cast<T3DVECF*>(uintptr_t{0x10})) {
            clear_mesh(&record);
        }
    }

    std::vector<T3DVECF> Points() const
    {
        const T3DVECF* p = record.points;
        return std::vector<T3DVECF>(p, p + record.pointCount);
    }

    std::vector<TRIANGLE> Triangles() const
    {
        const TRIANGLE* t = record.triangles;
        return std::vector<TRIANGLE>(t, t + record.triangleCount);
    }
};

inline bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

inline bool SamePoint(const T3DVECF& a, const T3DVECF& b)
{
    return SameBits(a.x, b.x) && SameBits(a.y, b.y) && SameBits(a.z, b.z);
}

inline bool SameTriangle(const TRIANGLE& a, const TRIANGLE& b)
{
    return a.a == b.a && a.b == b.b && a.c == b.c;
}

// A byte copy of a record and of its arrays, to prove later that nothing
// changed.
struct Snapshot {
    std::vector<unsigned char> record;
    std::vector<unsigned char> points;
    std::vector<unsigned char> triangles;

    explicit Snapshot(const MeshRecord& m)
        : record(reinterpret_cast<const unsigned char*>(&m),
                 reinterpret_cast<const unsigned char*>(&m) + sizeof m)
    {
        const T3DVECF* p = m.points;
        const TRIANGLE* t = m.triangles;
        if (p != nullptr) {
            const unsigned char* b = reinterpret_cast<const unsigned char*>(p);
            points.assign(b, b + sizeof(T3DVECF) * m.pointCount);
        }
        if (t != nullptr) {
            const unsigned char* b = reinterpret_cast<const unsigned char*>(t);
            triangles.assign(b, b + sizeof(TRIANGLE) * m.triangleCount);
        }
    }

    bool operator==(const Snapshot& o) const
    {
        return record == o.record && points == o.points && triangles == o.triangles;
    }
};

// A triangle soup (triangle t uses points 3t, 3t+1, 3t+2) whose points lie in
// clusters of spread about `spread`, so that merging with a tolerance of the
// same size forms classes, chains of seeds and points taken over by later
// seeds. Some points are exact copies of earlier ones.
inline TestMesh ClusteredSoup(uint32_t triangles, double spread, uint32_t seed)
{
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::uniform_int_distribution<int> pick(0, 9);
    const uint32_t clusters = triangles / 2 + 1;
    std::vector<T3DVECF> centres;
    for (uint32_t k = 0; k < clusters; ++k) {
        centres.push_back(T3DVECF{u(rng) * 3, u(rng) * 3, u(rng) * 3});
    }
    TestMesh m;
    for (uint32_t k = 0; k < 3 * triangles; ++k) {
        if (pick(rng) == 0 && !m.points.empty()) {
            m.points.push_back(m.points[rng() % m.points.size()]);
            continue;
        }
        const T3DVECF& c = centres[rng() % clusters];
        m.AddPoint(c.x + u(rng) * spread, c.y + u(rng) * spread, c.z + u(rng) * spread);
    }
    for (uint32_t t = 0; t < triangles; ++t) {
        m.AddTriangle(3 * t, 3 * t + 1, 3 * t + 2);
    }
    return m;
}

}  // namespace meshaudit::testing
