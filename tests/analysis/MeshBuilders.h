// Meshes and records built for the analysis tests, on top of support/TestMeshes.h.
#pragma once

#include "support/TestMeshes.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <utility>

namespace meshaudit::testing {

inline void AddTriangles(TestMesh& m, std::initializer_list<TRIANGLE> triangles)
{
    for (const TRIANGLE& t : triangles) {
        m.AddTriangle(t.a, t.b, t.c);
    }
}

// A mesh of the given points and triangles.
inline TestMesh MeshOf(std::initializer_list<T3DVECF> points,
                       std::initializer_list<TRIANGLE> triangles = {})
{
    TestMesh m;
    for (const T3DVECF& p : points) {
        m.AddPoint(p.x, p.y, p.z);
    }
    AddTriangles(m, triangles);
    return m;
}

// One triangle (0,0,1), (1,0,1), (0,1,1), counter-clockwise seen from +z.
inline TestMesh SingleTriangle()
{
    return MeshOf({{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, {{0, 1, 2}});
}

// `pages` triangles (0, 1, 2 + i) on the common side (0, 1), all running it
// the same way.
inline TestMesh Book(uint32_t pages)
{
    TestMesh m = MeshOf({{0, 0, 0}, {0, 0, 1}});
    for (uint32_t i = 0; i < pages; ++i) {
        const double angle = 6.283185307179586 * i / pages;
        m.AddPoint(std::cos(angle), std::sin(angle), 0.5);
        m.AddTriangle(0, 1, 2 + i);
    }
    return m;
}

// One triangle (0,0,0), (1,0,0), (0,1,0).
inline TestMesh FlatTriangle()
{
    return MeshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
}

// A record over bare arrays (null pointers and zero counts allowed).
inline MeshRecord RecordOf(const T3DVECF* points, uint32_t pointCount, const TRIANGLE* triangles,
                           uint32_t triangleCount)
{
    return MeshRecord{const_cast<T3DVECF*>(points), pointCount, const_cast<TRIANGLE*>(triangles),
                      triangleCount};
}

// `good` with one defect, in the order of the record checks (code -1 - i):
// 0 no point array, 1 no triangle array, 2 no points, 3 no triangles.
inline MeshRecord Broken(MeshRecord good, int i)
{
    switch (i) {
    case 0:
        good.points = nullptr;
        break;
    case 1:
        good.triangles = nullptr;
        break;
    case 2:
        good.pointCount = 0;
        break;
    default:
        good.triangleCount = 0;
        break;
    }
    return good;
}

// Every triangle's first two corners swapped.
inline TestMesh Reversed(TestMesh mesh)
{
    for (TRIANGLE& t : mesh.triangles) {
        std::swap(t.a, t.b);
    }
    return mesh;
}

inline TestMesh FlipOne(TestMesh mesh, size_t index)
{
    std::swap(mesh.triangles[index].a, mesh.triangles[index].b);
    return mesh;
}

// Two triangles that share point 2 only (5 points, 6 edges).
inline TestMesh BowTie()
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(1, 0, 0);
    m.AddPoint(1, 1, 0);
    m.AddPoint(2, 1, 0);
    m.AddPoint(2, 2, 0);
    m.AddTriangle(0, 1, 2);
    m.AddTriangle(2, 3, 4);
    return m;
}

// A closed surface of genus 2: two tori of 8 x 6 quads, each with one quad
// removed, the two square holes joined by a tube of four quads. The tube
// pairs the first hole's corners a, b, c, d with the second's a', d', c', b'
// so that every shared edge is run both ways (consistently oriented).
// V = 96, E = 2 * 143 + 8 = 294, T = 2 * 94 + 8 = 196: V - E + T = -2.
inline TestMesh DoubleTorus()
{
    TestMesh first = Torus(8, 6);
    TestMesh second = Torus(8, 6);
    for (T3DVECF& p : second.points) {
        p.x += 10.0;
    }
    // The quad (i, j) of Torus(around, tube) is triangles 2(i tube + j) and
    // 2(i tube + j) + 1: (a, b, c) and (a, c, d).
    const size_t holeA = 2 * (0 * 6 + 0);
    const size_t holeB = 2 * (4 * 6 + 0);
    const TRIANGLE qa = first.triangles[holeA];
    const TRIANGLE qa2 = first.triangles[holeA + 1];
    const TRIANGLE qb = second.triangles[holeB];
    const TRIANGLE qb2 = second.triangles[holeB + 1];
    first.triangles.erase(first.triangles.begin() + holeA, first.triangles.begin() + holeA + 2);
    second.triangles.erase(second.triangles.begin() + holeB,
                           second.triangles.begin() + holeB + 2);
    const uint32_t offset = static_cast<uint32_t>(first.points.size());
    Append(first, second);
    const uint32_t a[4] = {qa.a, qa.b, qa.c, qa2.c};
    const uint32_t b[4] = {qb.a + offset, qb.b + offset, qb.c + offset, qb2.c + offset};
    const uint32_t partner[4] = {b[0], b[3], b[2], b[1]};
    for (int i = 0; i < 4; ++i) {
        const uint32_t x = a[i], y = a[(i + 1) % 4];
        const uint32_t mx = partner[i], my = partner[(i + 1) % 4];
        first.AddTriangle(x, y, my);
        first.AddTriangle(x, my, mx);
    }
    return first;
}

// A Moebius strip of n quads: a closed band whose last quad joins the first
// with a half twist, so that no orientation is consistent. One border.
inline TestMesh Moebius(uint32_t n)
{
    TestMesh m;
    const double pi = std::acos(-1.0);
    for (uint32_t i = 0; i < n; ++i) {
        const double u = 2.0 * pi * i / n;
        const double w = 0.3 * std::cos(u / 2.0);
        const double h = 0.3 * std::sin(u / 2.0);
        m.AddPoint((2.0 + w) * std::cos(u), (2.0 + w) * std::sin(u), h);   // 2i: top
        m.AddPoint((2.0 - w) * std::cos(u), (2.0 - w) * std::sin(u), -h);  // 2i+1: bottom
    }
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t t0 = 2 * i, b0 = 2 * i + 1;
        // The twist: after the last quad, top and bottom trade places.
        const uint32_t t1 = i + 1 < n ? 2 * (i + 1) : 1;
        const uint32_t b1 = i + 1 < n ? 2 * (i + 1) + 1 : 0;
        m.AddTriangle(t0, b0, b1);
        m.AddTriangle(t0, b1, t1);
    }
    return m;
}

}  // namespace meshaudit::testing
