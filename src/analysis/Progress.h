// The one-line progress bar on standard error: redrawn in place before each
// quantity is computed, blanked when the analysis ends, never a newline.
#pragma once

#include <cstdint>
#include <cstdio>

namespace meshaudit {

struct ProgressReporter {
    uint32_t total = 100;
    uint32_t width = 100;
    uint32_t current = 0;
    std::FILE* stream = stderr;
};

// The process-wide reporter (bound to standard error at load).
ProgressReporter& Progress();

// Sets the step total and the bar width and restarts at step 0.
void StartProgress(uint32_t total, uint32_t width);

// Redraws the bar for the current step with the label (may be null), flushes,
// then advances the current step.
void AnnounceStep(const char* label);

// "\r", 132 blanks, "\r": leaves the cursor at the start of a blank line.
void ClearProgressLine();

}  // namespace meshaudit
