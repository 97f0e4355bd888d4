#include "analysis/Progress.h"

namespace meshaudit {

namespace {

constexpr char kBlankLine[] =
    "                                                                    "
    "                                                                ";
static_assert(sizeof kBlankLine - 1 == 132, "the cleared line is 132 blanks wide");

ProgressReporter processReporter;

}  // namespace

ProgressReporter& Progress()
{
    return processReporter;
}

void StartProgress(ProgressReporter& reporter, uint32_t total, uint32_t width)
{
    reporter.total = total;
    reporter.width = width;
    reporter.current = 0;
}

void ClearProgressLine(ProgressReporter& reporter)
{
    if (reporter.stream != nullptr && reporter.callback == nullptr) {
        std::fprintf(reporter.stream, "\r%s\r", kBlankLine);
    }
}

void AnnounceStep(ProgressReporter& reporter, const char* label)
{
    const uint32_t step = reporter.current;
    if (reporter.callback != nullptr || reporter.stream == nullptr) {
        if (reporter.callback != nullptr) {
            reporter.callback(reporter.user, step, reporter.total, label);
        }
        reporter.current = step + 1;
        return;
    }
    const uint32_t total = reporter.total;
    const uint32_t width = reporter.width;

    // The percentage of the steps finished before this one, in single
    // precision as the bar has always shown it. With no counted step at all
    // (only uncounted quantities enabled) every counted step is done: 100 %.
    int percent = 100;
    uint32_t cells = 0;
    if (total != 0) {
        const float perStep = 100.0f / static_cast<float>(total);
        percent = static_cast<int>(static_cast<float>(step) * perStep);
        cells = (width / total) * step;
    }

    ClearProgressLine(reporter);
    std::fprintf(reporter.stream, "[");
    for (uint32_t i = 0; i < width; ++i) {
        std::fprintf(reporter.stream, "%s", i < cells ? "=" : (i == cells ? ">" : " "));
    }
    if (label != nullptr) {
        std::fprintf(reporter.stream, "] %3d %% %s", percent, label);
    } else {
        std::fprintf(reporter.stream, "] %3d %%", percent);
    }
    std::fflush(reporter.stream);
    reporter.current = step + 1;
}

}  // namespace meshaudit
