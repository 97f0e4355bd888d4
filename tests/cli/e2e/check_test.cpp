// meshaudit check on meshes generated here: values, verdicts, JSON, exit
// statuses, many files, the terminal.
#include "E2eSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace meshaudit::cli {
namespace {

using testing::CheckJson;
using testing::CommandResult;
using testing::RunCommand;
using testing::TempDir;
using testing::ToMeshData;
using testing::WriteMesh;

std::string Watertight()
{
    return testing::SourceDir() + "/cli/samples/watertight.json";
}

// Quantities that need only the analysis frame, not the analyses.
TEST(CheckFrame, CountsSettingsAndDisabledQuantities)
{
    TempDir dir;
    const MeshData sphere = ToMeshData(meshaudit::testing::Sphere(16, 10));
    const std::string file = WriteMesh(dir, "sphere.ply", sphere);
    const std::string settings =
        dir.Write("tight.json", R"({"points": {"Count": {"max": 5}, "CountNAN": {"enable": false}}})");
    testing::CheckRun run = CheckJson({"-s", settings, file});
    EXPECT_EQ(run.exitStatus, 1);
    const nlohmann::json& doc = run.document;
    EXPECT_EQ(doc["file"], file);
    EXPECT_EQ(doc["format"], "PLY binary little-endian");
    EXPECT_EQ(doc["input"]["points"], sphere.points.size());
    EXPECT_EQ(doc["input"]["triangles"], sphere.triangles.size());
    EXPECT_EQ(doc["points"]["Count"]["value"], sphere.points.size());
    EXPECT_EQ(doc["points"]["Count"]["criterion"], nlohmann::json::parse(R"({"min": 3, "max": 5})"));
    EXPECT_EQ(doc["points"]["Count"]["verdict"], "fail");
    EXPECT_EQ(doc["triangles"]["Count"]["value"], sphere.triangles.size());
    EXPECT_EQ(doc["triangles"]["Count"]["verdict"], "pass");
    EXPECT_EQ(doc["points"]["CountNAN"]["enabled"], false);
    EXPECT_EQ(doc["points"]["CountNAN"]["state"], "not computed");
    EXPECT_EQ(doc["points"]["CountNAN"]["verdict"], "not judged");
    EXPECT_EQ(doc["mesh"]["Manifold"]["verdict"], "not judged");
    EXPECT_EQ(doc["verdict"], "fail");
}

TEST(CheckErrors, BadFilesGiveOneLineAndStatusTwo)
{
    TempDir dir;
    const std::string bad = dir.Write("bad.obj", "v 0 0 0\nv 1 0 0\nv 0 abc 0\nf 1 2 3\n");
    CommandResult text = RunCommand({"check", bad});
    EXPECT_EQ(text.exitStatus, 2);
    EXPECT_EQ(text.out, "");
    EXPECT_EQ(text.err, "meshaudit: " + bad + ": line 3: 'abc' is not a number\n");

    testing::CheckRun json = CheckJson({bad});
    EXPECT_EQ(json.exitStatus, 2);
    EXPECT_EQ(json.document, nlohmann::json::parse(R"({"schema": 1, "file": ")" + bad +
                                                   R"(", "verdict": "error", "error": ")" + bad +
                                                   R"(: line 3: 'abc' is not a number"})"));

    CommandResult settings = RunCommand({"check", "-s", dir.Write("s.json", R"({"points": {"Bogus": {}}})"), bad});
    EXPECT_EQ(settings.exitStatus, 2);
    EXPECT_EQ(settings.err, "meshaudit: " + dir.File("s.json") + ": points.Bogus: unknown key\n");
}

TEST(CheckMany, FoldersAreCheckedInParallelOneJsonLinePerFile)
{
    TempDir dir;
    WriteMesh(dir, "b-sphere.ply", ToMeshData(meshaudit::testing::Sphere(12, 8)));
    WriteMesh(dir, "a-grid.obj", ToMeshData(meshaudit::testing::Grid(4)));
    dir.Write("c-broken.off", "OFF\n3 1 0\n0 0 0\n");
    std::filesystem::create_directories(dir.File("d"));
    WriteMesh(dir, "d/cube.stl", ToMeshData(meshaudit::testing::UnitCube()));
    dir.Write("notes.txt", "not a mesh");
    CommandResult r = RunCommand({"check", "--json", "-q", "--jobs", "2", dir.Path()});
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.err, "");
    const std::vector<nlohmann::json> docs = testing::JsonLines(r.out);
    ASSERT_EQ(docs.size(), 4u) << r.out;
    EXPECT_EQ(docs[0]["file"], dir.File("a-grid.obj"));
    EXPECT_EQ(docs[1]["file"], dir.File("b-sphere.ply"));
    EXPECT_EQ(docs[2]["file"], dir.File("c-broken.off"));
    EXPECT_EQ(docs[3]["file"], dir.File("d/cube.stl"));
    EXPECT_EQ(docs[2]["verdict"], "error");
    EXPECT_EQ(docs[2]["error"].get<std::string>().rfind(dir.File("c-broken.off") + ": line 2: ", 0), 0u);
    EXPECT_EQ(docs[0]["triangles"]["Count"]["value"], 32);
    EXPECT_EQ(docs[3]["format"], "STL binary");
    EXPECT_EQ(docs[3]["points"]["Count"]["value"], 8);

    // The same in text, with a closing count; the broken file's error goes
    // to standard error and the rest are still reported.
    CommandResult text = RunCommand({"check", "-j", "3", dir.Path(), dir.File("absent.ply")});
    EXPECT_EQ(text.exitStatus, 2);
    EXPECT_NE(text.out.find(dir.File("a-grid.obj") + "  (OBJ, 25 points, 32 triangles)"), std::string::npos);
    EXPECT_NE(text.out.find(dir.File("d/cube.stl") + "  (STL binary, 8 points, 12 triangles)"), std::string::npos);
    EXPECT_EQ(testing::Lines(text.out).back(), "checked 5 files: 0 passed, 3 failed, 2 errors");
    EXPECT_EQ(testing::Lines(text.err).size(), 2u) << text.err;

    TempDir empty;
    CommandResult none = RunCommand({"check", empty.Path()});
    EXPECT_EQ(none.exitStatus, 2);
    EXPECT_EQ(none.err, "meshaudit: " + empty.Path() + ": no mesh files (.stl, .obj, .ply, .off) in the folder\n");
}

TEST(CheckTerminal, ProgressAndColourOnlyOnATerminal)
{
    const std::string sample = testing::SourceDir() + "/cli/samples/sample.ply";
    CommandResult terminal = testing::RunCommandOnTerminal({"check", sample});
    EXPECT_NE(terminal.out.find("] "), std::string::npos);
    EXPECT_NE(terminal.out.find("  0 % point::Count"), std::string::npos);
    EXPECT_NE(terminal.out.find("\033["), std::string::npos);

    CommandResult quiet = testing::RunCommandOnTerminal({"check", "--quiet", "--color=never", sample});
    EXPECT_EQ(quiet.out.find("point::Count"), std::string::npos);
    EXPECT_EQ(quiet.out.find("\033["), std::string::npos);
    EXPECT_NE(quiet.out.find("summary: "), std::string::npos);
    EXPECT_EQ(quiet.exitStatus, terminal.exitStatus);

    CommandResult piped = RunCommand({"check", sample});
    EXPECT_EQ(piped.err, "");
    EXPECT_EQ(piped.out.find('\033'), std::string::npos);
    CommandResult forced = RunCommand({"check", "--color", "always", sample});
    EXPECT_NE(forced.out.find("\033["), std::string::npos);
}

// ---------------------------------------------------------------------------
// Values computed by the analyses
// ---------------------------------------------------------------------------

TEST(CheckValues, ClosedSpherePassesTheWatertightGate)
{
    TempDir dir;
    const MeshData sphere = ToMeshData(meshaudit::testing::Sphere(16, 10));
    const std::string file = WriteMesh(dir, "sphere.off", sphere);
    testing::CheckRun run = CheckJson({"--settings", Watertight(), file});
    const nlohmann::json& doc = run.document;
    const size_t v = sphere.points.size(), t = sphere.triangles.size();
    testing::ExpectValues(doc, {{"edges.Count", v + t - 2},  // Euler: V - E + F = 2
                                {"edges.CountBorder", 0}, {"edges.MinimalDegree", 2}, {"edges.MaximalDegree", 2},
                                {"points.CountIsolated", 0}, {"points.MaximalDegree", 16},  // the poles
                                {"triangles.MinimalDegree", 3}, {"mesh.Closed", true}, {"mesh.Oriented", true},
                                {"mesh.CountComponents", 1}, {"mesh.CountHandles", 0}, {"mesh.Inclusion", true},
                                {"mesh.Selfintersection", false}});
    EXPECT_NEAR(testing::AsNumber(doc["mesh"]["Volume"]["value"]), testing::SignedVolume(sphere), 1e-12);
    EXPECT_EQ(doc["verdict"], "pass") << doc.dump();
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(doc["summary"]["failed"], 0);
}

TEST(CheckValues, TorusHasAHandleAndFailsTheWatertightGate)
{
    TempDir dir;
    const std::string file = WriteMesh(dir, "torus.obj", ToMeshData(meshaudit::testing::Torus(12, 8)));
    testing::CheckRun gate = CheckJson({"-s", Watertight(), file});
    testing::ExpectValues(gate.document, {{"mesh.CountHandles", 1}, {"mesh.HasHandles", true}});
    EXPECT_EQ(gate.document["mesh"]["HasHandles"]["verdict"], "fail");
    EXPECT_EQ(gate.document["summary"]["failed"], 1);
    EXPECT_EQ(gate.exitStatus, 1);
}

TEST(CheckValues, OpenGridHasOneBorder)
{
    TempDir dir;
    const MeshData grid = ToMeshData(meshaudit::testing::Grid(5));
    const std::string file = WriteMesh(dir, "grid.ply", grid);
    testing::CheckRun run = CheckJson({file});
    EXPECT_EQ(run.exitStatus, 1);
    const nlohmann::json& doc = run.document;
    testing::ExpectValues(doc, {{"edges.CountBorder", 20}, {"points.CountBorder", 20}, {"mesh.CountBorders", 1},
                                {"mesh.Closed", false}});
    EXPECT_EQ(doc["mesh"]["Closed"]["verdict"], "fail");
    EXPECT_EQ(doc["mesh"]["HasBorders"]["verdict"], "fail");
    EXPECT_NEAR(testing::AsNumber(doc["mesh"]["Area"]["value"]), 25.0, 1e-12);
    EXPECT_EQ(doc["mesh"]["Area"]["verdict"], "not judged");
}

TEST(CheckValues, SampleFailsOnlyTheThreeDefaultsThatNoClosedSphereMeets)
{
    const std::string sample = testing::SourceDir() + "/cli/samples/sample.ply";
    testing::CheckRun defaults = CheckJson({sample});
    EXPECT_EQ(defaults.exitStatus, 1);
    std::vector<std::string> failed;
    for (const char* category : {"points", "edges", "triangles", "mesh"}) {
        for (auto it = defaults.document[category].begin(); it != defaults.document[category].end(); ++it) {
            if (it.value()["verdict"] == "fail") {
                failed.push_back(std::string(category) + "." + it.key());
            }
        }
    }
    EXPECT_EQ(failed, (std::vector<std::string>{"points.CountArticulation", "edges.CountConvex", "mesh.HasHandles"}));
    testing::CheckRun gate = CheckJson({"-s", Watertight(), sample});
    EXPECT_EQ(gate.exitStatus, 0) << gate.document.dump();
}

}  // namespace
}  // namespace meshaudit::cli
