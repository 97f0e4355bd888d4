// The built command's commands, options and exit statuses, apart from the
// results of analyses.
#include "Settings.h"
#include "support/CliTestSupport.h"

#include <gtest/gtest.h>

namespace meshaudit::cli {
namespace {

using testing::CommandResult;
using testing::RunCommand;

TEST(Commands, DefaultsPrintsTheLibraryDefaultsAsASettingsFile)
{
    CommandResult r = RunCommand({"defaults"});
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const nlohmann::json printed = nlohmann::json::parse(r.out);
    EXPECT_EQ(printed, nlohmann::json::parse(SettingsToJson(DefaultSettings()).dump()));
}

TEST(Commands, HelpAndVersion)
{
    CommandResult help = RunCommand({"help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_NE(help.out.find("usage: meshaudit COMMAND"), std::string::npos);
    for (const char* option : {"--json", "--settings", "--jobs", "--quiet", "--color", "--merge", "--drop-invalid",
                               "--ascii", "--force"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    CommandResult version = RunCommand({"--version"});
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.out, "meshaudit 0.1.0\n");
}

TEST(Commands, UsageMistakesExitWithTwoAndOneLine)
{
    const std::vector<std::vector<std::string>> mistakes = {
        {},
        {"frobnicate"},
        {"check"},
        {"check", "--bogus", "x.obj"},
        {"check", "--jobs", "0", "x.obj"},
        {"check", "--jobs"},
        {"check", "--color=sometimes", "x.obj"},
        {"repair", "in.obj"},
        {"repair", "in.obj", "-o", "out.xyz"},
        {"repair", "in.obj", "-o", "out.ply", "--merge", "abc"},
        {"repair", "in.obj", "-o", "out.ply", "--merge", "-1"},
        {"repair", "a.obj", "b.obj", "-o", "out.ply"},
        {"defaults", "extra"},
    };
    for (const auto& args : mistakes) {
        CommandResult r = RunCommand(args);
        std::string joined;
        for (const std::string& a : args) {
            joined += a + " ";
        }
        EXPECT_EQ(r.exitStatus, 2) << joined;
        EXPECT_EQ(r.out, "") << joined;
        if (!args.empty()) {
            EXPECT_EQ(testing::Lines(r.err).size(), 1u) << joined << r.err;
            EXPECT_EQ(r.err.rfind("meshaudit: ", 0), 0u) << r.err;
        }
    }
}

}  // namespace
}  // namespace meshaudit::cli
