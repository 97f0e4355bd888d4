// meshaudit check on the real meshes of the shared folder, against the
// figures its README lists (computed there by an independent tool).
#include "E2eSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace meshaudit::cli {
namespace {

struct Figures {
    const char* file;
    uint64_t points, triangles, isolated, duplicatePoints, duplicateClasses, edges, borderSides, singularEdges,
        components, borderGroups;
    bool oriented;
    uint64_t intersecting, flipped, duplicateTriangles;
    double volume, area;
};

constexpr Figures kReadme[] = {
    {"spot.obj", 2930, 5856, 0, 0, 0, 8784, 0, 0, 1, 0, true, 0, 0, 0, 0.7182587880998645, 5.70951878516515},
    {"stanford-bunny.obj", 35947, 69451, 1113, 0, 0, 104288, 223, 0, 1, 5, true, 0, 0, 0, 0.0007700565238985368,
     0.057128786060864314},
    {"teapot.obj", 3644, 6320, 0, 796, 393, 9998, 1036, 0, 19, 10, true, 1695, 0, 0, 25.770106073456347,
     52.66079342550578},
    {"suzanne.obj", 507, 968, 0, 4, 2, 1472, 42, 1, 3, 4, false, 96, 4, 2, 2.5930764219339686, 12.46853911238726},
};

class RealMeshes : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::is_directory(testing::SharedMeshesDir())) {
            GTEST_SKIP() << "no real meshes at " << testing::SharedMeshesDir();
        }
    }
    static std::string PathOf(const char* file) { return testing::SharedMeshesDir() + "/" + file; }
};

TEST_F(RealMeshes, ReadFaithfullyAndValuesMatchTheReadme)
{
    for (const Figures& f : kReadme) {
        SCOPED_TRACE(f.file);
        const testing::CheckRun run = testing::CheckJson({PathOf(f.file)});
        const nlohmann::json& doc = run.document;
        EXPECT_EQ(doc["format"], "OBJ");
        EXPECT_EQ(doc["input"]["points"], f.points);
        EXPECT_EQ(doc["input"]["triangles"], f.triangles);
        // With the defaults some quantity always fails (articulations are never computed, must be 0).
        EXPECT_EQ(run.exitStatus, 1);
        testing::ExpectValues(doc, {{"points.Count", f.points},
                                    {"triangles.Count", f.triangles},
                                    {"points.CountIsolated", f.isolated},
                                    {"points.CountDuplicatedGeometrical", f.duplicatePoints},
                                    {"points.CountClassesOfDuplicatedGeometrical", f.duplicateClasses},
                                    {"edges.Count", f.edges},
                                    {"edges.CountBorder", f.borderSides},
                                    {"edges.CountSingular", f.singularEdges},
                                    {"mesh.CountComponents", f.components},
                                    {"mesh.CountBorders", f.borderGroups},
                                    {"mesh.Oriented", f.oriented},
                                    {"triangles.CountIntersected", f.intersecting},
                                    {"triangles.CountFlippedTopological", f.flipped},
                                    {"triangles.CountDuplicatedTopological", f.duplicateTriangles},
                                    {"mesh.Closed", f.borderGroups == 0},
                                    {"mesh.Connected", f.components == 1},
                                    {"mesh.Selfintersection", f.intersecting > 0}});
        ASSERT_TRUE(doc["mesh"]["Volume"]["value"].is_number()) << doc["mesh"]["Volume"];
        ASSERT_TRUE(doc["mesh"]["Area"]["value"].is_number()) << doc["mesh"]["Area"];
        EXPECT_NEAR(testing::AsNumber(doc["mesh"]["Volume"]["value"]), f.volume, 1e-12 * std::fabs(f.volume));
        EXPECT_NEAR(testing::AsNumber(doc["mesh"]["Area"]["value"]), f.area, 1e-12 * f.area);
        if (std::string(f.file) == "suzanne.obj") {
            EXPECT_EQ(doc["notes"], nlohmann::json::parse(R"x(["468 faces with more than three corners split )x"
                                                          R"x(into 936 triangles (fan from the first corner)"])x"));
        }
    }
}

TEST_F(RealMeshes, SpotPassesTheWatertightGate)
{
    testing::CheckRun run =
        testing::CheckJson({"-s", testing::SourceDir() + "/cli/samples/watertight.json", PathOf("spot.obj")});
    EXPECT_EQ(run.document["mesh"]["CountHandles"]["value"], 0);
    EXPECT_EQ(run.document["mesh"]["Inclusion"]["value"], true);
    EXPECT_EQ(run.exitStatus, 0) << run.document.dump();
}

TEST_F(RealMeshes, TheFolderInParallel)
{
    testing::CommandResult r = testing::RunCommand({"check", "--json", "-q", "-j", "2", testing::SharedMeshesDir()});
    EXPECT_EQ(r.exitStatus, 1);
    const std::vector<nlohmann::json> docs = testing::JsonLines(r.out);
    ASSERT_EQ(docs.size(), 4u);
    const char* sorted[] = {"spot.obj", "stanford-bunny.obj", "suzanne.obj", "teapot.obj"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(docs[i]["file"], PathOf(sorted[i]));
        EXPECT_EQ(docs[i]["verdict"], "fail");
    }
}

}  // namespace
}  // namespace meshaudit::cli
