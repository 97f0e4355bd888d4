// The build of a 3MF file: its items read and placed, and the items that
// overlap, on hand-made plates and on random ones against a brute force.
#include "BuildPlate.h"
#include "LoadError.h"
#include "MeshWriters.h"
#include "Readers.h"
#include "geometry/Predicates.h"
#include "geometry/TriangleIntersection.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>

namespace meshaudit::cli {
namespace {

using Kind = ItemOverlap::Kind;
using Pairs = std::vector<std::tuple<uint32_t, uint32_t, Kind>>;
// An item: the object it places and its transform ("" for none).
using Items = std::vector<std::pair<int, std::string>>;

std::string ObjectXml(int id, const meshaudit::testing::TestMesh& mesh)
{
    std::string xml = "<object id=\"" + std::to_string(id) + "\" name=\"o" + std::to_string(id) + "\"><mesh><vertices>";
    for (const T3DVECF& p : mesh.points) {
        xml += "<vertex x=\"" + std::to_string(p.x) + "\" y=\"" + std::to_string(p.y) + "\" z=\"" + std::to_string(p.z) + "\"/>";
    }
    xml += "</vertices><triangles>";
    for (const TRIANGLE& t : mesh.triangles) {
        xml += "<triangle v1=\"" + std::to_string(t.a) + "\" v2=\"" + std::to_string(t.b) + "\" v3=\"" + std::to_string(t.c) + "\"/>";
    }
    return xml + "</triangles></mesh></object>\n";
}

// Objects 1 (the unit cube), 2 (the cube moved by 5 in x, as a component),
// 3 (two cubes that cross, as components), 4 (the unit tetrahedron), 5
// (nothing) and 6 (the tetrahedron with a NaN corner), and a build of
// `items`.
std::string PlateFile(const Items& items, const std::string& extra = "")
{
    std::string xml = "<?xml version=\"1.0\"?>\n<model unit=\"millimeter\" xmlns=\"http://schemas.microsoft.com/"
                      "3dmanufacturing/core/2015/02\">\n<resources>\n" + ObjectXml(1, meshaudit::testing::UnitCube()) +
                      "<object id=\"2\"><components><component objectid=\"1\" transform=\"1 0 0 0 1 0 0 0 1 5 0 0\"/>"
                      "</components></object>\n<object id=\"3\"><components><component objectid=\"1\"/><component "
                      "objectid=\"1\" transform=\"1 0 0 0 1 0 0 0 1 .5 .5 .5\"/></components></object>\n" +
                      ObjectXml(4, meshaudit::testing::Tetrahedron()) + "<object id=\"5\"/>\n" +
                      ObjectXml(6, meshaudit::testing::MeshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, NAN}},
                                                              {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}})) +
                      "</resources>\n<build>\n";
    for (const auto& [object, transform] : items) {
        xml += "<item objectid=\"" + std::to_string(object) + "\"" + (transform.empty() ? "" : " transform=\"" + transform + "\"") + extra + "/>\n";
    }
    return Write3mfPackage(xml + "</build>\n</model>\n");
}

std::string Move(double x, double y, double z, double scale = 1)
{
    const std::string s = std::to_string(scale);
    return s + " 0 0 0 " + s + " 0 0 0 " + s + " " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z);
}

auto Corners(const MeshData& mesh, uint32_t t, T3DVECF (&out)[3]) -> T3DVECF (&)[3]
{
    const TRIANGLE& tri = mesh.triangles[t];
    out[0] = mesh.points[tri.a], out[1] = mesh.points[tri.b], out[2] = mesh.points[tri.c];
    return out;
}

bool Meet(const MeshData& a, uint32_t ta, const MeshData& b, uint32_t tb)
{
    T3DVECF x[3], y[3];
    return TriTriIntersect(Corners(a, ta, x), Corners(b, tb, y)) == '1';
}

// p strictly inside the convex piece of `mesh` made of triangles first ..
// first + count (all by default): on the side of each one's plane where the
// piece's other corners lie.
bool Inside(const T3DVECF& p, const MeshData& mesh, uint32_t first = 0, uint32_t count = UINT32_MAX)
{
    const uint64_t end = std::min<uint64_t>(uint64_t{first} + count, mesh.triangles.size());
    for (uint32_t t = first; t < end; ++t) {
        T3DVECF c[3], q[3];
        int side = 0;
        for (uint32_t u = first; u < end; ++u) {
            for (const T3DVECF& corner : Corners(mesh, u, q)) {
                side = side != 0 ? side : Orient3DSign(Corners(mesh, t, c), corner);
            }
        }
        if (Orient3DSign(Corners(mesh, t, c), p) != side) {
            return false;
        }
    }
    return true;
}

// Reads the plate and finds its overlaps; checks that each one's evidence
// shows it and that the mirrored items are those of negative determinant.
Pairs Overlaps(const std::string& file, std::vector<BuildItem>& items, uint64_t skipped = 0)
{
    items = Read3mfBuildItems(file, "plate.3mf");
    const PlateOverlaps found = FindOverlaps(items);
    EXPECT_EQ(found.itemCount, items.size());
    EXPECT_EQ(found.skippedTriangles, skipped);
    EXPECT_EQ(found.pairCount, found.overlaps.size());
    Pairs pairs;
    for (const ItemOverlap& o : found.overlaps) {
        const MeshData &a = items[o.itemA].mesh, &b = items[o.itemB].mesh;
        if (o.kind == Kind::Meet) {
            EXPECT_TRUE(Meet(a, o.triangleA, b, o.triangleB)) << o.itemA << " " << o.itemB;
        } else {
            // The corner lies inside the outer item's cube or tetrahedron
            // that the crossed triangle belongs to (object 3 has two cubes).
            const bool aInB = o.kind == Kind::AInsideB;
            const MeshData& outer = aInB ? b : a;
            const uint32_t crossed = aInB ? o.triangleB : o.triangleA;
            T3DVECF c[3];
            EXPECT_TRUE(Inside(Corners(aInB ? a : b, aInB ? o.triangleA : o.triangleB, c)[0], outer,
                               outer.triangles.size() == 24 ? crossed / 12 * 12 : 0, 12));
        }
        pairs.emplace_back(o.itemA, o.itemB, o.kind);
    }
    std::vector<uint32_t> mirrored;
    for (const BuildItem& item : items) {
        const double* t = item.transform.data();
        const double origin[3] = {0, 0, 0};
        if (Orient3DSign(t, t + 3, t + 6, origin) < 0) {
            mirrored.push_back(item.item);
        }
    }
    EXPECT_EQ(found.mirrored, mirrored);
    return pairs;
}

TEST(BuildPlate, KnownPlates)
{
    const std::string id = Move(0, 0, 0);
    const struct {
        const char* name;
        Items items;
        Pairs pairs;
        uint64_t skipped = 0;
    } cases[] = {
        {"no build", {}, {}},
        {"apart", {{1, ""}, {1, Move(1.5, 0, 0)}}, {}},
        {"overlapping", {{1, ""}, {1, Move(.5, .5, .5)}}, {{0, 1, Kind::Meet}}},
        // Touching counts as meeting: a shared face, a shared corner.
        {"face to face", {{1, ""}, {1, Move(1, 0, 0)}}, {{0, 1, Kind::Meet}}},
        {"corner to corner", {{1, ""}, {1, Move(1, 1, 1)}}, {{0, 1, Kind::Meet}}},
        // A small cube inside a big one, the big one mirrored in x.
        {"inside", {{1, Move(1, 1, 1)}, {1, "-3 0 0 0 3 0 0 0 3 3 0 0"}}, {{0, 1, Kind::AInsideB}}},
        {"around", {{1, Move(0, 0, 0, 3)}, {4, Move(1, 1, 1)}}, {{0, 1, Kind::BInsideA}}},
        {"one object twice at one spot", {{1, id}, {1, ""}}, {{0, 1, Kind::Meet}}},
        {"a row", {{1, ""}, {1, Move(1, 0, 0)}, {1, Move(2, 0, 0)}}, {{0, 1, Kind::Meet}, {1, 2, Kind::Meet}}},
        // The component's move comes first, then the item's quarter turn:
        // the cube lands on [-1, 0] x [5, 6] x [0, 1], not on [4, 5] x [0, 1].
        {"composed", {{2, "0 1 0 -1 0 0 0 0 1 0 0 0"}, {1, Move(-.5, 5.5, 0)}, {1, Move(4.5, .5, 0)}}, {{0, 1, Kind::Meet}}},
        // An object's own crossing cubes are no overlap between items.
        {"crossing within one item", {{3, ""}, {1, Move(3, 0, 0)}}, {}},
        // Inside both of an object's crossing cubes: each shell encloses it.
        {"inside where shells cross", {{3, ""}, {1, Move(.6, .6, .6, .25)}}, {{0, 1, Kind::BInsideA}}},
        // The three triangles at the NaN corner are left out; the fourth
        // touches the cube.
        {"a corner not finite", {{6, ""}, {1, ""}}, {{0, 1, Kind::Meet}}, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<BuildItem> items;
        EXPECT_EQ(Overlaps(PlateFile(c.items), items, c.skipped), c.pairs);
        ASSERT_EQ(items.size(), c.items.size());
        for (uint32_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].item, i);
            EXPECT_EQ(items[i].objectId, std::to_string(c.items[i].first));
            // Objects 2 and 3 have no name.
            EXPECT_EQ(items[i].mesh.objectName, c.items[i].first / 2 == 1 ? "" : "o" + items[i].objectId);
            EXPECT_EQ(items[i].mesh.objectId, items[i].objectId);
        }
    }
}

TEST(BuildPlate, ReaderFaults)
{
    const struct {
        Items items;
        std::string extra, message;
    } cases[] = {
        {{{9, ""}}, "", "item 0 places object 9, which the model does not define"},
        {{{1, ""}, {5, ""}}, "", "item 1 places object 5, which has no mesh: no triangles of its own or in its components"},
        {{{1, "1 0 0 0 1 0 0 0 1 0 0"}}, "", "a transform needs 12 numbers"},
        {{{1, "1 0 0 0 1 0 0 0 1 0 0 x"}}, "", "transform: 'x' is not a number"},
        {{{1, "1 0 0 0 1 0 0 0 1 0 0 inf"}}, "", "item 0: the transform holds a value that is not finite"},
        {{{1, "1 0 0 0 1 0 2 0 0 0 0 0"}}, "", "item 0: the transform is singular (its determinant is 0"},
        {{{1, ""}}, " p:path=\"/3D/other.model\"", "item 0 places an object of another model part ('/3D/other.model')"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        try {
            Read3mfBuildItems(PlateFile(c.items, c.extra), "plate.3mf");
            ADD_FAILURE() << "read without an error";
        } catch (const LoadError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).rfind("plate.3mf: 3D/3dmodel.model: line ", 0), 0u) << e.what();
        }
    }
}

// Random plates of cubes and tetrahedra under integer transforms (scaled by
// 1 or 3, some mirrored), whose placed corners are exact: many items cross,
// touch in faces, edges and corners, or lie inside others. Each pair is
// judged by every pair of its triangles and by a corner inside the other's
// convex hull.
TEST(BuildPlate, RandomPlatesAgreeWithBruteForce)
{
    std::mt19937 random(7);
    size_t kinds[3] = {};
    for (int plate = 0; plate < 60; ++plate) {
        Items placed;
        const int count = 2 + static_cast<int>(random() % 7);
        while (static_cast<int>(placed.size()) < count) {
            // A third of the items big, axis-aligned and perhaps mirrored; the
            // others small and sheared.
            const bool big = random() % 3 == 0;
            const int turn = static_cast<int>(random() % 3);
            int m[9];
            for (int i = 0; i < 9; ++i) {
                m[i] = big ? ((i / 3 + turn) % 3 == i % 3) * (random() % 2 == 0 ? 1 : -1)
                           : static_cast<int>(random() % 3) - 1;
            }
            if (m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) + m[2] * (m[3] * m[7] - m[4] * m[6]) == 0) {
                continue;
            }
            const double scale = big ? 6.0 : random() % 2 == 0 ? 0.5 : 1.0;
            std::string t;
            for (int v : m) {
                t += std::to_string(v * scale) + " ";
            }
            for (int k = 0; k < 3; ++k) {
                // A big cube's centre near the origin, where the others are.
                const int shift = big ? -3 * (m[k] + m[3 + k] + m[6 + k]) : 0;
                t += std::to_string(static_cast<int>(random() % 5) - 2 + shift) + (k < 2 ? " " : "");
            }
            placed.emplace_back(random() % 2 == 0 ? 1 : 4, t);
        }
        std::vector<BuildItem> items;
        const Pairs pairs = Overlaps(PlateFile(placed), items);
        Pairs expected;
        for (uint32_t a = 0; a < items.size(); ++a) {
            for (uint32_t b = a + 1; b < items.size(); ++b) {
                const MeshData &x = items[a].mesh, &y = items[b].mesh;
                bool meet = false;
                for (uint32_t s = 0; s < x.triangles.size() && !meet; ++s) {
                    for (uint32_t t = 0; t < y.triangles.size() && !meet; ++t) {
                        meet = Meet(x, s, y, t);
                    }
                }
                if (meet || Inside(x.points[0], y) || Inside(y.points[0], x)) {
                    expected.emplace_back(a, b, meet ? Kind::Meet : Inside(x.points[0], y) ? Kind::AInsideB : Kind::BInsideA);
                    ++kinds[static_cast<int>(std::get<2>(expected.back()))];
                }
            }
        }
        ASSERT_EQ(pairs, expected) << "plate " << plate;
    }
    // The plates reached every kind of overlap.
    EXPECT_GT(kinds[0], 0u);
    EXPECT_GT(kinds[1] + kinds[2], 10u);
}

}  // namespace
}  // namespace meshaudit::cli
