// The progress line, byte for byte.
#include "analysis/AnalysisContext.h"
#include "analysis/Progress.h"
#include "analysis/ProgressCapture.h"
#include "interface/Blocks.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace meshaudit {
namespace {

using testing::CaptureProgress;
const std::string& kClear = testing::kClearedLine;

TEST(Progress, BarPercentageAndLabels)
{
    struct Case {
        const char* name;
        uint32_t total;
        std::vector<const char*> labels;
        std::string expected;
    };
    const Case cases[] = {
        {"half the bar at the third of four steps", 4, {"a", "b", "point::CountINF"},
         kClear + "[>   ]   0 % a" + kClear + "[=>  ]  25 % b" + kClear +
             "[==> ]  50 % point::CountINF"},
        // 100/3 in float is 33.3333321; 2 * that is 66.666664 -> 66.
        {"truncated single precision", 3, {nullptr, nullptr, nullptr},
         kClear + "[>  ]   0 %" + kClear + "[=> ]  33 %" + kClear + "[==>]  66 %"},
        {"beyond the total: a full bar, still counting", 2, {"x", "y", "z", "w"},
         kClear + "[> ]   0 % x" + kClear + "[=>]  50 % y" + kClear + "[==] 100 % z" + kClear +
             "[==] 150 % w"},
        {"zero total: an empty bar at 100 %", 0, {"mesh::Area", nullptr},
         kClear + "[] 100 % mesh::Area" + kClear + "[] 100 %"},
    };
    for (const Case& c : cases) {
        const std::string out = CaptureProgress([&] {
            StartProgress(c.total, c.total);
            for (const char* label : c.labels) {
                AnnounceStep(label);
            }
        });
        EXPECT_EQ(out, c.expected) << c.name;
    }
    EXPECT_EQ(CaptureProgress([] { ClearProgressLine(); }), kClear);
}

TEST(ProgressOfAnAnalysis, StepsOfSelectedQuantities)
{
    struct Case {
        const char* name;
        std::function<void(AnalysisContext&)> configure;
        std::string expected;
    };
    const Case cases[] = {
        {"nothing enabled: only the final blank line", [](AnalysisContext&) {}, kClear},
        // Closed is one step but announces the border count first; the area
        // is announced but never counted.
        {"shared counts announce beyond the total",
         [](AnalysisContext& c) {
             c.meshSettings.Enable[MSH_Closed] = 1;
             c.meshSettings.Enable[MSH_Area] = 1;
         },
         kClear + "[>]   0 % mesh::Handles" + kClear + "[=] 100 % mesh::Closed" + kClear +
             "[=] 200 % mesh::Area" + kClear},
        {"only uncounted quantities: a zero total",
         [](AnalysisContext& c) { c.triangleSettings.Enable[TRI_CountDuplicatedTopological] = 1; },
         kClear + "[] 100 % triangle::CountDuplicatedTopological" + kClear},
    };
    testing::TestMesh cube = testing::UnitCube();
    for (const Case& c : cases) {
        const std::string out = CaptureProgress([&] {
            AnalysisContext context;
            context.LoadMesh(cube.Record());
            std::memset(context.pointSettings.Enable, 0, sizeof context.pointSettings.Enable);
            std::memset(context.edgeSettings.Enable, 0, sizeof context.edgeSettings.Enable);
            std::memset(context.triangleSettings.Enable, 0, sizeof context.triangleSettings.Enable);
            std::memset(context.meshSettings.Enable, 0, sizeof context.meshSettings.Enable);
            c.configure(context);
            context.RunCategory(5);
        });
        EXPECT_EQ(out, c.expected) << c.name;
    }
}

}  // namespace
}  // namespace meshaudit
