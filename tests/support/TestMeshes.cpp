#include "support/TestMeshes.h"

#include <cmath>
#include <utility>
#include <numbers>
#include <random>

namespace meshaudit::testing {

using std::numbers::pi;

MeshRecord TestMesh::Record()
{
    return MeshRecord{points.data(), static_cast<uint32_t>(points.size()), triangles.data(),
                      static_cast<uint32_t>(triangles.size())};
}

uint32_t TestMesh::AddPoint(double x, double y, double z)
{
    points.push_back(T3DVECF{x, y, z});
    return static_cast<uint32_t>(points.size() - 1);
}

void TestMesh::AddTriangle(uint32_t a, uint32_t b, uint32_t c)
{
    triangles.push_back(TRIANGLE{a, b, c});
}

TestMesh MeshOf(std::initializer_list<T3DVECF> points, std::initializer_list<TRIANGLE> triangles)
{
    TestMesh m;
    m.points.assign(points.begin(), points.end());
    m.triangles.assign(triangles.begin(), triangles.end());
    return m;
}

TestMesh Tetrahedron()
{
    return MeshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}});
}

TestMesh UnitCube()
{
    return MeshOf({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
                  {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                   {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}});
}

TestMesh Box(double lo, double hi, bool reversed, double dx)
{
    TestMesh box = UnitCube();
    for (T3DVECF& p : box.points) {
        p = {lo + (hi - lo) * p.x + dx, lo + (hi - lo) * p.y, lo + (hi - lo) * p.z};
    }
    if (reversed) {
        for (TRIANGLE& t : box.triangles) {
            std::swap(t.b, t.c);
        }
    }
    return box;
}

TestMesh Join(std::initializer_list<TestMesh> parts)
{
    TestMesh mesh;
    for (const TestMesh& part : parts) {
        Append(mesh, part);
    }
    return mesh;
}

TestMesh Torus(uint32_t around, uint32_t tube, double majorRadius, double minorRadius)
{
    TestMesh m;
    for (uint32_t i = 0; i < around; ++i) {
        const double u = 2.0 * pi * i / around;
        for (uint32_t j = 0; j < tube; ++j) {
            const double v = 2.0 * pi * j / tube;
            const double r = majorRadius + minorRadius * std::cos(v);
            m.AddPoint(r * std::cos(u), r * std::sin(u), minorRadius * std::sin(v));
        }
    }
    auto at = [&](uint32_t i, uint32_t j) { return (i % around) * tube + (j % tube); };
    for (uint32_t i = 0; i < around; ++i) {
        for (uint32_t j = 0; j < tube; ++j) {
            const uint32_t a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
            m.AddTriangle(a, b, c);
            m.AddTriangle(a, c, d);
        }
    }
    return m;
}

TestMesh Sphere(uint32_t slices, uint32_t stacks, double radius, double cx, double cy, double cz)
{
    TestMesh m;
    const uint32_t south = m.AddPoint(cx, cy, cz - radius);
    for (uint32_t s = 1; s < stacks; ++s) {
        const double phi = -pi / 2 + pi * s / stacks;
        for (uint32_t k = 0; k < slices; ++k) {
            const double theta = 2.0 * pi * k / slices;
            m.AddPoint(cx + radius * std::cos(phi) * std::cos(theta),
                       cy + radius * std::cos(phi) * std::sin(theta), cz + radius * std::sin(phi));
        }
    }
    const uint32_t north = m.AddPoint(cx, cy, cz + radius);
    auto ring = [&](uint32_t s, uint32_t k) { return 1 + (s - 1) * slices + (k % slices); };
    for (uint32_t k = 0; k < slices; ++k) {
        m.AddTriangle(south, ring(1, k + 1), ring(1, k));
        m.AddTriangle(north, ring(stacks - 1, k), ring(stacks - 1, k + 1));
    }
    for (uint32_t s = 1; s + 1 < stacks; ++s) {
        for (uint32_t k = 0; k < slices; ++k) {
            const uint32_t a = ring(s, k), b = ring(s, k + 1), c = ring(s + 1, k + 1),
                           d = ring(s + 1, k);
            m.AddTriangle(a, b, c);
            m.AddTriangle(a, c, d);
        }
    }
    return m;
}

TestMesh Grid(uint32_t n, double cell)
{
    TestMesh m;
    for (uint32_t j = 0; j <= n; ++j) {
        for (uint32_t i = 0; i <= n; ++i) {
            m.AddPoint(i * cell, j * cell, 0.0);
        }
    }
    for (uint32_t j = 0; j < n; ++j) {
        for (uint32_t i = 0; i < n; ++i) {
            const uint32_t a = j * (n + 1) + i, b = a + 1, c = a + n + 2, d = a + n + 1;
            m.AddTriangle(a, b, c);
            m.AddTriangle(a, c, d);
        }
    }
    return m;
}

TestMesh RandomSoup(uint32_t count, double extent, uint32_t seed)
{
    TestMesh m;
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> coordinate(0.0, extent);
    for (uint32_t t = 0; t < count; ++t) {
        const uint32_t a = m.AddPoint(coordinate(random), coordinate(random), coordinate(random));
        const uint32_t b = m.AddPoint(coordinate(random), coordinate(random), coordinate(random));
        const uint32_t c = m.AddPoint(coordinate(random), coordinate(random), coordinate(random));
        m.AddTriangle(a, b, c);
    }
    return m;
}

void Append(TestMesh& mesh, const TestMesh& other)
{
    const auto offset = static_cast<uint32_t>(mesh.points.size());
    mesh.points.insert(mesh.points.end(), other.points.begin(), other.points.end());
    for (const TRIANGLE& t : other.triangles) {
        mesh.triangles.push_back(TRIANGLE{t.a + offset, t.b + offset, t.c + offset});
    }
}

TestMesh Fan(uint32_t count)
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    for (uint32_t i = 0; i < count; ++i) {
        const double angle = 2 * pi * i / count;
        m.AddPoint(std::cos(angle), std::sin(angle), 0);
        m.AddTriangle(0, 1 + i, 1 + (i + 1) % count);
    }
    return m;
}

TestMesh Book(uint32_t count)
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(0, 0, 1);
    for (uint32_t i = 0; i < count; ++i) {
        const double angle = 2 * pi * i / count;
        m.AddTriangle(0, 1, m.AddPoint(std::cos(angle), std::sin(angle), 0.5));
    }
    return m;
}

TestMesh Copies(uint32_t count, bool alternate)
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(1, 0, 0);
    m.AddPoint(0, 1, 0);
    for (uint32_t i = 0; i < count; ++i) {
        m.AddTriangle(0, alternate && i % 2 == 1 ? 2 : 1, alternate && i % 2 == 1 ? 1 : 2);
    }
    return m;
}

}  // namespace meshaudit::testing
