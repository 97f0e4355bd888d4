// Reading result slots, the text and JSON reports, and the worker wire
// format.
#include "Outcome.h"
#include "Report.h"
#include "support/CliTestSupport.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

namespace meshaudit::cli {
namespace {

const Quantity& Find(Category category, const std::string& name)
{
    for (const Quantity& q : QuantitiesOf(category)) {
        if (name == q.name) {
            return q;
        }
    }
    throw std::runtime_error("no quantity " + name);
}

template <typename T>
void Store(ResultBlocks& results, const Quantity& q, T value)
{
    std::memcpy(ResultBytes(results, q.category) + q.valueOffset, &value, sizeof value);
}

void Judge(ResultBlocks& results, const Quantity& q, uint8_t verdict)
{
    const size_t inRange = q.category == Category::Points      ? offsetof(PointResults, InRange)
                           : q.category == Category::Edges     ? offsetof(EdgeResults, InRange)
                           : q.category == Category::Triangles ? offsetof(TriangleResults, InRange)
                                                               : offsetof(MeshResults, InRange);
    ResultBytes(results, q.category)[inRange + static_cast<size_t>(q.k)] = verdict;
}

TEST(Quantities, TablesFollowTheHeader)
{
    EXPECT_EQ(QuantitiesOf(Category::Points).size(), size_t{PNT_QUANTITIES});
    EXPECT_EQ(QuantitiesOf(Category::Edges).size(), size_t{EDG_QUANTITIES});
    EXPECT_EQ(QuantitiesOf(Category::Triangles).size(), size_t{TRI_QUANTITIES});
    EXPECT_EQ(QuantitiesOf(Category::Mesh).size(), size_t{MSH_QUANTITIES} - 1);
    for (Category category : kCategories) {
        int previous = -1;
        for (const Quantity& q : QuantitiesOf(category)) {
            EXPECT_GT(q.k, previous) << q.name;
            previous = q.k;
        }
    }
    // The flipped count comes before the intersected one in the Enable
    // bytes, after it among the values.
    EXPECT_EQ(Find(Category::Triangles, "CountFlippedTopological").k, TRI_CountFlippedTopological);
    EXPECT_EQ(Find(Category::Triangles, "CountIntersected").valueOffset, 48u);
    EXPECT_EQ(Find(Category::Mesh, "HasHandles").criterionOffset, 12u);
    EXPECT_EQ(Find(Category::Edges, "MaximalLength").criterionOffset, 88u);
}

// The text of a quantity's slot holding `value`, or its not-computed mark.
template <typename T>
std::string TextOf(const Quantity& q, T value)
{
    ResultBlocks results = NotComputedResults();
    Store(results, q, value);
    return ValueText(ReadValue(results, q), q);
}

std::string NotComputedText(const Quantity& q)
{
    return ValueText(ReadValue(NotComputedResults(), q), q);
}

TEST(Values, CountsDoublesVolumesAndBooleans)
{
    const Quantity& nan = Find(Category::Points, "CountNAN");
    EXPECT_EQ(NotComputedText(nan), "not computed");
    ResultBlocks results = NotComputedResults();
    Store<uint32_t>(results, nan, static_cast<uint32_t>(-5));
    const QuantityValue v = ReadValue(results, nan);
    EXPECT_EQ(v.state, QuantityValue::State::Error);
    EXPECT_EQ(v.code, -5);
    EXPECT_EQ(ValueText(v, nan), "error -5");
    EXPECT_EQ(TextOf<uint32_t>(nan, 2147483647u), "2147483647");
    EXPECT_EQ(TextOf<uint32_t>(nan, 0u), "0");

    const Quantity& minLength = Find(Category::Edges, "MinimalLength");
    EXPECT_EQ(NotComputedText(minLength), "not computed");
    EXPECT_EQ(TextOf(minLength, -5.0), "error -5");
    EXPECT_EQ(TextOf(minLength, 0.125), "0.125");
    EXPECT_EQ(TextOf(minLength, std::nan("")), "nan");

    const Quantity& volume = Find(Category::Mesh, "Volume");
    EXPECT_EQ(NotComputedText(volume), "not computed");
    EXPECT_EQ(TextOf(volume, -1.0), "-1");  // a volume may be negative
    EXPECT_EQ(TextOf(volume, 0.71825878809986450), "0.7182587881");
    EXPECT_EQ(TextOf(volume, -std::numeric_limits<double>::infinity()), "-inf");

    const Quantity& closed = Find(Category::Mesh, "Closed");
    EXPECT_EQ(NotComputedText(closed), "not computed");
    EXPECT_EQ(TextOf<int8_t>(closed, 1), "yes");
    EXPECT_EQ(TextOf<int8_t>(closed, 0), "no");
}

TEST(Values, CriteriaAndVerdicts)
{
    SettingsBlocks settings = DefaultSettings();
    EXPECT_EQ(CriterionText(settings, Find(Category::Points, "Count")), "[3, 500000]");
    EXPECT_EQ(CriterionText(settings, Find(Category::Points, "MaximalDegree")), "[2, 64]");
    EXPECT_EQ(CriterionText(settings, Find(Category::Edges, "MinimalLength")), "[0, 10]");
    EXPECT_EQ(CriterionText(settings, Find(Category::Mesh, "Volume")), "[-500000, 500000]");
    EXPECT_EQ(CriterionText(settings, Find(Category::Mesh, "HasBorders")), "= no");
    EXPECT_EQ(CriterionText(settings, Find(Category::Mesh, "Manifold")), "off");
    EXPECT_EQ(CriterionText(settings, Find(Category::Mesh, "Area")), "-");
    EXPECT_EQ(VerdictText(1), "pass");
    EXPECT_EQ(VerdictText(0), "FAIL");
    EXPECT_EQ(VerdictText(0xFF), "not judged");
}

FileOutcome SampleOutcome()
{
    FileOutcome outcome;
    outcome.file = "cube.ply";
    outcome.status = FileOutcome::Status::Analysed;
    outcome.format = "PLY ASCII";
    outcome.notes = {"a note"};
    outcome.pointCount = 8;
    outcome.triangleCount = 12;
    const Quantity& count = Find(Category::Points, "Count");
    const Quantity& nan = Find(Category::Points, "CountNAN");
    const Quantity& singular = Find(Category::Edges, "CountSingular");
    const Quantity& closed = Find(Category::Mesh, "Closed");
    const Quantity& volume = Find(Category::Mesh, "Volume");
    Store<uint32_t>(outcome.results, count, 8);
    Judge(outcome.results, count, 1);
    Store<uint32_t>(outcome.results, nan, static_cast<uint32_t>(-6));
    Judge(outcome.results, nan, 0);
    Store<uint32_t>(outcome.results, singular, 0);
    Judge(outcome.results, singular, 1);
    Store<int8_t>(outcome.results, closed, 1);
    Judge(outcome.results, closed, 1);
    Store(outcome.results, volume, 1.0);
    Judge(outcome.results, volume, 1);
    return outcome;
}

TEST(Reports, TallyAndExitStatus)
{
    FileOutcome outcome = SampleOutcome();
    Tally tally = TallyOf(outcome);
    EXPECT_EQ(tally.passed, 4);
    EXPECT_EQ(tally.failed, 1);
    EXPECT_EQ(tally.notJudged, 11 + 16 + 14 + 21 - 5);
    EXPECT_EQ(ExitStatusOf(outcome), 1);
    Judge(outcome.results, Find(Category::Points, "CountNAN"), 0xFF);
    EXPECT_EQ(ExitStatusOf(outcome), 0);
    outcome.status = FileOutcome::Status::Failed;
    EXPECT_EQ(ExitStatusOf(outcome), 2);
}

TEST(Reports, JsonDocumentHasStableKeys)
{
    const nlohmann::ordered_json doc = RenderJson(SampleOutcome(), DefaultSettings());
    std::vector<std::string> keys;
    for (auto it = doc.begin(); it != doc.end(); ++it) {
        keys.push_back(it.key());
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"schema", "file", "verdict", "format", "input", "notes", "summary",
                                              "points", "edges", "triangles", "mesh"}));
    EXPECT_EQ(doc["schema"], 1);
    EXPECT_EQ(doc["verdict"], "fail");
    EXPECT_EQ(doc["input"]["triangles"], 12);
    EXPECT_EQ(doc["summary"]["failed"], 1);
    EXPECT_EQ(doc["points"]["Count"].dump(),
              R"({"value":8,"state":"computed","enabled":true,"criterion":{"min":3,"max":500000},"verdict":"pass"})");
    EXPECT_EQ(doc["points"]["CountNAN"].dump(),
              R"({"value":null,"state":"error","code":-6,"enabled":true,"criterion":{"min":0,"max":0},"verdict":"fail"})");
    EXPECT_EQ(doc["points"]["CountINF"]["state"], "not computed");
    EXPECT_EQ(doc["points"]["CountINF"]["verdict"], "not judged");
    EXPECT_EQ(doc["mesh"]["Closed"].dump(),
              R"({"value":true,"state":"computed","enabled":true,"criterion":{"expected":true},"verdict":"pass"})");
    EXPECT_EQ(doc["mesh"]["Volume"]["value"], 1.0);
    EXPECT_EQ(doc["mesh"]["Manifold"]["enabled"], false);
    EXPECT_TRUE(doc["mesh"]["Area"]["criterion"].is_null());
    EXPECT_EQ(doc["edges"].size(), 16u);
    EXPECT_EQ(doc["mesh"].size(), 21u);

    FileOutcome failed;
    failed.file = "bad.obj";
    failed.error = "bad.obj: line 3: 'abc' is not a number";
    EXPECT_EQ(RenderJson(failed, DefaultSettings()).dump(),
              R"({"schema":1,"file":"bad.obj","verdict":"error","error":"bad.obj: line 3: 'abc' is not a number"})");
}

TEST(Reports, TextGroupsByCategoryAndColoursOnlyWhenAsked)
{
    const FileOutcome outcome = SampleOutcome();
    const std::string plain = RenderText(outcome, DefaultSettings(), false);
    EXPECT_EQ(plain.find('\033'), std::string::npos);
    EXPECT_EQ(plain.rfind("cube.ply  (PLY ASCII, 8 points, 12 triangles)\n  note: a note\n", 0), 0u);
    size_t points = plain.find("\npoints "), edges = plain.find("\nedges "), triangles = plain.find("\ntriangles "),
           mesh = plain.find("\nmesh ");
    EXPECT_LT(points, edges);
    EXPECT_LT(edges, triangles);
    EXPECT_LT(triangles, mesh);
    const std::vector<std::string> lines = testing::Lines(plain);
    auto lineOf = [&](const std::string& start) {
        for (const std::string& line : lines) {
            if (line.rfind(start, 0) == 0) {
                return line;
            }
        }
        return std::string();
    };
    const std::string nanLine = lineOf("  CountNAN ");
    EXPECT_NE(nanLine.find("error -6"), std::string::npos) << nanLine;
    EXPECT_NE(nanLine.find("[0, 0]"), std::string::npos);
    EXPECT_EQ(nanLine.substr(nanLine.size() - 4), "FAIL");
    EXPECT_EQ(lineOf("  Closed ").substr(lineOf("  Closed ").size() - 4), "pass");
    EXPECT_NE(lineOf("  CountINF ").find("not computed"), std::string::npos);
    EXPECT_EQ(lines.back(), "summary: 4 passed, 1 failed, 57 not judged: FAIL");

    const std::string coloured = RenderText(outcome, DefaultSettings(), true);
    EXPECT_NE(coloured.find("\033[1;31mFAIL\033[0m"), std::string::npos);
    EXPECT_NE(coloured.find("\033[32mpass\033[0m"), std::string::npos);
}

TEST(Wire, OutcomesSurviveTheTripAndTruncationIsDetected)
{
    const FileOutcome outcome = SampleOutcome();
    const std::string bytes = EncodeOutcome(outcome);
    FileOutcome back;
    ASSERT_TRUE(DecodeOutcome(bytes, back));
    EXPECT_EQ(back.file, outcome.file);
    EXPECT_EQ(back.format, outcome.format);
    EXPECT_EQ(back.notes, outcome.notes);
    EXPECT_EQ(back.triangleCount, 12u);
    EXPECT_EQ(std::memcmp(&back.results, &outcome.results, sizeof back.results), 0);
    for (size_t length = 0; length < bytes.size(); ++length) {
        FileOutcome partial;
        EXPECT_FALSE(DecodeOutcome(bytes.substr(0, length), partial)) << length;
    }
    EXPECT_FALSE(DecodeOutcome(bytes + "x", back));
}

}  // namespace
}  // namespace meshaudit::cli
