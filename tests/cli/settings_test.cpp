// Settings files: defaults, partial files, and every way a file can be
// refused.
#include "Settings.h"
#include "support/CliTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace meshaudit::cli {
namespace {

using nlohmann::json;

bool SameBytes(const SettingsBlocks& a, const SettingsBlocks& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(Settings, DocumentNamesEveryQuantityAndReadsBackToTheSameBytes)
{
    const SettingsBlocks defaults = DefaultSettings();
    const nlohmann::ordered_json document = SettingsToJson(defaults);
    ASSERT_EQ(document.size(), 4u);
    EXPECT_EQ(document["points"].size(), 11u + 2u);     // quantities, Degree, Epsilon
    EXPECT_EQ(document["edges"].size(), 16u + 2u);      // quantities, Degree, Length
    EXPECT_EQ(document["triangles"].size(), 14u + 1u);  // quantities, Degree
    EXPECT_EQ(document["mesh"].size(), 21u);            // slot 19 is no quantity
    EXPECT_EQ(document["points"]["CountNAN"], nlohmann::ordered_json::parse(R"({"enable": true, "min": 0, "max": 0})"));
    EXPECT_EQ(document["points"]["MinimalDegree"], nlohmann::ordered_json::parse(R"({"enable": true})"));
    EXPECT_EQ(document["edges"]["Length"], nlohmann::ordered_json::parse(R"({"min": 0.0, "max": 10.0})"));
    EXPECT_EQ(document["triangles"]["CountDuplicatedTopological"], nlohmann::ordered_json::parse(R"({"enable": true})"));
    EXPECT_EQ(document["mesh"]["HasHandles"], nlohmann::ordered_json::parse(R"({"enable": true, "expected": true})"));
    EXPECT_EQ(document["mesh"]["Manifold"], nlohmann::ordered_json::parse(R"({"enable": false, "expected": true})"));
    EXPECT_EQ(document["mesh"]["Area"], nlohmann::ordered_json::parse(R"({"enable": true})"));

    // The text form and the document parse to the same thing, and applying
    // it to scrambled blocks restores the defaults byte for byte.
    EXPECT_EQ(json::parse(SettingsText(defaults)), json::parse(document.dump()));
    SettingsBlocks scrambled = defaults;
    scrambled.points.CountINF.max = 9;
    scrambled.edges.Length.min = 4.5;
    scrambled.triangles.Enable[TRI_CountIntersected] = 0;
    scrambled.mesh.Closed = 0;
    scrambled.points.Epsilon = 1.0;
    ApplySettingsJson(json::parse(SettingsText(defaults)), scrambled);
    EXPECT_TRUE(SameBytes(scrambled, defaults));
}

TEST(Settings, AFileChangesOnlyWhatItNames)
{
    SettingsBlocks blocks = DefaultSettings();
    ApplySettingsJson(json::parse(R"({
        "points": {"CountBorder": {"max": 7}, "Epsilon": 1e-6, "Degree": {"min": 3}},
        "edges": {"CountConvex": {"enable": false}, "Length": {"max": 2.5}},
        "triangles": {"CountIntersected": {"min": 1, "max": 4294967295}},
        "mesh": {"HasHandles": {"expected": false}, "Volume": {"min": 0.5}, "Diameter": {"enable": true}}
    })"),
                      blocks);
    SettingsBlocks expected = DefaultSettings();
    expected.points.CountBorder.max = 7;
    expected.points.Epsilon = 1e-6;
    expected.points.Degree.min = 3;
    expected.edges.Enable[EDG_CountConvex] = 0;
    expected.edges.Length.max = 2.5;
    expected.triangles.CountIntersected = ValueRange{1, 4294967295u};
    expected.mesh.HasHandles = 0;
    expected.mesh.Volume.min = 0.5;
    expected.mesh.Enable[MSH_Diameter] = 1;
    EXPECT_TRUE(SameBytes(blocks, expected));
}

TEST(Settings, RefusesWhatItDoesNotUnderstand)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"([1, 2])", "expected an object with \"points\", \"edges\", \"triangles\" or \"mesh\""},
        {R"({"point": {}})", "point: unknown key (expected points, edges, triangles or mesh)"},
        {R"({"points": []})", "points: expected an object"},
        {R"({"points": {"CountNaN": {}}})", "points.CountNaN: unknown key"},
        {R"({"points": {"CountNAN": {"enabled": true}}})", "points.CountNAN.enabled: unknown key"},
        {R"({"points": {"CountNAN": {"enable": 1}}})", "points.CountNAN.enable: expected true or false"},
        {R"({"points": {"CountNAN": {"max": -1}}})", "points.CountNAN.max: expected a whole number from 0 to 4294967295"},
        {R"({"points": {"CountNAN": {"max": 4294967296}}})",
         "points.CountNAN.max: expected a whole number from 0 to 4294967295"},
        {R"({"points": {"CountNAN": {"max": 2.5}}})", "points.CountNAN.max: expected a whole number from 0 to 4294967295"},
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
    for (const auto& [text, message] : cases) {
        SettingsBlocks blocks = DefaultSettings();
        try {
            ApplySettingsJson(json::parse(text), blocks);
            ADD_FAILURE() << text << " was accepted";
        } catch (const SettingsError& e) {
            EXPECT_EQ(std::string(e.what()), message) << text;
        }
    }
}

TEST(Settings, FileErrorsNameTheFileAndPlace)
{
    testing::TempDir dir;
    try {
        LoadSettingsFile(dir.Write("broken.json", "{\n  \"points\": {\n    \"Count\": {\"max\": }\n  }\n}\n"));
        ADD_FAILURE();
    } catch (const SettingsError& e) {
        const std::string message = e.what();
        EXPECT_EQ(message.rfind(dir.File("broken.json") + ": parse error at line 3, column ", 0), 0u) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos);
    }
    try {
        LoadSettingsFile(dir.Write("unknown.json", R"({"mesh": {"Bogus": {}}})"));
        ADD_FAILURE();
    } catch (const SettingsError& e) {
        EXPECT_EQ(std::string(e.what()), dir.File("unknown.json") + ": mesh.Bogus: unknown key");
    }
    try {
        LoadSettingsFile(dir.File("absent.json"));
        ADD_FAILURE();
    } catch (const SettingsError& e) {
        EXPECT_EQ(std::string(e.what()), dir.File("absent.json") + ": cannot open: No such file or directory");
    }
    SettingsBlocks loaded = LoadSettingsFile(dir.Write("ok.json", R"({"mesh": {"Convex": {"enable": true}}})"));
    EXPECT_EQ(loaded.mesh.Enable[MSH_Convex], 1);
}

}  // namespace
}  // namespace meshaudit::cli
