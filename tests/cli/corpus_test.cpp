// `meshaudit repair` over the damaged meshes of tests/data/damaged (written
// by bench/corpus/make_damaged.py, each file's damage in manifest.json): the
// output of every file passes `check -p closed` (shells that touch or cross
// included), no point moves, and a second repair changes nothing.
#include "CliSupport.h"
#include "MeshFiles.h"

#include <array>
#include <iostream>

namespace meshaudit::cli {
namespace {

using testing::RunCommand;

const std::string kCorpus = MESHAUDIT_SOURCE_DIR "/tests/data/damaged/";

std::set<std::array<double, 3>> Places(const std::string& path)
{
    std::set<std::array<double, 3>> places;
    for (const T3DVECF& p : ReadMeshFile(path).points) {
        places.insert({p.x, p.y, p.z});
    }
    return places;
}

TEST(DamagedCorpus, RepairedFilesPassMoveNoPointAndStay)
{
    const nlohmann::json manifest = nlohmann::json::parse(testing::ReadAll(kCorpus + "manifest.json"));
    ASSERT_GE(manifest["files"].size(), 30u);
    testing::TempDir dir;
    size_t counted = 0, printable = 0;
    std::string failing;
    for (const nlohmann::json& entry : manifest["files"]) {
        const std::string name = entry["file"], in = kCorpus + name;
        SCOPED_TRACE(name);
        const std::string once = dir.File(name + ".off"), twice = dir.File(name + ".2.off");
        ASSERT_EQ(RunCommand({"repair", in, "-o", once}).exitStatus, 0);
        const testing::CommandResult again = RunCommand({"repair", once, "-o", twice});
        EXPECT_NE(again.out.find("\nnothing to repair"), std::string::npos) << again.out;
        EXPECT_EQ(testing::ReadAll(once), testing::ReadAll(twice));
        // No point moves; only where shells cross are points added.
        const std::set<std::array<double, 3>> before = Places(in), after = Places(once);
        EXPECT_TRUE(entry["self_intersecting"] || std::includes(before.begin(), before.end(), after.begin(), after.end()));
        const bool passes = RunCommand({"check", "-p", "closed", "-q", once}).exitStatus == 0;
        ++counted;
        printable += passes ? 1 : 0;
        failing += passes ? "" : " " + name;
    }
    std::cout << "printable after repair: " << printable << " of " << counted << "; failing:" << failing << '\n';
    EXPECT_EQ(printable, counted) << failing;
}

}  // namespace
}  // namespace meshaudit::cli
