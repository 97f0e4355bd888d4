// The command's profiles, relative sizes, element lists, marked meshes and
// error reports, through the built binary.
#include "CliSupport.h"
#include "MeshWriters.h"

#include <cmath>
#include <fcntl.h>
#include <set>

namespace meshaudit::cli {
namespace {

using nlohmann::json;
using testing::Failing;
using testing::RunCommand;
using testing::WriteMesh;
namespace meshes = meshaudit::testing;

const std::set<std::string> kOpen = {"points.CountBorder", "points.MinimalDegree", "edges.CountBorder",
                                     "edges.MinimalDegree", "triangles.CountBorder", "triangles.MinimalDegree",
                                     "mesh.Closed", "mesh.HasBorders", "mesh.CountBorders", "mesh.Volume",
                                     "solid.CountOpenShells"};

// Closed meshes pass the default profile whatever their genus and number of
// pieces (a torus, a block with a square bore, two boxes apart), open ones
// only the surface profile. Scaled by 1000 or 1/1000 the values and the
// verdicts stay.
TEST(Profiles, ValuesAndVerdictsOfEachProfileAtEveryScale)
{
    testing::TempDir dir;
    struct Case {
        const char* name;
        meshes::TestMesh mesh;
        double diagonal;  // of the box around the points, which absolute sizes follow
        std::set<std::string> closed, surface;
        std::vector<std::pair<std::string, json>> values;
    };
    const meshes::TestMesh sphere = meshes::Sphere(16, 10);
    meshes::TestMesh boxes = meshes::UnitCube(), apart = meshes::UnitCube();
    for (T3DVECF& p : apart.points) {
        p.x += 2;
    }
    meshes::Append(boxes, apart);
    const Case cases[] = {
        {"sphere", sphere, 2 * std::sqrt(3.0), {}, {},
         {{"edges.Count", sphere.points.size() + sphere.triangles.size() - 2}, {"edges.CountBorder", 0},
          {"edges.MinimalDegree", 2}, {"edges.MaximalDegree", 2}, {"points.CountIsolated", 0},
          {"points.MaximalDegree", 16}, {"triangles.MinimalDegree", 3}, {"mesh.Closed", true}, {"mesh.Oriented", true},
          {"mesh.CountComponents", 1}, {"mesh.CountHandles", 0}, {"mesh.Inclusion", true},
          {"mesh.Selfintersection", false}}},
        {"cube", meshes::UnitCube(), std::sqrt(3.0), {}, {}, {}},
        {"torus", meshes::Torus(12, 8), std::sqrt(132.0), {}, {}, {{"mesh.CountHandles", 1}, {"mesh.HasHandles", true}}},
        {"bore", meshes::Torus(4, 4), std::sqrt(132.0), {}, {}, {{"mesh.CountHandles", 1}}},
        {"boxes", boxes, std::sqrt(11.0), {}, {}, {{"mesh.CountComponents", 2}, {"mesh.Inclusion", false}}},
        {"grid", meshes::Grid(4), 4 * std::sqrt(2.0), kOpen, {},
         {{"edges.CountBorder", 16}, {"points.CountBorder", 16}, {"mesh.CountBorders", 1}, {"mesh.Closed", false}}}};
    for (const Case& c : cases) {
        for (double scale : {1.0, 1000.0, 0.001}) {
            SCOPED_TRACE(std::string(c.name) + " x " + std::to_string(scale));
            const std::string file = WriteMesh(dir, std::string(c.name) + ".ply", c.mesh, scale);
            auto [status, doc] = testing::CheckJson({file});
            EXPECT_EQ(Failing(doc), c.closed);
            testing::ExpectValues(doc, c.values);
            EXPECT_EQ(status, c.closed.empty() ? 0 : 1);
            EXPECT_EQ(Failing(testing::CheckJson({"--profile", "surface", file}).second), c.surface);
            const double d = scale * c.diagonal;
            EXPECT_NEAR(doc["scale"]["epsilon"].get<double>(), 1e-6 * d, 1e-15 * d);
            EXPECT_NEAR(doc["edges"]["MinimalLength"]["criterion"]["min"].get<double>(), 1e-9 * d, 1e-18 * d);
            EXPECT_NEAR(doc["edges"]["MaximalLength"]["criterion"]["max"].get<double>(), 2 * d, 1e-9 * d);
        }
    }
    // The library's own absolute sizes do not follow a model scaled by 1000:
    // edges longer than 10, a volume beyond 500000.
    const std::string scaled = WriteMesh(dir, "big.ply", sphere, 1000);
    const std::set<std::string> big = Failing(testing::CheckJson({"-p", "library", scaled}).second);
    EXPECT_TRUE(big.count("edges.MaximalLength") && big.count("mesh.Volume")) << json(big).dump();

    testing::CommandResult r = RunCommand({"profiles"});
    for (const char* name : {"closed (default):", "surface:", "library:"}) {
        EXPECT_NE(r.out.find(name), std::string::npos) << name;
    }
    EXPECT_EQ(r.out.find("CountArticulation"), r.out.rfind("CountArticulation"));  // judged by library only
}

// Settings files start from a profile, may name one, and give sizes
// relative to the box; a mistake is reported with the file's name.
TEST(Profiles, SettingsFilesRelativeValuesAndRefusals)
{
    testing::TempDir dir;
    const std::string grid = WriteMesh(dir, "grid.off", meshes::Grid(4));
    const std::string sphere = WriteMesh(dir, "sphere.off", meshes::Sphere(16, 10));
    const std::string surface = dir.Write("surface.json", RunCommand({"defaults", "-p", "surface"}).out);
    struct Case {
        const char* settings;
        std::vector<std::string> args;
        int status;
        std::string message;  // the error after "FILE: ", or a quantity that must fail
    };
    const Case cases[] = {
        {R"({"profile": "surface"})", {grid}, 0, ""},
        {R"({"profile": "surface", "mesh": {"Closed": {"enable": true}}})", {grid}, 1, "mesh.Closed"},
        {"", {"-p", "library", "-s", surface, grid}, 0, ""},  // a printed profile is a settings file
        {R"({"points": {"Epsilon": {"relative": 0.3}}})", {sphere}, 1, "mesh.EpsilonDuplicates"},
        {R"({"profile": "library", "mesh": {"Volume": {"min": {"relative": 0.6}}}})", {sphere}, 1, "mesh.Volume"},
        {R"({"profile": "nope"})", {grid}, 2, "profile: unknown profile \"nope\" (known: closed, surface, simulation, 3mf, library)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        std::vector<std::string> args{"check", "--json", "-q"};
        const std::string file = dir.Write("s.json", c.settings);
        if (*c.settings != '\0') {
            args.insert(args.end(), {"-s", file});
        }
        args.insert(args.end(), c.args.begin(), c.args.end());
        const testing::CommandResult r = RunCommand(args);
        EXPECT_EQ(r.exitStatus, c.status) << r.out << r.err;
        if (c.status == 2) {
            EXPECT_EQ(r.err, "meshaudit: " + file + ": " + c.message + "\n");
        } else if (!c.message.empty()) {
            EXPECT_EQ(Failing(r.Json().at(0)).count(c.message), 1u) << r.out;
        }
    }
}

// --where lists the elements of failing quantities (text) or of every
// listed quantity (JSON), capped by --max-items; --marked writes their bits.
TEST(Where, ListsCapsAndMarkedMeshes)
{
    testing::TempDir dir;
    meshes::TestMesh mesh = meshes::Sphere(8, 6);
    const uint32_t n = static_cast<uint32_t>(mesh.points.size());
    mesh.points.push_back({std::nan(""), 0, 0});  // n: NaN, unused
    mesh.points.push_back({HUGE_VAL, 0, 0});      // n + 1: infinite, unused
    mesh.points.push_back({5, 5, 5});             // n + 2: unused
    const std::string file = WriteMesh(dir, "m.ply", mesh);
    struct Case {
        std::vector<std::string> args;
        json nan, inf, isolated;  // [where, where_total]
    };
    const Case cases[] = {
        {{}, json(), json(), json()},
        {{"--where"}, {{n}, 1}, {{n + 1}, 1}, {{n, n + 1, n + 2}, 3}},
        {{"--where", "--max-items", "2"}, {{n}, 1}, {{n + 1}, 1}, {{n, n + 1}, 3}},
        {{"--where", "--max-items=0"}, {json::array(), 1}, {json::array(), 1}, {json::array(), 3}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back(file);
        const json doc = testing::CheckJson(args).second;
        const auto listed = [&doc](const char* name) {
            const json& q = doc["points"][name];
            return q.contains("where") ? json{q["where"], q["where_total"]} : json();
        };
        EXPECT_EQ(listed("CountNAN"), c.nan) << doc["points"].dump();
        EXPECT_EQ(listed("CountINF"), c.inf);
        EXPECT_EQ(listed("CountIsolated"), c.isolated);
        EXPECT_EQ(doc["points"]["CountIsolated"]["value"], 3);
    }
    const std::string text = RunCommand({"check", "-q", "--where", "--max-items", "2", file}).out;
    EXPECT_NE(text.find("\n      points: " + std::to_string(n) + ", " + std::to_string(n + 1) + " and 1 more\n"),
              std::string::npos) << text;
    EXPECT_EQ(RunCommand({"check", "-q", file}).out.find("      points: "), std::string::npos);

    // The marked copy: the three points carry the NaN (bit 0), infinite
    // (bit 1) and isolated (bit 2) bits, and the colours of the first of
    // them (hues 0, 137.5 and 275 degrees: hand-computed from
    // QuantityRgb); the sphere's points are grey where no bit is set (a few
    // are duplicated: bit 4), its triangles clean and grey. The header is the layout
    // viewers (Open3D, MeshLab) read colours from.
    EXPECT_EQ(RunCommand({"check", "-q", "--marked", dir.File("marked.ply"), file}).exitStatus, 1);
    const std::string bytes = testing::ReadAll(dir.File("marked.ply"));
    const size_t body = bytes.find("end_header\n") + 11;
    ASSERT_EQ(bytes.size(), body + (n + 3) * 31 + mesh.triangles.size() * 20);
    const std::string rgb = "property uchar red\nproperty uchar green\nproperty uchar blue\n";
    EXPECT_NE(bytes.find("\nelement vertex " + std::to_string(n + 3) + "\nproperty double x\nproperty double y\n"
                         "property double z\n" + rgb + "property uint defects\nelement face " +
                         std::to_string(mesh.triangles.size()) + "\nproperty list uchar uint vertex_indices\n" + rgb +
                         "property uint defects\nend_header\n"), std::string::npos) << bytes.substr(0, body);
    EXPECT_NE(bytes.find("\ncomment vertex bit 1: infinite coordinate\n"), std::string::npos);
    const auto bits = [&](size_t at) { uint32_t v; std::memcpy(&v, bytes.data() + at, 4); return v; };
    const auto colour = [&](size_t at) {
        return std::vector<int>{uint8_t(bytes[at]), uint8_t(bytes[at + 1]), uint8_t(bytes[at + 2])};
    };
    for (uint32_t i = 0; i < n + 3; ++i) {
        const uint32_t expected = i == n ? 5u : i == n + 1 ? 6u : i == n + 2 ? 4u : 0u;
        EXPECT_EQ(bits(body + i * 31 + 27) & 7u, expected) << i;
        const std::vector<int> shown = i == n ? std::vector{249, 6, 6} : i == n + 1 ? std::vector{116, 231, 150}
                                     : i == n + 2 ? std::vector{137, 70, 185} : std::vector{190, 190, 190};
        EXPECT_EQ(colour(body + i * 31 + 24) == shown, i >= n || bits(body + i * 31 + 27) == 0) << i;
    }
    for (size_t t = 0; t < mesh.triangles.size(); ++t) {
        EXPECT_EQ(bits(body + (n + 3) * 31 + t * 20 + 16), 0u) << t;
        EXPECT_EQ(colour(body + (n + 3) * 31 + t * 20 + 13), (std::vector{190, 190, 190})) << t;
    }
}

// Shells through the command: a void passes, an inside-out shell, two
// shells that cross, touch or share a corner fail `closed` with their
// elements listed; `surface` does not judge orientation by depth, and
// `simulation` judges triangle shapes.
TEST(Solids, ShellsNestingContactsAndQualityThroughTheCommand)
{
    testing::TempDir dir;
    // Two boxes sharing the corner (1, 1, 1) as one point index: 7 of the
    // first, 8 of the second (its corner 0) made 7.
    meshes::TestMesh corner = meshes::Join({meshes::Box(0, 1), meshes::Box(1, 2)});
    for (size_t t = 12; t < 24; ++t) {
        for (uint32_t* c : {&corner.triangles[t].a, &corner.triangles[t].b, &corner.triangles[t].c}) {
            *c = *c == 8 ? 6 : *c;
        }
    }
    meshes::TestMesh sliver = meshes::UnitCube();
    for (T3DVECF& p : sliver.points) {
        p.z *= 0.01;
    }
    const auto inner = [](uint32_t parent) {
        json where = json::array();
        for (uint32_t t = 12; t < 24; ++t) {
            where.push_back(parent == 9 ? json{t, 1} : json{t, 1, parent});
        }
        return where;
    };
    struct Case {
        const char* name;
        meshes::TestMesh mesh;
        std::string profile;
        int status;
        std::set<std::string> failing;  // among the solid and quality quantities
        std::vector<std::pair<std::string, json>> values;
        std::pair<std::string, json> where;  // one quantity's list
    };
    const Case cases[] = {
        {"apart", meshes::Join({meshes::Box(0, 1), meshes::Box(2, 3)}), "closed", 0, {},
         {{"solid.CountShells", 2}, {"solid.CountNestedShells", 0}}, {"solid.CountShells", json::array()}},
        {"void", meshes::Join({meshes::Box(0, 3), meshes::Box(1, 2, true)}), "closed", 0, {},
         {{"solid.CountNestedShells", 1}, {"solid.CountInsideOutShells", 0}}, {"solid.CountNestedShells", inner(0)}},
        {"inner", meshes::Join({meshes::Box(0, 3), meshes::Box(1, 2)}), "closed", 1, {"solid.CountInsideOutShells"},
         {{"solid.CountInsideOutShells", 1}, {"mesh.Oriented", true}}, {"solid.CountInsideOutShells", inner(9)}},
        {"inner", meshes::Join({meshes::Box(0, 3), meshes::Box(1, 2)}), "surface", 0, {}, {}, {}},
        {"reversed", meshes::Box(0, 1, true), "closed", 1, {"solid.CountInsideOutShells"},
         {{"solid.CountInsideOutShells", 1}}, {}},
        {"overlap", meshes::Join({meshes::Box(0, 2), meshes::Box(1, 3)}), "surface", 1,
         {"solid.CountIntersectingShellPairs"}, {{"solid.CountIntersectingShellPairs", 1}}, {}},
        {"face", meshes::Join({meshes::Box(0, 1), meshes::Box(0, 1, false, 1)}), "closed", 1,
         {"solid.CountIntersectingShellPairs"}, {{"solid.CountIntersectingShellPairs", 1}}, {}},
        {"corner", corner, "closed", 1, {"solid.CountIntersectingShellPairs", "solid.CountPinchedPoints"},
         {{"solid.CountPinchedPoints", 1}, {"edges.MaximalDegree", 2}}, {"solid.CountPinchedPoints", {6}}},
        {"nested", meshes::Join({meshes::Box(0, 5), meshes::Box(1, 4, true), meshes::Box(2, 3)}), "closed", 0, {},
         {{"solid.CountNestedShells", 2}, {"solid.CountInsideOutShells", 0}}, {}},
        {"cube", meshes::UnitCube(), "simulation", 0, {},
         {{"quality.MinimalAngle", 45.0}, {"quality.MaximalAngle", 90.0}, {"quality.CountSkinny", 0}}, {}},
        {"sliver", sliver, "simulation", 1,
         {"quality.MinimalAngle", "quality.MaximalAspectRatio", "quality.CountSkinny"}, {{"quality.CountSkinny", 8}},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.profile);
        const std::string file = WriteMesh(dir, std::string(c.name) + ".ply", c.mesh);
        auto [status, doc] = testing::CheckJson({"-p", c.profile, "--where", "--max-items", "100", file});
        EXPECT_EQ(status, c.status);
        std::set<std::string> failing;
        for (const std::string& name : Failing(doc)) {
            if (name.starts_with("solid.") || name.starts_with("quality.")) {
                failing.insert(name);
            }
        }
        EXPECT_EQ(failing, c.failing);
        testing::ExpectValues(doc, c.values);
        if (!c.where.first.empty()) {
            const size_t dot = c.where.first.find('.');
            const json& q = doc[c.where.first.substr(0, dot)][c.where.first.substr(dot + 1)];
            // The shells' list holds every triangle's shell.
            const json expected = c.where.second.empty() ? json{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                                1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}
                                                         : c.where.second;
            EXPECT_EQ(q["where"], expected);
        }
    }
}

// Every write that fails is reported with exit status 2, but a reader that
// went away ends the command quietly, by SIGPIPE as it ends `cat`; names
// that are not UTF-8 are escaped; one point or triangle is no plural.
TEST(Errors, WritesNamesAndPlurals)
{
    testing::TempDir dir;
    const std::string sphere = WriteMesh(dir, "sphere.ply", meshes::Sphere(8, 6));
    const int full = ::open("/dev/full", O_WRONLY);
    int closed[2];
    ASSERT_EQ(::pipe(closed), 0);
    ::close(closed[0]);
    std::filesystem::create_directory(dir.File("dir.ply"));
    const std::string noSpace = "cannot write to standard output: No space left on device\n";
    const std::tuple<std::vector<std::string>, int, std::string> writes[] = {
        {{"check", sphere}, full, noSpace},
        {{"defaults"}, full, noSpace},
        {{"profiles"}, full, noSpace},
        {{"repair", sphere, "-o", dir.File("out.obj")}, full, noSpace},
        {{"check", "-q", "--marked", dir.File("dir.ply"), sphere}, full,
         dir.File("dir.ply") + ": cannot write the marked mesh: Is a directory\n"},
        {{"repair", sphere, "-o", dir.File("dir.ply")}, full, dir.File("dir.ply") + ": "},
    };
    for (const auto& [args, out, message] : writes) {
        const testing::CommandResult r = RunCommand(args, false, out);
        EXPECT_EQ(r.exitStatus, 2) << args[0] << " " << message;
        EXPECT_EQ(r.err.rfind("meshaudit: " + message, 0), 0u) << args[0] << ": " << r.err;
    }
    for (const std::vector<std::string>& args : {std::vector<std::string>{"check", sphere, sphere}, {"formats"}}) {
        const testing::CommandResult r = RunCommand(args, false, closed[1]);
        EXPECT_EQ(std::to_string(r.exitStatus) + r.err, "141") << args[0];
    }
    ::close(full), ::close(closed[1]);

    const std::string odd = WriteMesh(dir, "caf\xE9.ply", meshes::Sphere(8, 6));
    const auto [status, doc] = testing::CheckJson({odd});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(doc["file"], dir.File("caf\\xE9.ply"));
    const std::string one = WriteMesh(dir, "one.off", {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}});
    EXPECT_NE(RunCommand({"check", "-q", one}).out.find("(OFF, 3 points, 1 triangle)\n"), std::string::npos);
    EXPECT_NE(RunCommand({"repair", one, "-o", dir.File("o.off")}).out.find(": 3 points, 1 triangle\n"),
              std::string::npos);
}

// Five tetrahedra on one edge: the Euler formula gives -2 handles, a value
// of a mesh that is not a manifold, not a failure. A file of polygons names
// its triangles by the file's faces (a skipped two-corner face counts), its
// points by the file's points. "judge": false reports without judging.
TEST(Verdicts, HandleNotesFaceNumbersAndReportedQuantities)
{
    testing::TempDir dir;
    meshes::TestMesh edge = meshes::MeshOf({{0, 0, 0}, {0, 0, 1}});
    for (uint32_t i = 0; i < 5; ++i) {
        const uint32_t a = edge.AddPoint(std::cos(i), std::sin(i), 0.5), b = edge.AddPoint(std::cos(i + 0.6), std::sin(i + 0.6), 0.2);
        edge.triangles.insert(edge.triangles.end(), {{0, 1, a}, {1, b, a}, {0, a, b}, {0, b, 1}});
    }
    const json handles = testing::CheckJson({"-p", "library", WriteMesh(dir, "edge.ply", edge)}).second["mesh"];
    EXPECT_EQ(handles["CountHandles"]["value"], -2);
    EXPECT_EQ(handles["CountHandles"]["state"], "computed");
    EXPECT_NE(handles["CountHandles"]["note"].get<std::string>().find("not a manifold"), std::string::npos);
    EXPECT_EQ(handles["HasHandles"]["note"], "undefined: the mesh is not a manifold");

    const std::string obj = dir.Write("faces.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 5 5 5\nv 6 5 5\nv 5 6 5\n"
                                                   "f 1 2\nf 5 6 7\nf 1 2 3 4\n");
    const json doc = testing::CheckJson({"--where", obj}).second;
    EXPECT_EQ(doc["triangles"]["CountBorder"]["where"], json({0, 1, 2}));
    EXPECT_EQ(doc["triangles"]["CountBorder"]["where_faces"], json::parse("[[1, 0], [2, 1], [2, 2]]"));
    EXPECT_EQ(doc["points"]["CountBorder"]["where"], json({0, 1, 2, 3, 4, 5, 6}));
    EXPECT_FALSE(doc["points"]["CountBorder"].contains("where_faces"));
    EXPECT_NE(RunCommand({"check", "--where", obj}).out.find("0 (face 1), 1 (face 2, part 1), 2 (face 2, part 2)"),
              std::string::npos);

    const std::string judge = dir.Write("j.json", R"({"mesh": {"Closed": {"enable": true, "judge": false}}})");
    const json reported =
        testing::CheckJson({"-p", "surface", "-s", judge, WriteMesh(dir, "grid.ply", meshes::Grid(3))}).second;
    EXPECT_EQ(reported["mesh"]["Closed"]["value"], false);
    EXPECT_EQ(reported["mesh"]["Closed"]["verdict"], "not judged");
    EXPECT_EQ(reported["verdict"], "pass");
}

// --memory-limit: a book of 20,000 triangles within 2 MiB keeps what fits
// and says the limit was reached; with room enough, or none, it is checked
// in full; sizes below 1 MiB or unreadable are refused.
TEST(MemoryLimit, ReachedLimitsAreNotedAndSizesChecked)
{
    testing::TempDir dir;
    const std::string file = WriteMesh(dir, "book.off", meshes::Book(20000));
    const std::string note = "the analysis reached its memory limit of ";
    for (const auto& [limit, reached] : {std::pair{"2M", true}, {"1.5GiB", false}, {"none", false}}) {
        // What could not be computed within the limit is never a pass.
        const auto [status, doc] = testing::CheckJson({"--memory-limit", limit, file});
        EXPECT_EQ(status, reached ? 2 : 1) << limit;
        EXPECT_EQ(doc["verdict"], reached ? "error" : "fail") << limit;
        const std::string notes = doc["notes"].dump();
        EXPECT_EQ(notes.find(note) != std::string::npos, reached) << limit << notes;
        int missing = 0;  // enabled quantities without a value
        for (const char* category : {"points", "edges", "triangles", "mesh"}) {
            for (const auto& q : doc[category]) {
                missing += q["enabled"] == true && q["value"].is_null() ? 1 : 0;
            }
        }
        EXPECT_EQ(missing > 0, reached) << limit;
    }
    for (const char* bad : {"10", "512K", "2X", "-1G", "G", "1e40"}) {
        EXPECT_EQ(RunCommand({"check", "--memory-limit", bad, file}).exitStatus, 2) << bad;
    }
}

}  // namespace
}  // namespace meshaudit::cli
