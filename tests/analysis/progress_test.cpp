// The progress line, byte for byte.
#include "analysis/AnalysisContext.h"
#include "analysis/Progress.h"
#include "interface/Blocks.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

namespace meshaudit {
namespace {

const std::string kClear = "\r" + std::string(132, ' ') + "\r";

// Runs `body` with the progress stream pointed at a temporary file and
// returns every byte written.
std::string Capture(const std::function<void()>& body)
{
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    std::FILE* saved = Progress().stream;
    Progress().stream = file;
    body();
    Progress().stream = saved;
    std::fflush(file);
    std::rewind(file);
    std::string bytes;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, n);
    }
    std::fclose(file);
    return bytes;
}

TEST(Progress, ThirdOfFourStepsShowsHalfTheBar)
{
    const std::string out = Capture([] {
        StartProgress(4, 4);
        AnnounceStep("a");
        AnnounceStep("b");
        AnnounceStep("point::CountINF");
    });
    const std::string third = kClear + "[==> ]  50 % point::CountINF";
    ASSERT_GE(out.size(), third.size());
    EXPECT_EQ(out.substr(out.size() - third.size()), third);
    const std::string first = kClear + "[>   ]   0 % a";
    EXPECT_EQ(out.substr(0, first.size()), first);
}

TEST(Progress, PercentageIsTruncatedSinglePrecision)
{
    // 100/3 in float is 33.3333321; 2 * that is 66.666664 -> 66.
    const std::string out = Capture([] {
        StartProgress(3, 3);
        AnnounceStep(nullptr);
        AnnounceStep(nullptr);
        AnnounceStep(nullptr);
    });
    EXPECT_EQ(out, kClear + "[>  ]   0 %" + kClear + "[=> ]  33 %" + kClear + "[==>]  66 %");
}

TEST(Progress, StepsBeyondTheTotalDrawAFullBarAndKeepCounting)
{
    const std::string out = Capture([] {
        StartProgress(2, 2);
        AnnounceStep("x");
        AnnounceStep("y");
        AnnounceStep("z");
        AnnounceStep("w");
    });
    EXPECT_EQ(out, kClear + "[> ]   0 % x" + kClear + "[=>]  50 % y" + kClear + "[==] 100 % z" +
                       kClear + "[==] 150 % w");
}

TEST(Progress, ZeroTotalDrawsAnEmptyBarAtOneHundredPercent)
{
    const std::string out = Capture([] {
        StartProgress(0, 0);
        AnnounceStep("mesh::Area");
        AnnounceStep(nullptr);
    });
    EXPECT_EQ(out, kClear + "[] 100 % mesh::Area" + kClear + "[] 100 %");
}

TEST(Progress, ClearWritesOneBlankLine)
{
    EXPECT_EQ(Capture([] { ClearProgressLine(); }), kClear);
}

// Analyses the cube with every Enable byte 0 but those that `configure`
// sets, and returns the progress bytes.
std::string RunWith(const std::function<void(AnalysisContext&)>& configure)
{
    testing::TestMesh cube = testing::UnitCube();
    const MeshRecord record = cube.Record();
    return Capture([&] {
        AnalysisContext context;
        context.LoadMesh(record);
        std::memset(context.pointSettings.Enable, 0, sizeof context.pointSettings.Enable);
        std::memset(context.edgeSettings.Enable, 0, sizeof context.edgeSettings.Enable);
        std::memset(context.triangleSettings.Enable, 0, sizeof context.triangleSettings.Enable);
        std::memset(context.meshSettings.Enable, 0, sizeof context.meshSettings.Enable);
        configure(context);
        context.RunCategory(5);
    });
}

TEST(ProgressOfAnAnalysis, NothingEnabledPrintsOnlyTheFinalBlankLine)
{
    EXPECT_EQ(RunWith([](AnalysisContext&) {}), kClear);
}

TEST(ProgressOfAnAnalysis, OneQuantityFillsTheWholeOneCellBar)
{
    EXPECT_EQ(RunWith([](AnalysisContext& c) { c.pointSettings.Enable[PNT_Count] = 1; }),
              kClear + "[>]   0 % point::Count" + kClear);
}

TEST(ProgressOfAnAnalysis, TriangleCountLabelEndsInACarriageReturn)
{
    EXPECT_EQ(RunWith([](AnalysisContext& c) { c.triangleSettings.Enable[TRI_Count] = 1; }),
              kClear + "[>]   0 % triangle::Count\r" + kClear);
}

TEST(ProgressOfAnAnalysis, SharedCountsAnnounceBeyondTheTotal)
{
    // Closed (k 7) is one counted step but announces the border count first;
    // the area is announced but never counted.
    const std::string out = RunWith([](AnalysisContext& c) {
        c.meshSettings.Enable[MSH_Closed] = 1;
        c.meshSettings.Enable[MSH_Area] = 1;
    });
    EXPECT_EQ(out, kClear + "[>]   0 % mesh::Handles" + kClear + "[=] 100 % mesh::Closed" + kClear +
                       "[=] 200 % mesh::Area" + kClear);
}

TEST(ProgressOfAnAnalysis, OnlyUncountedQuantitiesGiveAZeroTotal)
{
    const std::string out = RunWith([](AnalysisContext& c) {
        c.triangleSettings.Enable[TRI_CountDuplicatedTopological] = 1;
    });
    EXPECT_EQ(out, kClear + "[] 100 % triangle::CountDuplicatedTopological" + kClear);
}

}  // namespace
}  // namespace meshaudit
