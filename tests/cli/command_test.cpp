// The meshaudit command end to end through the built binary (check, repair,
// defaults, settings files, reports, exit statuses, real meshes), and the
// parts testable alone: settings, report texts, the worker wire format and
// the worker pool.
#include "CliSupport.h"
#include "MeshFiles.h"
#include "MeshWriters.h"
#include "Outcome.h"
#include "Report.h"
#include "Settings.h"
#include "WorkerPool.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace meshaudit::cli {
namespace {

using nlohmann::json;
using testing::ExpectValues;
using testing::RunCommand;
using testing::WriteMesh;
namespace meshes = meshaudit::testing;

const std::string kSample = MESHAUDIT_SOURCE_DIR "/cli/samples/sample.ply";
const std::string kWatertight = MESHAUDIT_SOURCE_DIR "/cli/samples/watertight.json";

// A settings file changes what it names in the document; the sample fails
// the library's defaults only where no closed sphere can pass them.
TEST(Check, SettingsInTheDocumentAndTheSample)
{
    testing::TempDir dir;
    const auto sphere = meshes::Sphere(16, 10);
    const size_t v = sphere.points.size(), t = sphere.triangles.size();
    const std::string file = WriteMesh(dir, "sphere.ply", sphere);
    auto [status, doc] = testing::CheckJson(
        {"-s", dir.Write("t.json", R"({"points": {"Count": {"max": 5}, "CountNAN": {"enable": false}}})"), file});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(doc["file"], file);
    EXPECT_EQ(doc["format"], "PLY binary little-endian");
    EXPECT_EQ(doc["input"], json({{"points", v}, {"triangles", t}}));
    EXPECT_EQ(doc["points"]["Count"], json::parse(R"({"value": )" + std::to_string(v) + R"(, "state": "computed",
        "enabled": true, "judged": true, "criterion": {"min": 3, "max": 5}, "verdict": "fail"})"));
    EXPECT_EQ(doc["points"]["CountNAN"], json::parse(R"({"value": null, "state": "not computed", "enabled": false,
        "judged": false, "criterion": {"min": 0, "max": 0}, "verdict": "not judged"})"));
    EXPECT_EQ(doc["triangles"]["Count"]["verdict"], "pass");
    EXPECT_EQ(doc["mesh"]["Manifold"]["verdict"], "not judged");
    EXPECT_EQ(doc["verdict"], "fail");

    std::tie(status, doc) = testing::CheckJson({"-p", "library", kSample});
    EXPECT_EQ(testing::Failing(doc), (std::set<std::string>{"points.CountArticulation", "edges.CountConvex",
                                                           "mesh.HasHandles"}));
    EXPECT_EQ(status, 1);
    EXPECT_EQ(testing::CheckJson({"-s", kWatertight, kSample}).first, 0);
}

TEST(Check, ErrorsFoldersAndTerminals)
{
    testing::TempDir dir;
    const std::string bad = dir.Write("c-bad.obj", "v 0 0 0\nv 1 0 0\nv 0 abc 0\nf 1 2 3\n");
    const std::string message = bad + ": line 3: 'abc' is not a number";
    testing::CommandResult r = RunCommand({"check", bad});
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.out + r.err, "meshaudit: " + message + "\n");
    EXPECT_EQ(testing::CheckJson({bad}), std::pair(2, json({{"schema", 5}, {"file", bad}, {"verdict", "error"},
                                                            {"error", message}})));

    // A folder, in parallel, one JSON line per mesh file in name order; its
    // links to folders followed, each folder once (d/loop is the folder
    // itself, e and f the same one).
    WriteMesh(dir, "b-sphere.ply", meshes::Sphere(12, 8));
    WriteMesh(dir, "a-grid.obj", meshes::Grid(4));
    WriteMesh(dir, "d/cube.stl", meshes::UnitCube());
    dir.Write("notes.txt", "not a mesh");
    testing::TempDir other;
    WriteMesh(other, "cube.off", meshes::UnitCube());
    std::filesystem::create_directory_symlink(dir.path, dir.File("d/loop"));
    std::filesystem::create_directory_symlink(other.path, dir.File("e"));
    std::filesystem::create_directory_symlink(other.path, dir.File("f"));
    r = RunCommand({"check", "--json", "-q", "-j2", dir.path});
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.err, "");
    const std::vector<json> docs = r.Json();
    ASSERT_EQ(docs.size(), 5u) << r.out;
    const char* names[] = {"a-grid.obj", "b-sphere.ply", "c-bad.obj", "d/cube.stl", "e/cube.off"};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(docs[i]["file"], dir.File(names[i]));
    }
    EXPECT_EQ(docs[2]["error"], message);
    // Several files: a line each, the failures in one column past the
    // longest name (b-sphere.ply), then the total; --full gives the tables.
    r = RunCommand({"check", "-j", "3", dir.path, dir.File("absent.ply")});
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.err, "");
    const auto line = [&](const char* verdict, const char* name, const std::string& words) {
        const std::string file = dir.File(name);
        return verdict + std::string(7 - std::strlen(verdict), ' ') + file +
               (words.empty() ? "" : std::string(dir.path.size() + 15 - file.size(), ' ') + words);
    };
    const std::vector<std::string> lines = testing::Lines(r.out);
    ASSERT_EQ(lines.size(), 8u) << r.out;
    EXPECT_EQ(lines[0].substr(0, line("FAIL", "a-grid.obj", "16 points on a border, ").size()),
              line("FAIL", "a-grid.obj", "16 points on a border, "));
    EXPECT_NE(lines[0].find(", not closed, has holes, 1 hole, "), std::string::npos) << lines[0];
    EXPECT_EQ(std::vector(lines.begin() + 1, lines.end()),
              (std::vector<std::string>{line("PASS", "b-sphere.ply", ""),
                                        line("ERROR", "c-bad.obj", "line 3: 'abc' is not a number"),
                                        line("PASS", "d/cube.stl", ""), line("PASS", "e/cube.off", ""),
                                        line("ERROR", "absent.ply", "cannot open: No such file or directory"), "",
                                        "checked 6 files: 3 passed, 1 failed, 2 errors"}));
    r = RunCommand({"check", "--full", "-p", "library", dir.path, dir.File("absent.ply")});
    EXPECT_NE(r.out.find(dir.File("a-grid.obj") + "  (OBJ, 25 points, 32 triangles)"), std::string::npos);
    EXPECT_NE(r.out.find(dir.File("d/cube.stl") + "  (STL binary, 8 points, 12 triangles)"), std::string::npos);
    EXPECT_EQ(testing::Lines(r.out).back(), "checked 6 files: 0 passed, 4 failed, 2 errors");
    EXPECT_EQ(testing::Lines(r.err).size(), 2u) << r.err;
    testing::TempDir empty;
    r = RunCommand({"check", empty.path});
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.err, "meshaudit: " + empty.path + ": no mesh files (.stl, .obj, .ply, .off, .3mf) in the folder\n");

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
    EXPECT_EQ(r.err + std::to_string(r.out.find('\033')), std::to_string(std::string::npos));
    EXPECT_NE(RunCommand({"check", "--color", "always", kSample}).out.find("\033["), std::string::npos);
}

// The command checks each object of a 3MF file on its own, one JSON document
// each, and the file's status is the worst of them.
TEST(Check, ThreeMfObjectsEachOnTheirOwn)
{
    testing::TempDir dir;
    std::string open = testing::kTetraObject;  // one face fewer: not closed
    open.erase(open.find("<triangle v1=\"1\""), std::string("<triangle v1=\"1\" v2=\"2\" v3=\"3\"/>").size());
    const std::string named = "id=\"1\" name=\"tetra\"";
    open.replace(open.find(named), named.size(), "id=\"9\" name=\"open\"");
    const std::string file = dir.Write("two.3mf", Write3mfPackage(testing::Model(testing::kTetraObject + open)));
    const testing::CommandResult r = RunCommand({"check", "--json", "-q", file});
    const std::vector<json> documents = r.Json();
    ASSERT_EQ(2u, documents.size()) << r.out << r.err;
    EXPECT_EQ((json{{"id", 1}, {"name", "tetra"}}), documents[0]["object"]);
    EXPECT_EQ((json{{"id", 9}, {"name", "open"}}), documents[1]["object"]);
    EXPECT_EQ(5, documents[1]["schema"]);
    EXPECT_EQ(3, documents[1]["input"]["triangles"]);
    EXPECT_EQ(false, documents[1]["mesh"]["Closed"]["value"]);
    EXPECT_EQ(documents[0]["verdict"] == "fail" || documents[1]["verdict"] == "fail" ? 1 : 0, r.exitStatus);
    const std::string text = RunCommand({"check", file}).out;
    EXPECT_NE(std::string::npos, text.find(file + "  object 9 'open'  (3MF, 4 points, 3 triangles)"));
    // Among several files, its line names the failing object.
    const std::string line = "FAIL   " + file + "  object 9 'open': 3 points on a border, ";
    EXPECT_EQ(RunCommand({"check", file, file}).out.substr(0, line.size()), line);
    // Each object's marks go to a file of their own.
    RunCommand({"check", "-q", "--marked", dir.File("m.ply"), file});
    EXPECT_EQ(4u, ReadMeshFile(dir.File("m-1.ply")).triangles.size());
    EXPECT_EQ(3u, ReadMeshFile(dir.File("m-2.ply")).triangles.size());
}

// The build plate stands in a document of its own after the objects': the
// items that overlap, judged by the profiles that print (a tetrahedron
// placed three times, the second crossing the first), never by `library`.
TEST(Check, ThreeMfBuildPlateOverlaps)
{
    testing::TempDir dir;
    const auto item = [](const char* dx) {
        return std::string("<item objectid=\"1\" transform=\"1 0 0 0 1 0 0 0 1 ") + dx + " 0 0\"/>";
    };
    const std::string file = dir.Write(
        "plate.3mf", Write3mfPackage(testing::Model(testing::kTetraObject, item("0") + item("0.5") + item("5"))));
    struct Case {
        const char* profile;
        int status;
        size_t documents;
        json plate;  // the build section's verdict and list
    };
    const Case cases[] = {
        {"closed", 1, 2, {"fail", {{0, 1, 0, 0, 0}}}},
        {"3mf", 1, 2, {"fail", {{0, 1, 0, 0, 0}}}},
        {"library", 1, 1, nullptr},  // the library's defaults fail every mesh (README)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile);
        const testing::CommandResult r = RunCommand({"check", "--json", "-q", "--where", "-p", c.profile, file});
        EXPECT_EQ(r.exitStatus, c.status) << r.err;
        const std::vector<json> documents = r.Json();
        ASSERT_EQ(documents.size(), c.documents);
        if (c.plate.is_null()) {
            continue;
        }
        const json& plate = documents.back();
        const json& q = plate["build"]["CountOverlappingItems"];
        EXPECT_EQ((json{q["verdict"], q["where"]}), c.plate);
        EXPECT_EQ(plate["plate"]["items"].size(), 3u);
        EXPECT_EQ(plate["failures"], json{"1 pair of overlapping items"});
        EXPECT_FALSE(plate.contains("mesh"));
    }
    const std::string line = "FAIL   " + file + "  build plate: 1 pair of overlapping items";
    EXPECT_EQ(RunCommand({"check", file, file}).out.substr(0, line.size()), line);
    EXPECT_NE(RunCommand({"check", "--where", file}).out.find("item pairs: items 0 and 1 meet (triangles 0 and 0)"),
              std::string::npos);
}

// Four classic real meshes (spot, stanford-bunny, teapot, suzanne as OBJ)
// against figures an independent tool computed for them. The meshes are not
// part of the project: name their folder in MESHAUDIT_REAL_MESHES.
TEST(Check, RealMeshesMatchTheirReadme)
{
    const char* named = std::getenv("MESHAUDIT_REAL_MESHES");
    const std::string folder = named != nullptr ? named : "";
    if (!std::filesystem::is_directory(folder)) {
        GTEST_SKIP() << "set MESHAUDIT_REAL_MESHES to the folder of the real meshes";
    }
    struct Figures {
        const char* file;
        uint64_t points, triangles, isolated, duplicates, classes, edges, borderSides, singular, components, borders;
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
        // The readme's figures fan suzanne's quads from their first corner;
        // split so that no edge or triangle repeats, one edge more, and the
        // singular edge, the duplicated and the flipped triangles are gone.
        {"suzanne.obj", 507, 968, 0, 4, 2, 1473, 42, 0, 3, 4, true, 96, 0, 0, 2.5930764219339686, 12.46853911238726},
    };
    for (const Figures& f : readme) {
        SCOPED_TRACE(f.file);
        const auto [status, doc] = testing::CheckJson({"-p", "library", folder + "/" + f.file});
        EXPECT_EQ(status, 1);  // articulations are never computed, must be 0
        EXPECT_EQ(doc["format"], "OBJ");
        EXPECT_EQ(doc["input"]["points"], f.points);
        ExpectValues(doc, {{"points.Count", f.points}, {"triangles.Count", f.triangles},
                           {"points.CountIsolated", f.isolated}, {"points.CountDuplicatedGeometrical", f.duplicates},
                           {"points.CountClassesOfDuplicatedGeometrical", f.classes}, {"edges.Count", f.edges},
                           {"edges.CountBorder", f.borderSides}, {"edges.CountSingular", f.singular},
                           {"mesh.CountComponents", f.components}, {"mesh.CountBorders", f.borders},
                           {"mesh.Oriented", f.oriented}, {"triangles.CountIntersected", f.intersecting},
                           {"triangles.CountFlippedTopological", f.flipped},
                           {"triangles.CountDuplicatedTopological", f.duplicateTriangles},
                           {"mesh.Closed", f.borders == 0}, {"mesh.Connected", f.components == 1},
                           {"mesh.Selfintersection", f.intersecting > 0}});
        ASSERT_TRUE(doc["mesh"]["Volume"]["value"].is_number() && doc["mesh"]["Area"]["value"].is_number());
        // Where a bent quad takes another diagonal the surface moves a little.
        const double within = f.triangles == 968 ? 1e-4 : 1e-12;
        EXPECT_NEAR(doc["mesh"]["Volume"]["value"].get<double>(), f.volume, within * std::fabs(f.volume));
        EXPECT_NEAR(doc["mesh"]["Area"]["value"].get<double>(), f.area, within * f.area);
        EXPECT_EQ(doc["notes"].size(), std::string(f.file) == "suzanne.obj" ? 2u : 0u);
        // Every count's list, capped, still tells the whole count.
        const auto located = testing::CheckJson({"-p", "library", "--where", "--max-items", "3", folder + "/" + f.file});
        for (const char* category : {"points", "edges", "triangles"}) {
            for (const auto& [name, q] : located.second[category].items()) {
                if (name.rfind("Count", 0) == 0 && q.contains("where_total") && q["value"].is_number_unsigned()) {
                    EXPECT_EQ(q["where_total"], q["value"]) << category << "." << name;
                    EXPECT_LE(q["where"].size(), 3u) << category << "." << name;
                }
            }
        }
    }
    EXPECT_EQ(testing::CheckJson({"-s", kWatertight, folder + "/spot.obj"}).first, 0);
    EXPECT_EQ(testing::CheckJson({folder + "/spot.obj"}).first, 0);  // closed, clean: a printable solid
}

TEST(Repair, ConvertsMergesDropsInOrderAndNeverOverwritesUnasked)
{
    testing::TempDir dir;
    meshes::TestMesh soup, cubeMesh = meshes::UnitCube();  // every triangle on points of its own
    for (const TRIANGLE& t : cubeMesh.triangles) {
        soup.points.insert(soup.points.end(), {cubeMesh.points[t.a], cubeMesh.points[t.b], cubeMesh.points[t.c]});
        soup.AddTriangle(soup.points.size() - 3, soup.points.size() - 2, soup.points.size() - 1);
    }
    // The soup turned inside out, a corner 1e-12 off: --all with --merge
    // runs every step, merging within the tolerance, then turning it.
    meshes::TestMesh turned = soup;
    for (TRIANGLE& t : turned.triangles) {
        std::swap(t.b, t.c);
    }
    turned.points[0].x += 1e-12;
    const std::string cube = WriteMesh(dir, "cube.obj", cubeMesh), absent = dir.File("absent.obj");
    const std::string before = testing::ReadAll(cube);
    // Merging within 0.1 makes near's first triangle repeat a point, and
    // deg's both; relative tolerances are times the box diagonal (sqrt 2).
    const std::string near =
        WriteMesh(dir, "near.off", {{{0, 0, 0}, {0.05, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2}, {1, 3, 2}}});
    const std::string deg =
        WriteMesh(dir, "deg.off", {{{0, 0, 0}, {0.05, 0, 0}, {5, 5, 0}, {0, 5, 5}}, {{0, 1, 2}, {1, 0, 3}}});
    const std::string flat = WriteMesh(dir, "flat.ply", {{{0, 0, 0}, {1, 0, 0}}, {{0, 0, 1}, {1, 1, 0}}});
    const std::string merge = "merge points within 0.1: points 4 -> 3, triangles 2 -> 2\n";
    const std::string drop = "drop triangles that repeat a point: points ", large = ": the tolerance is likely too large\n";
    const std::string refuse = ": refusing to overwrite the input file (use --force to replace it)\n";
    struct Run {
        std::vector<std::string> args;  // "repair", IN, "-o", OUT, ...
        int status;
        std::string out, err;  // a part of the output; the whole error
        size_t triangles;      // of OUT afterwards, 0 when it must not exist
    };
    const Run runs[] = {
        {{"repair", cube, "-o", dir.File("cube.off")}, 0, "\nnothing to repair: the mesh is written as read\nwrote " +
         dir.File("cube.off") + " (OFF): 8 points, 12 triangles\n", "", 12},
        {{"repair", WriteMesh(dir, "one.off", {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}}), "-o",
          dir.File("one.obj"), "--fill-holes"}, 0, "(see --log)\nnothing changed: the mesh is written as read "
         "(what is left is above)\n", "", 1},
        {{"repair", cube, "-o", cube, "--drop-invalid"}, 2, "", "meshaudit: " + cube + refuse, 12},
        {{"repair", cube, "-o", dir.path + "/./cube.obj"}, 2, "", "meshaudit: " + dir.path + "/./cube.obj" + refuse, 12},
        {{"repair", absent, "-o", dir.File("x.ply")}, 2, "", "meshaudit: " + absent + ": cannot open: No such file or "
         "directory\n", 0},
        {{"repair", dir.path, "-o", dir.File("x.ply")}, 2, "", "meshaudit: " + dir.path + ": is a directory, not a "
         "mesh file\n", 0},
        {{"repair", WriteMesh(dir, "soup.obj", soup), "-o", dir.File("m.ply"), "--merge", "1e-9"}, 0,
         "\nmerge points within 1e-09: points 36 -> 8, triangles 12 -> 12\nwrote " + dir.File("m.ply") +
         " (PLY binary little-endian): 8 points, 12 triangles\nin all: points 36 -> 8, triangles 12 -> 12\n", "", 12},
        {{"repair", near, "-o", dir.File("b.obj"), "--merge", "0.1", "--drop-invalid"}, 0,
         merge + drop + "3 -> 3, triangles 2 -> 1\n", "", 1},
        {{"repair", near, "-o", dir.File("c.obj"), "--drop-invalid", "--merge", "0.1"}, 0,
         drop + "4 -> 4, triangles 2 -> 2\n" + merge, "", 2},
        {{"repair", near, "-o", dir.File("d.off"), "--merge", "relative=0.1"}, 0, "points 4 -> 3, triangles 2 -> 2\n",
         "", 2},
        {{"repair", near, "-o", dir.File("e.off"), "--merge", "relative=0.01"}, 0, "points 4 -> 4, triangles 2 -> 2\n",
         "", 2},
        {{"repair", near, "-o", dir.File("f.off"), "--merge", "100"}, 0, "points 4 -> 1",
         "meshaudit: warning: the merge leaves 1 point" + large, 2},
        {{"repair", deg, "-o", dir.File("g.off"), "--merge", "0.1"}, 0, "points 4 -> 3",
         "meshaudit: warning: after the merge every triangle repeats a point" + large, 2},
        {{"repair", WriteMesh(dir, "turned.obj", turned), "-o", dir.File("t.ply"), "--merge", "1e-9", "--all"}, 0,
         "(within TOL with --merge TOL): 28 points merged\ndrop triangles that repeat a point, and remove zero-area "
         "ones without opening a hole: 0 points merged or triangles split\nkeep one of each set of duplicated "
         "triangles; remove two-sided sheets: 0 triangles dropped\nsplit pinched points and non-manifold edges: 0 "
         "point copies made or triangles cut where pieces touch\nstitch border edges whose points coincide: 0 points "
         "merged\norient each shell consistently, outward, voids inward: 12 triangles turned\n", "", 12},
        {{"repair", flat, "-o", dir.File("h.ply"), "--drop-invalid"}, 2, "",
         "meshaudit: " + flat + ": no triangles are left; nothing written\n", 0},
    };
    for (const Run& run : runs) {
        const testing::CommandResult r = RunCommand(run.args);
        EXPECT_EQ(r.exitStatus, run.status) << run.args[3];
        EXPECT_NE(r.out.find(run.out), std::string::npos) << r.out;
        EXPECT_EQ(r.err, run.err);
        EXPECT_EQ(std::filesystem::exists(run.args[3]) ? ReadMeshFile(run.args[3]).triangles.size() : 0, run.triangles)
            << run.args[3];
    }
    EXPECT_EQ(testing::ReadAll(cube), before);
    EXPECT_EQ(RunCommand({"repair", cube, "-o", cube, "--force"}).exitStatus, 0);
    EXPECT_EQ(RunCommand({"repair", cube, "-o", dir.File("a.ply"), "--ascii"}).exitStatus, 0);
    EXPECT_EQ(testing::ReadAll(dir.File("a.ply")).rfind("ply\nformat ascii 1.0\n", 0), 0u);
}

// The text of a README section, from its heading to the next one.
std::string Section(const std::string& heading)
{
    const std::string readme = testing::ReadAll(MESHAUDIT_SOURCE_DIR "/README.md");
    const size_t at = readme.find("\n" + heading + "\n");
    return at == std::string::npos ? "" : readme.substr(at, readme.find("\n#", at + 1) - at);
}

// `meshaudit help` lists every command; each prints its usage for --help and
// -h, every option it names has a row in the README, and a mistake is one
// line that points to the command's help.
TEST(Commands, HelpOfEveryCommandAndUsageMistakes)
{
    testing::CommandResult r = RunCommand({"defaults", "-p", "library"});
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(json::parse(r.out), json::parse(SettingsToJson(DefaultSettings()).dump()));
    EXPECT_EQ(RunCommand({"--version"}).out, "meshaudit 0.1.0\n");
    const std::string overview = RunCommand({"help"}).out, table = Section("### Commands and options");
    for (const std::string command : {"check", "repair", "report", "profiles", "defaults", "formats", "help", "--version"}) {
        EXPECT_NE(overview.find("\n  " + command + " "), std::string::npos) << command;
        for (const char* help : {"--help", "-h"}) {
            r = RunCommand({command, help});
            EXPECT_EQ(r.exitStatus, 0) << command;
            EXPECT_EQ(r.out.rfind("usage: meshaudit " + command, 0), 0u) << r.out;
        }
        for (std::istringstream words(r.out); words;) {
            std::string word;
            words >> word;
            if (word.starts_with("--") && word != "--help") {
                word = word.substr(0, word.find_first_of(",)"));
                EXPECT_NE(table.find("`" + word), std::string::npos) << command << " " << word << " in the README";
            }
        }
    }
    const std::vector<std::vector<std::string>> mistakes = {
        {}, {"frobnicate"}, {"check"}, {"check", "--bogus", "x.obj"}, {"check", "--jobs", "0", "x.obj"},
        {"check", "--jobs"}, {"check", "--color=sometimes", "x.obj"}, {"check", "-hx"}, {"repair", "in.obj"},
        {"repair", "in.obj", "-o", "out.xyz"}, {"repair", "in.obj", "-o", "out.ply", "--merge", "abc"},
        {"repair", "in.obj", "-o", "out.ply", "--merge", "-1"}, {"repair", "a.obj", "b.obj", "-o", "out.ply"},
        {"repair", "in.obj", "-o", "out.ply", "--merge", "relative=-1"}, {"defaults", "extra"},
        {"report", "a.ply", "-o", "a.ply"}, {"report", "a.ply", "-o", "page.html.txt"}, {"profiles", "x"},
        {"help", "nope"}, {"check", "--marked", "x.obj", "a.ply"}, {"check", "--marked", "y.ply", "a.ply", "b.ply"}};
    for (const auto& args : mistakes) {
        r = RunCommand(args);
        EXPECT_EQ(r.exitStatus, 2);
        // One line that names the mistake and points to the help, before any
        // file is read.
        const std::string help = args.empty() || args[0] == "frobnicate" ? "help" : args[0] + " --help";
        const bool oneLine = testing::Lines(r.err).size() == 1 && r.err.starts_with("meshaudit: ") &&
                             r.err.ends_with(" (see 'meshaudit " + help + "')\n");
        EXPECT_TRUE(r.out.empty() && (args.empty() || oneLine)) << r.out << r.err;
    }
}

// The README's rows of a table in `section`, without its heading rows.
std::vector<std::string> TableRows(const std::string& section, const std::string& heading)
{
    std::vector<std::string> rows;
    const std::string text = Section(section);
    for (size_t at = text.find("\n" + heading); at != std::string::npos && text[at + 1] == '|';) {
        const size_t end = text.find('\n', at + 1);
        rows.push_back(text.substr(at + 1, end - at - 1));
        at = end;
    }
    return rows.size() > 2 ? std::vector(rows.begin() + 2, rows.end()) : std::vector<std::string>{};
}

// The README's table of formats is the command's, and its table of defect
// bits is the quantities' mark column, each bit with the quantities that set
// it.
TEST(Readme, FormatsAndDefectBitsAsTheCommandHasThem)
{
    std::vector<std::string> formats;
    for (const FormatEntry& f : MeshFormats()) {
        formats.push_back("| " + std::string(f.name) + " | " + std::string(f.extensions[0]) + " | " + f.recognised +
                          " | " + f.reads + " | " + f.writes + " |");
    }
    EXPECT_EQ(TableRows("### Reading files", "| format |"), formats);
    std::vector<std::string> bits;
    int bitCount = 0;
    for (const DefectKind& kind : DefectKinds()) {
        bitCount = std::max(bitCount, kind.bit + 1);
    }
    for (int bit = 0; bit < bitCount; ++bit) {
        std::string row = "| " + std::to_string(bit) + " |";
        for (const bool onPoints : {true, false}) {
            std::string cell;
            for (const DefectKind& kind : DefectKinds()) {
                if (kind.bit != bit || kind.onPoints != onPoints) {
                    continue;
                }
                cell = std::string(kind.says) + " (";
                for (Category category : kCategories) {
                    for (const Quantity& q : QuantitiesOf(category)) {
                        if (q.mark.bit == bit && q.mark.onPoints == onPoints) {
                            cell += (cell.back() == '(' ? "`" : ", `") + std::string(CategoryKey(category)) + "." +
                                    q.name + "`";
                        }
                    }
                }
                cell += ")";
            }
            row += " " + (cell.empty() ? "-" : cell) + " |";
        }
        bits.push_back(row);
    }
    EXPECT_EQ(TableRows("### Where the defects are", "| bit |"), bits) << [&] {
        std::string table;
        for (const std::string& row : bits) {
            table += row + "\n";
        }
        return table;
    }();
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
void Store(ResultBlocks& results, Category c, const char* name, T value, uint8_t verdict = 0xFF)
{
    const Quantity& q = Find(c, name);
    std::memcpy(ResultBytes(results, c) + q.valueOffset, &value, sizeof value);
    const size_t inRange = c == Category::Points ? offsetof(PointResults, InRange) : c == Category::Edges
                           ? offsetof(EdgeResults, InRange) : c == Category::Triangles
                           ? offsetof(TriangleResults, InRange) : offsetof(MeshResults, InRange);
    ResultBytes(results, c)[inRange + static_cast<size_t>(q.k)] = verdict;
}

TEST(Report, ValuesCriteriaJsonTextAndTheWireFormat)
{
    const auto text = [](Category c, const char* name, auto value, bool store = true) {
        ResultBlocks results = NotComputedResults();
        if (store) {
            Store(results, c, name, value);
        }
        return ValueText(ReadValue(results, Find(c, name)), Find(c, name));
    };
    const auto P = Category::Points, E = Category::Edges, M = Category::Mesh;
    const SettingsBlocks defaults = DefaultSettings();
    const std::pair<std::string, std::string> texts[] = {
        {text(P, "CountNAN", 0, false), "not computed"}, {text(P, "CountNAN", static_cast<uint32_t>(-5)), "error -5"},
        {text(P, "CountNAN", 2147483647u), "2147483647"}, {text(E, "MinimalLength", 0, false), "not computed"},
        {text(E, "MinimalLength", -5.0), "error -5"}, {text(E, "MinimalLength", 0.125), "0.125"},
        {text(E, "MinimalLength", std::nan("")), "nan"}, {text(M, "Volume", 0, false), "not computed"},
        {text(M, "Volume", -1.0), "-1"}, {text(M, "Volume", 0.71825878809986450), "0.7182587881"},
        {text(M, "Volume", -HUGE_VAL), "-inf"}, {text(M, "Closed", 0, false), "not computed"},
        {text(M, "Closed", int8_t{1}), "yes"}, {text(M, "Closed", int8_t{0}), "no"},
        {CriterionText(defaults, Find(P, "Count")), "[3, 500000]"},
        {CriterionText(defaults, Find(E, "MinimalLength")), "[0, 10]"},
        {CriterionText(defaults, Find(M, "Volume")), "[-500000, 500000]"},
        {CriterionText(defaults, Find(M, "HasBorders")), "= no"}, {CriterionText(defaults, Find(M, "Manifold")), "off"},
        {CriterionText(defaults, Find(M, "Area")), "-"}, {VerdictText(Judgement::Pass) + VerdictText(Judgement::Fail) + VerdictText(Judgement::NotJudged) +
                                                              VerdictText(Judgement::Error),
                                                          "passFAILnot judgedERROR"}};
    for (const auto& [got, want] : texts) {
        EXPECT_EQ(got, want);
    }

    FileOutcome outcome{"cube.ply", FileOutcome::Status::Analysed, "", "PLY ASCII", {"a note"}, 8, 12};
    Store(outcome.results, P, "Count", 8u, 1);
    Store(outcome.results, P, "CountNAN", static_cast<uint32_t>(-6), 0);
    Store(outcome.results, E, "CountSingular", 2u, 0);
    Store(outcome.results, M, "Closed", int8_t{1}, 1);
    Store(outcome.results, M, "Volume", 1.0, 1);
    const nlohmann::ordered_json doc = RenderJson(outcome);
    // A judged quantity without a value (a failure code, or never stored)
    // is an error, never a pass nor a plain failure.
    EXPECT_EQ(doc["summary"].dump() + doc["points"]["CountNAN"].dump(),
              R"({"passed":3,"failed":1,"not_judged":19,"errors":49})"
              R"({"value":null,"state":"error","code":-6,"enabled":true,"judged":true,"criterion":{"min":0,"max":0},)"
              R"("verdict":"error"})");
    EXPECT_EQ(doc["verdict"].dump() + doc["failures"].dump(),
              R"("error"["2 edges on more than two triangles","49 quantities could not be computed"])");
    EXPECT_EQ(doc["mesh"]["Closed"].dump(), R"({"value":true,"state":"computed","enabled":true,"judged":true,)"
                                            R"("criterion":{"expected":true},"verdict":"pass"})");
    EXPECT_TRUE(doc["mesh"]["Area"]["criterion"].is_null() && doc["mesh"]["Volume"]["value"] == 1.0);
    const std::string plain = RenderText(outcome, false);
    EXPECT_EQ(plain.rfind("cube.ply  (PLY ASCII, 8 points, 12 triangles)\n  note: a note\n", 0), 0u);
    const size_t at = plain.find("\n  CountNAN ") + 1;
    const std::string nan = plain.substr(at, plain.find('\n', at) - at);
    EXPECT_TRUE(nan.find("error -6") != std::string::npos && nan.find("[0, 0]") != std::string::npos) << nan;
    EXPECT_EQ(nan.substr(nan.size() - 5) + testing::Lines(plain).back(),
              "ERRORsummary: 3 passed, 1 failed, 19 not judged, 49 not computed: ERROR (2 edges on more than two "
              "triangles, 49 quantities could not be computed)");
    const std::string coloured = RenderText(outcome, true);
    EXPECT_NE(coloured.find("\033[1;31mFAIL\033[0m"), std::string::npos);
    EXPECT_NE(coloured.find("\033[32mpass\033[0m"), std::string::npos);

    const std::string bytes = EncodeOutcome(outcome);
    FileOutcome back;
    ASSERT_TRUE(DecodeOutcome(bytes, back));
    EXPECT_TRUE(back.file == outcome.file && back.format == outcome.format && back.notes == outcome.notes);
    EXPECT_EQ(back.pointCount * 100 + back.triangleCount, 812u);
    EXPECT_EQ(std::memcmp(&back.results, &outcome.results, sizeof back.results), 0);
    for (size_t length = 0; length <= bytes.size(); ++length) {
        EXPECT_FALSE(DecodeOutcome(bytes.substr(0, length) + (length == bytes.size() ? "x" : ""), back)) << length;
    }
}

TEST(Settings, DocumentsFilesAndEveryRefusal)
{
    const SettingsBlocks defaults = DefaultSettings();
    EXPECT_EQ(SettingsToJson(defaults)["mesh"]["Manifold"].dump(), R"({"enable":false,"expected":true})");
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

    // Every refusal names the file and the key on one line; a message that
    // ends in a space goes on in the JSON parser's words.
    testing::TempDir dir;
    const std::string whole = "expected a whole number from 0 to 4294967295";
    const std::string negative = "points.Epsilon: a tolerance must not be negative";
    const std::string huge = "' is outside the range of a double";
    const std::pair<const char*, std::string> refusals[] = {
        {R"([1, 2])", "expected an object with \"points\", \"edges\", \"triangles\" or \"mesh\""},
        {R"({"point": {}})", "point: unknown key (expected profile, judged, points, edges, triangles, mesh, solid, quality, build)"},
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
        {R"({"mesh": {"Closed": {"expected": 1}}})", "mesh.Closed.expected: expected true or false"},
        {R"({"mesh": {"Closed": {"min": 1}}})", "mesh.Closed.min: unknown key"},
        {R"({"mesh": {"Area": {"max": 1}}})", "mesh.Area.max: unknown key"},
        {R"({"mesh": {"Unused19": {"enable": true}}})", "mesh.Unused19: unknown key"},
        {R"({"mesh": {"Volume": {"max": "big"}}})", "mesh.Volume.max: expected a number"},
        {R"({"points": {"Epsilon": -1}})", negative},
        {R"({"points": {"Epsilon": {"relative": -1e-6}}})", negative},
        {R"({"points": {"Epsilon": 1e400}})", "points.Epsilon: the number '1e400" + huge},
        {R"({"edges": {"Length": {"max": -1e400}}})", "edges.Length.max: the number '-1e400" + huge},
        {R"({"edges": {"Length": {"min": {"relative": 0.5}, "max": {"relative": 0.1}}}})",
         "edges.Length: relative min 0.5 is greater than relative max 0.1"},
        {R"({"edges": {"Length": {"min": {"factor": 1}}}})", "edges.Length.min.factor: unknown key"},
        {R"({"edges": {"Length": {"min": {"relative": -1}}}})", "edges.Length: a relative length must not be negative"},
        {R"({"points": {"Count": {"max": {"relative": 1}}}})", "points.Count.max: " + whole},
        {"{\n  \"points\": {\n    \"Count\": {\"max\": }\n", "parse error at line 3, column "},
        {nullptr, "cannot open: No such file or directory"}};  // no file at all
    for (const auto& [text, message] : refusals) {
        const std::string file = text != nullptr ? dir.Write("s.json", text) : dir.File("absent.json");
        const std::string want = file + ": " + message;
        EXPECT_THROW(try { LoadSettingsFile(file); } catch (const SettingsError& e) {
            const std::string got = e.what();
            EXPECT_EQ(got.substr(0, want.back() == ' ' ? want.size() : std::string::npos), want);
            EXPECT_EQ(got.find('\n'), std::string::npos) << got;
            throw;
        }, SettingsError) << want;
    }
}

// Results come back in order and whole, each job in a worker process,
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
}

}  // namespace
}  // namespace meshaudit::cli
