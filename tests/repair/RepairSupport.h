// Helpers shared by the repair tests.
#pragma once

#include "containers/Memory.h"
#include "meshaudit.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
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

inline bool IsReset(const MeshRecord& r)
{
    return r.points == nullptr && r.triangles == nullptr && r.pointCount == 0 && r.triangleCount == 0;
}

// One repair export under one signature.
using Repair = std::function<int32_t(const MeshRecord*, MeshRecord*)>;

// Fails allocation k = 1, 2, ... of a repair until a run makes none fail.
// The first two allocations are the copy (-5: the points, then the
// triangles); every later one belongs to the repair itself (-6), which
// leaves the output holding the unrepaired copy. The input never changes,
// and every output goes back to clear_mesh (the sanitizer build checks for
// leaks).
inline void FailEveryAllocation(const Repair& repair, TestMesh& m)
{
    MeshRecord in = m.Record();
    const Snapshot input(in);
    uint64_t k = 1;
    for (;; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        Output out;
        const int32_t code = repair(&in, &out.record);
        const uint64_t failed = memory_testing::FailedAllocationCount();
        memory_testing::ResetAllocationCounter();
        EXPECT_TRUE(Snapshot(in) == input);
        if (failed == 0) {
            EXPECT_EQ(code, 0);
            EXPECT_NE(out.record.points, in.points);
            EXPECT_NE(static_cast<const TRIANGLE*>(out.record.triangles), m.triangles.data());
            break;
        }
        EXPECT_EQ(failed, 1u);
        if (k <= 2) {
            EXPECT_EQ(code, -5) << "allocation " << k;
            EXPECT_EQ(out.record.pointCount, m.points.size());
            EXPECT_EQ(out.record.triangleCount, m.triangles.size());
            EXPECT_EQ(out.record.points == nullptr, k == 1);
            EXPECT_EQ(out.record.triangles == nullptr, k == 2);
        } else {
            EXPECT_EQ(code, -6) << "allocation " << k;
            MeshRecord copy = out.record;
            EXPECT_TRUE(Snapshot(copy).points == input.points) << "allocation " << k;
            EXPECT_TRUE(Snapshot(copy).triangles == input.triangles) << "allocation " << k;
        }
        EXPECT_EQ(clear_mesh(&out.record), 0);
        EXPECT_TRUE(IsReset(out.record));
    }
    EXPECT_GT(k, 3u);
}

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

// Points made to share a slot of the hash table that groups equal points:
// the hash's last step is inverted for values that agree in their top bits,
// which choose the slot at every table size. The hash is restated here on
// purpose; if it changes, the tests stop finding a crowd and say so.
inline std::vector<T3DVECF> CollidingPoints(uint32_t n)
{
    const auto bits = [](double v) {
        uint64_t u = 0;
        std::memcpy(&u, &v, sizeof u);
        return u;
    };
    const uint64_t k3 = 0x165667B19E3779F9ull;
    uint64_t inverse = k3;  // Newton's iteration for the inverse modulo 2^64
    for (int i = 0; i < 6; ++i) {
        inverse *= 2 - k3 * inverse;
    }
    const uint64_t h1 = bits(1.0) * 0x9E3779B97F4A7C15ull;
    const uint64_t h2 = (h1 ^ bits(2.0)) * 0xC2B2AE3D27D4EB4Full;
    std::vector<T3DVECF> points;
    for (uint64_t g = uint64_t{0x5A5A5A5A} << 32; points.size() < n; ++g) {
        const uint64_t zBits = (g * inverse) ^ h2;
        double z = 0.0;
        std::memcpy(&z, &zBits, sizeof z);
        // Moderate values only, whose differences do not vanish when squared.
        if (std::fabs(z) > 1e-3 && std::fabs(z) < 1e3) {
            points.push_back(T3DVECF{1.0, 2.0, z});
        }
    }
    return points;
}

}  // namespace meshaudit::testing
