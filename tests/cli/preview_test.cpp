// The repair preview of `report --repair-preview`: on hand-made damage, the
// kinds and their counts by hand; on every case, the preview's triangles
// drawn on the input's points are the repaired mesh, place for place, and
// each kind is what the log and the maps say.
#include "RepairPreview.h"

#include "MeshCheck.h"

#include "meshaudit_repair.hpp"

#include <gtest/gtest.h>

#include <map>

namespace meshaudit::cli {
namespace {

MeshData Mesh(std::vector<T3DVECF> points, std::vector<TRIANGLE> triangles)
{
    MeshData mesh;
    mesh.points = std::move(points);
    mesh.triangles = std::move(triangles);
    return mesh;
}

const std::vector<T3DVECF> kCube = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
const std::vector<T3DVECF> kTwoTetrahedra = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {-1, 0, 0}, {0, -1, 0}, {0, 0, -1}};
const std::vector<TRIANGLE> kTetrahedron = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};

struct Case {
    const char* name;
    MeshData mesh;
    std::map<std::string, size_t> counts;  // by label
    uint32_t shared;                        // the input's first triangles kept as they are
    const char* error;
};

TEST(RepairPreview, KindsByHandAndTheRepairedMeshOnTheInputsPoints)
{
    std::vector<TRIANGLE> duplicated = kTetrahedron;
    duplicated.push_back({2, 1, 0});
    std::vector<TRIANGLE> pinched = kTetrahedron;  // a second tetrahedron at point 0, outward too
    pinched.insert(pinched.end(), {{0, 4, 5}, {0, 6, 4}, {0, 5, 6}, {4, 6, 5}});
    const Case cases[] = {
        // z = 1 turned, x = 1 missing.
        {"hole and flip", Mesh(kCube, {{0, 2, 1}, {0, 3, 2}, {4, 6, 5}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4}, {3, 7, 6},
                                       {3, 6, 2}, {0, 4, 7}, {0, 7, 3}}),
         {{"filled holes", 2}, {"flipped shells", 2}}, 2, ""},
        {"duplicate", Mesh(kTwoTetrahedra, duplicated), {{"dropped triangles", 1}}, 4, ""},
        {"pinched", Mesh(kTwoTetrahedra, pinched), {{"split points", 1}}, 8, ""},
        {"clean", Mesh(kTwoTetrahedra, kTetrahedron), {}, 4, ""},
        {"nothing left", Mesh(kCube, {{0, 1, 1}}), {}, 0, "the repair leaves no triangle"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MeshData repaired;
        const RepairPreview preview = PreviewRepair(c.mesh, repaired);
        EXPECT_EQ(preview.error, c.error);
        std::map<std::string, size_t> counts;
        for (const PreviewKind& kind : preview.kinds) {
            counts[kind.label] = kind.Count();
        }
        EXPECT_EQ(counts, c.counts);
        if (*c.error != '\0') {
            EXPECT_TRUE(repaired.triangles.empty() && preview.triangles.empty());
            continue;
        }
        meshaudit::RepairResult direct;
        ASSERT_EQ(meshaudit::repair(RecordOf(c.mesh), {}, direct), 1);
        ASSERT_EQ(repaired.triangles.size(), direct.triangles.size());
        EXPECT_EQ(preview.shared, c.shared);
        std::vector<uint32_t> drawn;  // what the page draws
        for (uint32_t t = 0; t < preview.shared; ++t) {
            drawn.insert(drawn.end(), {c.mesh.triangles[t].a, c.mesh.triangles[t].b, c.mesh.triangles[t].c});
        }
        drawn.insert(drawn.end(), preview.triangles.begin(), preview.triangles.end());
        ASSERT_EQ(drawn.size(), 3 * direct.triangles.size());
        EXPECT_EQ(preview.summary.size(), meshaudit::kRepairStepCount);
        for (size_t t = 0; t < direct.triangles.size(); ++t) {
            const uint32_t corners[3] = {direct.triangles[t].a, direct.triangles[t].b, direct.triangles[t].c};
            for (size_t k = 0; k < 3; ++k) {
                const T3DVECF& at = c.mesh.points.at(drawn[3 * t + k]);
                const T3DVECF& want = repaired.points[corners[k]];
                EXPECT_TRUE(at.x == want.x && at.y == want.y && at.z == want.z) << t << " " << k;
            }
        }
        // Each kind against the maps and the log.
        for (const PreviewKind& kind : preview.kinds) {
            for (size_t i = 0; i < kind.Count(); ++i) {
                const uint32_t e = kind.elements[kind.on == PreviewKind::On::Corners ? 3 * i : i];
                if (kind.label == "filled holes") {
                    EXPECT_EQ(direct.triangleFrom[e], meshaudit::kAddedTriangle);
                } else if (kind.label == "flipped shells") {
                    EXPECT_EQ(direct.log.flippedShells.at(0).triangles.at(i), direct.triangleFrom[e]);
                } else if (kind.label == "dropped triangles") {
                    EXPECT_EQ(c.mesh.triangles[direct.log.droppedTriangles.at(i).triangle].a, e);
                } else {
                    EXPECT_EQ(direct.log.splitPoints.at(i).point, e);
                }
            }
        }
        EXPECT_EQ(preview.log["holes_filled"], c.counts.contains("filled holes") ? 1u : 0u);
    }
}

}  // namespace
}  // namespace meshaudit::cli
