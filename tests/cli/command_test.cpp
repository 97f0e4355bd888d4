// The meshaudit command: its runs end to end through the built binary
// (check, repair, defaults, settings files, reports, exit statuses, real
// meshes), and the parts of it that are testable alone: settings, report
// texts, the worker wire format and the worker pool.
#include "CliSupport.h"
#include "MeshFiles.h"
#include "MeshWriters.h"
#include "Outcome.h"
#include "Report.h"
#include "Settings.h"
#include "WorkerPool.h"

#include <csignal>
#include <cstring>

namespace meshaudit::cli {
namespace {

using nlohmann::json;
using testing::RunCommand;
using testing::TempDir;

const std::string kSample = MESHAUDIT_SOURCE_DIR "/cli/samples/sample.ply";
const std::string kWatertight = MESHAUDIT_SOURCE_DIR "/cli/samples/watertight.json";

std::string Write(const TempDir& dir, const std::string& name, const meshaudit::testing::TestMesh& mesh)
{
    std::filesystem::create_directories(std::filesystem::path(dir.File(name)).parent_path());
    WriteMeshFile(dir.File(name), testing::ToMeshData(mesh), {});
    return dir.File(name);
}

// Expects each "category.Quantity" of a check document to hold its value.
void ExpectValues(const json& doc, const std::vector<std::pair<std::string, json>>& expected)
{
    for (const auto& [name, value] : expected) {
        const size_t dot = name.find('.');
        EXPECT_EQ(doc[name.substr(0, dot)][name.substr(dot + 1)]["value"], value) << name;
    }
}

double SignedVolume(const MeshData& mesh)
{
    double sum = 0.0;
    for (const TRIANGLE& t : mesh.triangles) {
        const T3DVECF &a = mesh.points[t.a], &b = mesh.points[t.b], &c = mesh.points[t.c];
        sum += (a.y * b.z - a.z * b.y) * c.x + (a.z * b.x - a.x * b.z) * c.y + (a.x * b.y - a.y * b.x) * c.z;
    }
    return sum / 6.0;
}

TEST(Check, ValuesVerdictsAndSettingsOfGeneratedMeshes)
{
    TempDir dir;
    const auto sphere = meshaudit::testing::Sphere(16, 10);
    const std::string file = Write(dir, "sphere.ply", sphere);
    const std::string tight = dir.Write("t.json", R"({"points": {"Count": {"max": 5}, "CountNAN": {"enable": false}}})");
    auto [status, doc] = testing::CheckJson({"-s", tight, file});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(doc["file"], file);
    EXPECT_EQ(doc["format"], "PLY binary little-endian");
    const size_t v = sphere.points.size(), t = sphere.triangles.size();
    EXPECT_EQ(doc["input"], json({{"points", v}, {"triangles", t}}));
    EXPECT_EQ(doc["points"]["Count"], json::parse(R"({"value": )" + std::to_string(v) + R"(, "state": "computed",
        "enabled": true, "criterion": {"min": 3, "max": 5}, "verdict": "fail"})"));
    EXPECT_EQ(doc["triangles"]["Count"]["verdict"], "pass");
    EXPECT_EQ(doc["points"]["CountNAN"], json::parse(R"({"value": null, "state": "not computed", "enabled": false,
        "criterion": {"min": 0, "max": 0}, "verdict": "not judged"})"));
    EXPECT_EQ(doc["mesh"]["Manifold"]["verdict"], "not judged");
    EXPECT_EQ(doc["verdict"], "fail");

    std::tie(status, doc) = testing::CheckJson({"--settings", kWatertight, Write(dir, "sphere.off", sphere)});
    ExpectValues(doc, {{"edges.Count", v + t - 2}, {"edges.CountBorder", 0}, {"edges.MinimalDegree", 2},
                       {"edges.MaximalDegree", 2}, {"points.CountIsolated", 0}, {"points.MaximalDegree", 16},
                       {"triangles.MinimalDegree", 3}, {"mesh.Closed", true}, {"mesh.Oriented", true},
                       {"mesh.CountComponents", 1}, {"mesh.CountHandles", 0}, {"mesh.Inclusion", true},
                       {"mesh.Selfintersection", false}});
    EXPECT_NEAR(doc["mesh"]["Volume"]["value"].get<double>(), SignedVolume(testing::ToMeshData(sphere)), 1e-12);
    EXPECT_EQ(status, 0) << doc.dump();
    EXPECT_EQ(doc["summary"]["failed"], 0);

    std::tie(status, doc) = testing::CheckJson({"-s", kWatertight, Write(dir, "torus.obj", meshaudit::testing::Torus(12, 8))});
    ExpectValues(doc, {{"mesh.CountHandles", 1}, {"mesh.HasHandles", true}});
    EXPECT_EQ(doc["mesh"]["HasHandles"]["verdict"], "fail");
    EXPECT_EQ(doc["summary"]["failed"], 1);
    EXPECT_EQ(status, 1);

    std::tie(status, doc) = testing::CheckJson({Write(dir, "grid.ply", meshaudit::testing::Grid(5))});
    ExpectValues(doc, {{"edges.CountBorder", 20}, {"points.CountBorder", 20}, {"mesh.CountBorders", 1},
                       {"mesh.Closed", false}, {"mesh.Area", 25.0}});
    EXPECT_EQ(doc["mesh"]["Closed"]["verdict"], "fail");
    EXPECT_EQ(doc["mesh"]["HasBorders"]["verdict"], "fail");
    EXPECT_EQ(doc["mesh"]["Area"]["verdict"], "not judged");

    // The sample fails only the three defaults that no closed sphere meets.
    std::tie(status, doc) = testing::CheckJson({kSample});
    EXPECT_EQ(status, 1);
    std::vector<std::string> failed;
    for (const char* category : {"points", "edges", "triangles", "mesh"}) {
        for (auto it = doc[category].begin(); it != doc[category].end(); ++it) {
            if (it.value()["verdict"] == "fail") {
                failed.push_back(std::string(category) + "." + it.key());
            }
        }
    }
    EXPECT_EQ(failed, (std::vector<std::string>{"points.CountArticulation", "edges.CountConvex", "mesh.HasHandles"}));
    EXPECT_EQ(testing::CheckJson({"-s", kWatertight, kSample}).first, 0);
}

TEST(Check, ErrorsFoldersAndTerminals)
{
    TempDir dir;
    const std::string bad = dir.Write("c-bad.obj", "v 0 0 0\nv 1 0 0\nv 0 abc 0\nf 1 2 3\n");
    const std::string message = bad + ": line 3: 'abc' is not a number";
    testing::CommandResult r = RunCommand({"check", bad});
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "meshaudit: " + message + "\n");
    auto [status, doc] = testing::CheckJson({bad});
    EXPECT_EQ(status, 2);
    EXPECT_EQ(doc, json({{"schema", 1}, {"file", bad}, {"verdict", "error"}, {"error", message}}));
    r = RunCommand({"check", "-s", dir.Write("s.json", R"({"points": {"Bogus": {}}})"), bad});
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.err, "meshaudit: " + dir.File("s.json") + ": points.Bogus: unknown key\n");

    // A folder, in parallel, one JSON line per file in name order.
    Write(dir, "b-sphere.ply", meshaudit::testing::Sphere(12, 8));
    Write(dir, "a-grid.obj", meshaudit::testing::Grid(4));
    Write(dir, "d/cube.stl", meshaudit::testing::UnitCube());
    dir.Write("notes.txt", "not a mesh");
    r = RunCommand({"check", "--json", "-q", "--jobs", "2", dir.path});
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.err, "");
    const std::vector<json> docs = r.Json();
    ASSERT_EQ(docs.size(), 4u) << r.out;
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(docs[i]["file"], dir.File(std::vector<std::string>{"a-grid.obj", "b-sphere.ply", "c-bad.obj", "d/cube.stl"}[i]));
    }
    EXPECT_EQ(docs[2]["error"], message);
    EXPECT_EQ(docs[0]["triangles"]["Count"]["value"], 32);
    EXPECT_EQ(docs[3]["format"], "STL binary");
    EXPECT_EQ(docs[3]["points"]["Count"]["value"], 8);
    r = RunCommand({"check", "-j", "3", dir.path, dir.File("absent.ply")});
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_NE(r.out.find(dir.File("a-grid.obj") + "  (OBJ, 25 points, 32 triangles)"), std::string::npos);
    EXPECT_NE(r.out.find(dir.File("d/cube.stl") + "  (STL binary, 8 points, 12 triangles)"), std::string::npos);
    EXPECT_EQ(testing::Lines(r.out).back(), "checked 5 files: 0 passed, 3 failed, 2 errors");
    EXPECT_EQ(testing::Lines(r.err).size(), 2u) << r.err;
    TempDir empty;
    r = RunCommand({"check", empty.path});
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.err, "meshaudit: " + empty.path + ": no mesh files (.stl, .obj, .ply, .off) in the folder\n");

    // Progress and colour only on a terminal, unless asked.
    r = RunCommand({"check", kSample}, true);
    EXPECT_NE(r.out.find("  0 % point::Count"), std::string::npos);
    EXPECT_NE(r.out.find("\033["), std::string::npos);
    testing::CommandResult quiet = RunCommand({"check", "--quiet", "--color=never", kSample}, true);
    EXPECT_EQ(quiet.out.find("point::Count"), std::string::npos);
    EXPECT_EQ(quiet.out.find("\033["), std::string::npos);
    EXPECT_NE(quiet.out.find("summary: "), std::string::npos);
    EXPECT_EQ(quiet.exitStatus, r.exitStatus);
    r = RunCommand({"check", kSample});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.find('\033'), std::string::npos);
    EXPECT_NE(RunCommand({"check", "--color", "always", kSample}).out.find("\033["), std::string::npos);
}

// The real meshes of the shared folder against the figures its README
// lists (computed there by an independent tool).
TEST(Check, RealMeshesMatchTheirReadme)
{
    const std::string folder = MESHAUDIT_SHARED_MESHES;
    if (!std::filesystem::is_directory(folder)) {
        GTEST_SKIP() << "no real meshes at " << folder;
    }
    struct Figures {
        const char* file;
        uint64_t points, triangles, isolated, duplicatePoints, duplicateClasses, edges, borderSides, singular,
            components, borders;
        bool oriented;
        uint64_t intersecting, flipped, duplicateTriangles;
        double volume, area;
    };
    const Figures readme[] = {
        {"spot.obj", 2930, 5856, 0, 0, 0, 8784, 0, 0, 1, 0, true, 0, 0, 0, 0.7182587880998645, 5.70951878516515},
        {"stanford-bunny.obj", 35947, 69451, 1113, 0, 0, 104288, 223, 0, 1, 5, true, 0, 0, 0, 0.0007700565238985368,
         0.057128786060864314},
        {"teapot.obj", 3644, 6320, 0, 796, 393, 9998, 1036, 0, 19, 10, true, 1695, 0, 0, 25.770106073456347,
         52.66079342550578},
        {"suzanne.obj", 507, 968, 0, 4, 2, 1472, 42, 1, 3, 4, false, 96, 4, 2, 2.5930764219339686, 12.46853911238726},
    };
    for (const Figures& f : readme) {
        SCOPED_TRACE(f.file);
        const auto [status, doc] = testing::CheckJson({folder + "/" + f.file});
        EXPECT_EQ(status, 1);  // articulations are never computed, must be 0
        EXPECT_EQ(doc["format"], "OBJ");
        EXPECT_EQ(doc["input"]["points"], f.points);
        ExpectValues(doc, {{"points.Count", f.points}, {"triangles.Count", f.triangles},
                           {"points.CountIsolated", f.isolated}, {"points.CountDuplicatedGeometrical", f.duplicatePoints},
                           {"points.CountClassesOfDuplicatedGeometrical", f.duplicateClasses}, {"edges.Count", f.edges},
                           {"edges.CountBorder", f.borderSides}, {"edges.CountSingular", f.singular},
                           {"mesh.CountComponents", f.components}, {"mesh.CountBorders", f.borders},
                           {"mesh.Oriented", f.oriented}, {"triangles.CountIntersected", f.intersecting},
                           {"triangles.CountFlippedTopological", f.flipped},
                           {"triangles.CountDuplicatedTopological", f.duplicateTriangles},
                           {"mesh.Closed", f.borders == 0}, {"mesh.Connected", f.components == 1},
                           {"mesh.Selfintersection", f.intersecting > 0}});
        ASSERT_TRUE(doc["mesh"]["Volume"]["value"].is_number() && doc["mesh"]["Area"]["value"].is_number());
        EXPECT_NEAR(doc["mesh"]["Volume"]["value"].get<double>(), f.volume, 1e-12 * std::fabs(f.volume));
        EXPECT_NEAR(doc["mesh"]["Area"]["value"].get<double>(), f.area, 1e-12 * f.area);
        EXPECT_EQ(doc["notes"].size(), std::string(f.file) == "suzanne.obj" ? 1u : 0u);
    }
    EXPECT_EQ(testing::CheckJson({"-s", kWatertight, folder + "/spot.obj"}).first, 0);
}

TEST(Repair, ConvertsMergesDropsInOrderAndNeverOverwritesUnasked)
{
    TempDir dir;
    const std::string cube = Write(dir, "cube.obj", meshaudit::testing::UnitCube());
    testing::CommandResult r = RunCommand({"repair", cube, "-o", dir.File("cube.off")});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.out, "read " + cube + " (OBJ): 8 points, 12 triangles\nno repair requested: the mesh is written as "
                     "read\nwrote " + dir.File("cube.off") + " (OFF): 8 points, 12 triangles\n");
    EXPECT_EQ(ReadMeshFile(dir.File("cube.off")).triangles.size(), 12u);
    EXPECT_EQ(RunCommand({"repair", cube, "-o", dir.File("a.ply"), "--ascii"}).exitStatus, 0);
    EXPECT_EQ(testing::ReadAll(dir.File("a.ply")).rfind("ply\nformat ascii 1.0\n", 0), 0u);

    const std::string before = testing::ReadAll(cube);
    for (const std::string& out : {cube, dir.path + "/./cube.obj"}) {
        r = RunCommand({"repair", cube, "-o", out, "--drop-invalid"});
        EXPECT_EQ(r.exitStatus, 2);
        EXPECT_EQ(r.err, "meshaudit: " + out + ": refusing to overwrite the input file (use --force to replace it)\n");
    }
    EXPECT_EQ(testing::ReadAll(cube), before);
    EXPECT_EQ(RunCommand({"repair", cube, "-o", cube, "--force"}).exitStatus, 0);
    r = RunCommand({"repair", dir.File("absent.obj"), "-o", dir.File("x.ply")});
    EXPECT_EQ(r.err, "meshaudit: " + dir.File("absent.obj") + ": cannot open: No such file or directory\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.ply")));

    // The cube with every triangle on points of its own merges back.
    meshaudit::testing::TestMesh soup, cubeMesh = meshaudit::testing::UnitCube();
    for (const TRIANGLE& t : cubeMesh.triangles) {
        const auto first = static_cast<uint32_t>(soup.points.size());
        soup.points.insert(soup.points.end(), {cubeMesh.points[t.a], cubeMesh.points[t.b], cubeMesh.points[t.c]});
        soup.AddTriangle(first, first + 1, first + 2);
    }
    r = RunCommand({"repair", Write(dir, "soup.obj", soup), "-o", dir.File("m.ply"), "--merge", "1e-9"});
    EXPECT_NE(r.out.find("\nmerge points within 1e-09: points 36 -> 8, triangles 12 -> 12\n"), std::string::npos);
    EXPECT_EQ(testing::Lines(r.out).back(), "in all: points 36 -> 8, triangles 12 -> 12") << r.out;
    EXPECT_NEAR(SignedVolume(ReadMeshFile(dir.File("m.ply"))), 1.0, 1e-15);

    // Merging within 0.1 makes the first triangle repeat a point.
    meshaudit::testing::TestMesh near{{{0, 0, 0}, {0.05, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2}, {1, 3, 2}}};
    const std::string in = Write(dir, "near.off", near);
    const char* merge = "merge points within 0.1: points 4 -> 3, triangles 2 -> 2\n";
    r = RunCommand({"repair", in, "-o", dir.File("b.obj"), "--merge", "0.1", "--drop-invalid"});
    EXPECT_NE(r.out.find(merge + std::string("drop triangles that repeat a point: points 3 -> 3, triangles 2 -> 1\n")),
              std::string::npos) << r.out;
    EXPECT_EQ(ReadMeshFile(dir.File("b.obj")).triangles.size(), 1u);
    r = RunCommand({"repair", in, "-o", dir.File("c.obj"), "--drop-invalid", "--merge", "0.1"});
    EXPECT_NE(r.out.find("drop triangles that repeat a point: points 4 -> 4, triangles 2 -> 2\n" + std::string(merge)),
              std::string::npos) << r.out;
    EXPECT_EQ(ReadMeshFile(dir.File("c.obj")).triangles.size(), 2u);

    const std::string flat = Write(dir, "flat.ply", {{{0, 0, 0}, {1, 0, 0}}, {{0, 0, 1}, {1, 1, 0}}});
    r = RunCommand({"repair", flat, "-o", dir.File("out.ply"), "--drop-invalid"});
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.err, "meshaudit: " + flat + ": no triangles are left; nothing written\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.ply")));
}

TEST(Commands, DefaultsHelpVersionAndUsageMistakes)
{
    testing::CommandResult r = RunCommand({"defaults"});
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(json::parse(r.out), json::parse(SettingsToJson(DefaultSettings()).dump()));
    r = RunCommand({"help"});
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_NE(r.out.find("usage: meshaudit COMMAND"), std::string::npos);
    for (const char* option : {"--json", "--settings", "--jobs", "--quiet", "--color", "--merge", "--drop-invalid",
                               "--ascii", "--force"}) {
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(RunCommand({"--version"}).out, "meshaudit 0.1.0\n");
    const std::vector<std::vector<std::string>> mistakes = {
        {}, {"frobnicate"}, {"check"}, {"check", "--bogus", "x.obj"}, {"check", "--jobs", "0", "x.obj"},
        {"check", "--jobs"}, {"check", "--color=sometimes", "x.obj"}, {"repair", "in.obj"},
        {"repair", "in.obj", "-o", "out.xyz"}, {"repair", "in.obj", "-o", "out.ply", "--merge", "abc"},
        {"repair", "in.obj", "-o", "out.ply", "--merge", "-1"}, {"repair", "a.obj", "b.obj", "-o", "out.ply"},
        {"defaults", "extra"},
    };
    for (const auto& args : mistakes) {
        r = RunCommand(args);
        SCOPED_TRACE(args.empty() ? "" : args.back());
        EXPECT_EQ(r.exitStatus, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(args.empty() || (testing::Lines(r.err).size() == 1 && r.err.rfind("meshaudit: ", 0) == 0)) << r.err;
    }
}

const Quantity& Find(Category category, const std::string& name)
{
    for (const Quantity& q : QuantitiesOf(category)) {
        if (name == q.name) {
            return q;
        }
    }
    throw std::runtime_error("no quantity " + name);
}

// Stores `value` in the quantity's slot and `verdict` in its InRange byte.
template <typename T>
void Store(ResultBlocks& results, const char* name, Category c, T value, uint8_t verdict = 0xFF)
{
    const Quantity& q = Find(c, name);
    std::memcpy(ResultBytes(results, c) + q.valueOffset, &value, sizeof value);
    const size_t inRange = c == Category::Points ? offsetof(PointResults, InRange) : c == Category::Edges
                           ? offsetof(EdgeResults, InRange) : c == Category::Triangles
                           ? offsetof(TriangleResults, InRange) : offsetof(MeshResults, InRange);
    ResultBytes(results, c)[inRange + static_cast<size_t>(q.k)] = verdict;
}

TEST(Report, QuantityTablesValueTextsAndCriteria)
{
    EXPECT_EQ(QuantitiesOf(Category::Points).size(), size_t{PNT_QUANTITIES});
    EXPECT_EQ(QuantitiesOf(Category::Edges).size(), size_t{EDG_QUANTITIES});
    EXPECT_EQ(QuantitiesOf(Category::Triangles).size(), size_t{TRI_QUANTITIES});
    EXPECT_EQ(QuantitiesOf(Category::Mesh).size(), size_t{MSH_QUANTITIES} - 1);
    for (Category category : kCategories) {
        for (size_t i = 1; i < QuantitiesOf(category).size(); ++i) {
            EXPECT_GT(QuantitiesOf(category)[i].k, QuantitiesOf(category)[i - 1].k);
        }
    }
    EXPECT_EQ(Find(Category::Triangles, "CountFlippedTopological").k, TRI_CountFlippedTopological);
    EXPECT_EQ(Find(Category::Triangles, "CountIntersected").valueOffset, 48u);
    EXPECT_EQ(Find(Category::Mesh, "HasHandles").criterionOffset, 12u);
    EXPECT_EQ(Find(Category::Edges, "MaximalLength").criterionOffset, 88u);

    const auto text = [](const char* name, Category c, auto value, bool store = true) {
        ResultBlocks results = NotComputedResults();
        if (store) {
            Store(results, name, c, value);
        }
        return ValueText(ReadValue(results, Find(c, name)), Find(c, name));
    };
    const std::pair<std::string, std::string> values[] = {
        {text("CountNAN", Category::Points, 0, false), "not computed"},
        {text("CountNAN", Category::Points, static_cast<uint32_t>(-5)), "error -5"},
        {text("CountNAN", Category::Points, 2147483647u), "2147483647"},
        {text("CountNAN", Category::Points, 0u), "0"},
        {text("MinimalLength", Category::Edges, 0, false), "not computed"},
        {text("MinimalLength", Category::Edges, -5.0), "error -5"},
        {text("MinimalLength", Category::Edges, 0.125), "0.125"},
        {text("MinimalLength", Category::Edges, std::nan("")), "nan"},
        {text("Volume", Category::Mesh, 0, false), "not computed"},
        {text("Volume", Category::Mesh, -1.0), "-1"},  // a volume may be negative
        {text("Volume", Category::Mesh, 0.71825878809986450), "0.7182587881"},
        {text("Volume", Category::Mesh, -HUGE_VAL), "-inf"},
        {text("Closed", Category::Mesh, 0, false), "not computed"},
        {text("Closed", Category::Mesh, int8_t{1}), "yes"},
        {text("Closed", Category::Mesh, int8_t{0}), "no"},
        {CriterionText(DefaultSettings(), Find(Category::Points, "Count")), "[3, 500000]"},
        {CriterionText(DefaultSettings(), Find(Category::Points, "MaximalDegree")), "[2, 64]"},
        {CriterionText(DefaultSettings(), Find(Category::Edges, "MinimalLength")), "[0, 10]"},
        {CriterionText(DefaultSettings(), Find(Category::Mesh, "Volume")), "[-500000, 500000]"},
        {CriterionText(DefaultSettings(), Find(Category::Mesh, "HasBorders")), "= no"},
        {CriterionText(DefaultSettings(), Find(Category::Mesh, "Manifold")), "off"},
        {CriterionText(DefaultSettings(), Find(Category::Mesh, "Area")), "-"},
        {VerdictText(1), "pass"}, {VerdictText(0), "FAIL"}, {VerdictText(0xFF), "not judged"},
    };
    for (const auto& [got, want] : values) {
        EXPECT_EQ(got, want);
    }
}

TEST(Report, JsonTextTallyAndTheWorkerWireFormat)
{
    FileOutcome outcome;
    outcome.file = "cube.ply";
    outcome.status = FileOutcome::Status::Analysed;
    outcome.format = "PLY ASCII";
    outcome.notes = {"a note"};
    outcome.pointCount = 8;
    outcome.triangleCount = 12;
    Store(outcome.results, "Count", Category::Points, 8u, 1);
    Store(outcome.results, "CountNAN", Category::Points, static_cast<uint32_t>(-6), 0);
    Store(outcome.results, "CountSingular", Category::Edges, 0u, 1);
    Store(outcome.results, "Closed", Category::Mesh, int8_t{1}, 1);
    Store(outcome.results, "Volume", Category::Mesh, 1.0, 1);

    const nlohmann::ordered_json doc = RenderJson(outcome, DefaultSettings());
    std::vector<std::string> keys;
    for (auto it = doc.begin(); it != doc.end(); ++it) {
        keys.push_back(it.key());
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"schema", "file", "verdict", "format", "input", "notes", "summary",
                                              "points", "edges", "triangles", "mesh"}));
    EXPECT_EQ(doc["summary"].dump(), R"({"passed":4,"failed":1,"not_judged":57})");
    EXPECT_EQ(doc["points"]["Count"].dump(),
              R"({"value":8,"state":"computed","enabled":true,"criterion":{"min":3,"max":500000},"verdict":"pass"})");
    EXPECT_EQ(doc["points"]["CountNAN"].dump(), R"({"value":null,"state":"error","code":-6,"enabled":true,)"
                                                R"("criterion":{"min":0,"max":0},"verdict":"fail"})");
    EXPECT_EQ(doc["mesh"]["Closed"].dump(),
              R"({"value":true,"state":"computed","enabled":true,"criterion":{"expected":true},"verdict":"pass"})");
    EXPECT_EQ(doc["mesh"]["Volume"]["value"], 1.0);
    EXPECT_TRUE(doc["mesh"]["Area"]["criterion"].is_null());
    EXPECT_EQ(doc["edges"].size() * 100 + doc["mesh"].size(), 1621u);

    const std::string plain = RenderText(outcome, DefaultSettings(), false);
    EXPECT_EQ(plain.find('\033'), std::string::npos);
    EXPECT_EQ(plain.rfind("cube.ply  (PLY ASCII, 8 points, 12 triangles)\n  note: a note\n", 0), 0u);
    EXPECT_LT(plain.find("\npoints "), plain.find("\nedges "));
    EXPECT_LT(plain.find("\nedges "), plain.find("\ntriangles "));
    EXPECT_LT(plain.find("\ntriangles "), plain.find("\nmesh "));
    const auto line = [&](const std::string& start) {
        const size_t at = plain.find("\n" + start);
        return plain.substr(at + 1, plain.find('\n', at + 1) - at - 1);
    };
    EXPECT_NE(line("  CountNAN ").find("error -6"), std::string::npos);
    EXPECT_NE(line("  CountNAN ").find("[0, 0]"), std::string::npos);
    EXPECT_EQ(line("  CountNAN ").substr(line("  CountNAN ").size() - 4), "FAIL");
    EXPECT_EQ(line("  Closed ").substr(line("  Closed ").size() - 4), "pass");
    EXPECT_NE(line("  CountINF ").find("not computed"), std::string::npos);
    EXPECT_EQ(testing::Lines(plain).back(), "summary: 4 passed, 1 failed, 57 not judged: FAIL");
    const std::string coloured = RenderText(outcome, DefaultSettings(), true);
    EXPECT_NE(coloured.find("\033[1;31mFAIL\033[0m"), std::string::npos);
    EXPECT_NE(coloured.find("\033[32mpass\033[0m"), std::string::npos);

    const std::string bytes = EncodeOutcome(outcome);
    FileOutcome back;
    ASSERT_TRUE(DecodeOutcome(bytes, back));
    EXPECT_TRUE(back.file == outcome.file && back.format == outcome.format && back.notes == outcome.notes);
    EXPECT_EQ(back.pointCount * 100 + back.triangleCount, 812u);
    EXPECT_EQ(std::memcmp(&back.results, &outcome.results, sizeof back.results), 0);
    for (size_t length = 0; length < bytes.size(); ++length) {
        EXPECT_FALSE(DecodeOutcome(bytes.substr(0, length), back)) << length;
    }
    EXPECT_FALSE(DecodeOutcome(bytes + "x", back));

    EXPECT_EQ(ExitStatusOf(outcome), 1);
    Store(outcome.results, "CountNAN", Category::Points, 0u, 0xFF);
    EXPECT_EQ(ExitStatusOf(outcome), 0);
    outcome.status = FileOutcome::Status::Failed;
    EXPECT_EQ(ExitStatusOf(outcome), 2);
    outcome.error = "bad.obj: line 3: 'abc' is not a number";
    EXPECT_EQ(RenderJson(outcome, DefaultSettings()).dump(),
              R"({"schema":1,"file":"cube.ply","verdict":"error","error":"bad.obj: line 3: 'abc' is not a number"})");
}

TEST(Settings, DocumentsFilesAndEveryRefusal)
{
    const SettingsBlocks defaults = DefaultSettings();
    const nlohmann::ordered_json document = SettingsToJson(defaults);
    EXPECT_EQ(document["points"].size() * 1000000 + document["edges"].size() * 10000 + document["triangles"].size() *
              100 + document["mesh"].size(), 13181521u);  // quantities, plus Degree, Epsilon and Length
    EXPECT_EQ(document["points"]["CountNAN"].dump(), R"({"enable":true,"min":0,"max":0})");
    EXPECT_EQ(document["points"]["MinimalDegree"].dump(), R"({"enable":true})");
    EXPECT_EQ(document["edges"]["Length"].dump(), R"({"min":0.0,"max":10.0})");
    EXPECT_EQ(document["mesh"]["HasHandles"].dump(), R"({"enable":true,"expected":true})");
    EXPECT_EQ(document["mesh"]["Manifold"].dump(), R"({"enable":false,"expected":true})");
    EXPECT_EQ(document["mesh"]["Area"].dump(), R"({"enable":true})");
    EXPECT_EQ(json::parse(SettingsText(defaults)), json::parse(document.dump()));

    // A file changes what it names, and only that.
    SettingsBlocks blocks = defaults;
    blocks.points.CountINF.max = 9;
    blocks.triangles.Enable[TRI_CountIntersected] = 0;
    blocks.mesh.Closed = 0;
    ApplySettingsJson(json::parse(SettingsText(defaults)), blocks);
    EXPECT_EQ(std::memcmp(&blocks, &defaults, sizeof blocks), 0);
    ApplySettingsJson(json::parse(R"({"points": {"CountBorder": {"max": 7}, "Epsilon": 1e-6, "Degree": {"min": 3}},
        "edges": {"CountConvex": {"enable": false}, "Length": {"max": 2.5}},
        "triangles": {"CountIntersected": {"min": 1, "max": 4294967295}},
        "mesh": {"HasHandles": {"expected": false}, "Volume": {"min": 0.5}, "Diameter": {"enable": true}}})"), blocks);
    SettingsBlocks expected = defaults;
    expected.points.CountBorder.max = 7;
    expected.points.Epsilon = 1e-6;
    expected.points.Degree.min = 3;
    expected.edges.Enable[EDG_CountConvex] = 0;
    expected.edges.Length.max = 2.5;
    expected.triangles.CountIntersected = ValueRange{1, 4294967295u};
    expected.mesh.HasHandles = 0;
    expected.mesh.Volume.min = 0.5;
    expected.mesh.Enable[MSH_Diameter] = 1;
    EXPECT_EQ(std::memcmp(&blocks, &expected, sizeof blocks), 0);

    const std::string whole = "expected a whole number from 0 to 4294967295";
    const std::pair<const char*, std::string> refusals[] = {
        {R"([1, 2])", "expected an object with \"points\", \"edges\", \"triangles\" or \"mesh\""},
        {R"({"point": {}})", "point: unknown key (expected points, edges, triangles or mesh)"},
        {R"({"points": []})", "points: expected an object"},
        {R"({"points": {"CountNaN": {}}})", "points.CountNaN: unknown key"},
        {R"({"points": {"CountNAN": {"enabled": true}}})", "points.CountNAN.enabled: unknown key"},
        {R"({"points": {"CountNAN": {"enable": 1}}})", "points.CountNAN.enable: expected true or false"},
        {R"({"points": {"CountNAN": {"max": -1}}})", "points.CountNAN.max: " + whole},
        {R"({"points": {"CountNAN": {"max": 4294967296}}})", "points.CountNAN.max: " + whole},
        {R"({"points": {"CountNAN": {"max": 2.5}}})", "points.CountNAN.max: " + whole},
        {R"({"points": {"CountNAN": {"min": 5, "max": 3}}})", "points.CountNAN: min 5 is greater than max 3"},
        {R"({"points": {"Count": {"max": 2}}})", "points.Count: min 3 is greater than max 2"},
        {R"({"points": {"MinimalDegree": {"min": 1}}})", "points.MinimalDegree.min: unknown key"},
        {R"({"points": {"Degree": {"enable": true}}})", "points.Degree.enable: unknown key"},
        {R"({"points": {"Epsilon": "small"}})", "points.Epsilon: expected a number"},
        {R"({"edges": {"Epsilon": 1}})", "edges.Epsilon: unknown key"},
        {R"({"edges": {"Length": {"min": 3, "max": 1}}})", "edges.Length: min 3.0 is greater than max 1.0"},
        {R"({"triangles": {"CountDuplicatedTopological": {"max": 1}}})",
         "triangles.CountDuplicatedTopological.max: unknown key"},
        {R"({"mesh": {"Closed": {"expected": 1}}})", "mesh.Closed.expected: expected true or false"},
        {R"({"mesh": {"Closed": {"min": 1}}})", "mesh.Closed.min: unknown key"},
        {R"({"mesh": {"Area": {"max": 1}}})", "mesh.Area.max: unknown key"},
        {R"({"mesh": {"Unused19": {"enable": true}}})", "mesh.Unused19: unknown key"},
        {R"({"mesh": {"Volume": {"max": "big"}}})", "mesh.Volume.max: expected a number"},
    };
    TempDir dir;
    for (const auto& [text, message] : refusals) {
        try {
            ApplySettingsJson(json::parse(text), blocks);
            ADD_FAILURE() << text << " was accepted";
        } catch (const SettingsError& e) {
            EXPECT_EQ(std::string(e.what()), message) << text;
        }
    }
    for (const auto& [file, message] : {std::pair{dir.Write("broken.json", "{\n  \"points\": {\n    \"Count\": "
                                                            "{\"max\": }\n"), "parse error at line 3, column "},
                                        {dir.Write("unknown.json", R"({"mesh": {"Bogus": {}}})"), "mesh.Bogus: unknown key"},
                                        {dir.File("absent.json"), "cannot open: No such file or directory"}}) {
        try {
            LoadSettingsFile(file);
            ADD_FAILURE() << file;
        } catch (const SettingsError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(file + ": " + message, 0), 0u) << e.what();
            EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos);
        }
    }
    EXPECT_EQ(LoadSettingsFile(dir.Write("ok.json", R"({"mesh": {"Convex": {"enable": true}}})")).mesh.Enable[MSH_Convex], 1);
}

// Results come back in order and whole, each job in a process of its own,
// and a crashing worker takes only its own job with it.
TEST(WorkerPool, OrderWholenessAndCrashes)
{
    for (unsigned jobs : {0u, 1u, 3u, 8u}) {
        std::vector<WorkerResult> results;
        RunInWorkers(7, jobs, [](size_t i) -> std::string {
            ::usleep(static_cast<useconds_t>((7 - i) * 2000));  // later jobs finish first
            if (i == 1) {
                std::raise(SIGKILL);  // not SIGSEGV, which the sanitizers catch their own way
            } else if (i == 2) {
                std::abort();
            } else if (i == 3) {
                throw std::runtime_error("no");
            }
            return i == 6 ? std::string(3 << 20, 'm') + "end" : std::to_string(i) + " " + std::to_string(::getpid());
        }, [&](size_t i, WorkerResult&& result) {
            EXPECT_EQ(i, results.size());
            results.push_back(std::move(result));
        });
        ASSERT_EQ(results.size(), 7u);
        EXPECT_EQ(results[1].failure.rfind("killed by signal 9", 0), 0u) << results[1].failure;
        EXPECT_EQ(results[2].failure.rfind("killed by signal 6", 0), 0u) << results[2].failure;
        EXPECT_EQ(results[3].failure, "exited with status 70");
        EXPECT_FALSE(results[1].completed || results[2].completed || results[3].completed);
        for (size_t i : {0u, 4u, 5u}) {
            EXPECT_TRUE(results[i].completed);
            EXPECT_EQ(results[i].bytes.rfind(std::to_string(i) + " ", 0), 0u);
            EXPECT_NE(results[i].bytes, std::to_string(i) + " " + std::to_string(::getpid()));
        }
        EXPECT_EQ(results[6].bytes.size(), (3u << 20) + 3);
        EXPECT_EQ(results[6].bytes.substr(results[6].bytes.size() - 4), "mend");
    }
    int calls = 0;
    RunInWorkers(0, 4, [](size_t) { return std::string(); }, [&](size_t, WorkerResult&&) { ++calls; });
    EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace meshaudit::cli
