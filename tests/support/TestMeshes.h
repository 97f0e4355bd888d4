// Small meshes built in code for the tests and benchmarks.
#pragma once

#include "meshaudit.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace meshaudit::testing {

struct TestMesh {
    std::vector<T3DVECF> points;
    std::vector<TRIANGLE> triangles;

    // A record over the vectors (valid while the mesh lives and is unchanged).
    MeshRecord Record();
    uint32_t AddPoint(double x, double y, double z);
    void AddTriangle(uint32_t a, uint32_t b, uint32_t c);
};

// A mesh of the given points and triangles.
TestMesh MeshOf(std::initializer_list<T3DVECF> points, std::initializer_list<TRIANGLE> triangles = {});

// The tetrahedron (0,0,0), (1,0,0), (0,1,0), (0,0,1), corners counter-clockwise
// seen from outside (volume 1/6).
TestMesh Tetrahedron();

// The unit cube [0,1]^3 as 12 triangles, counter-clockwise seen from outside.
TestMesh UnitCube();

// The cube [lo, hi]^3 moved by dx along x, outward unless reversed.
TestMesh Box(double lo, double hi, bool reversed = false, double dx = 0.0);

// The meshes one after the other, as one mesh.
TestMesh Join(std::initializer_list<TestMesh> parts);

// A closed torus of `around` x `tube` quads, each split in two triangles
// (2 * around * tube triangles, around * tube points), outward oriented.
TestMesh Torus(uint32_t around, uint32_t tube, double majorRadius = 3.0, double minorRadius = 1.0);

// A closed sphere of `slices` x `stacks` (poles included), outward oriented:
// 2 * slices * (stacks - 1) triangles.
TestMesh Sphere(uint32_t slices, uint32_t stacks, double radius = 1.0, double cx = 0.0,
                double cy = 0.0, double cz = 0.0);

// An open square grid of n x n quads in the plane z = 0 (2 n^2 triangles).
TestMesh Grid(uint32_t n, double cell = 1.0);

// `count` random triangles with coordinates in [0, extent)^3, no shared points.
TestMesh RandomSoup(uint32_t count, double extent, uint32_t seed);

// Shapes that put many triangles at one place. A fan: `count` triangles
// around point 0 in the plane z = 0 (a disk, one valid piece). A book:
// `count` triangles on the edge from point 0 to point 1, their third points
// on a circle around it. Copies: `count` times the triangle (0, 1, 2), every
// second one reversed when `alternate`.
TestMesh Fan(uint32_t count);
TestMesh Book(uint32_t count);
TestMesh Copies(uint32_t count, bool alternate);

// Appends `other` to `mesh`, renumbering its indices.
void Append(TestMesh& mesh, const TestMesh& other);

}  // namespace meshaudit::testing
