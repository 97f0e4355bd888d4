// The one-line progress bar on standard error: redrawn in place before each
// quantity is computed, blanked when the analysis ends, never a newline.
#pragma once

#include <cstdint>
#include <cstdio>

namespace meshaudit {

// A host's own report of the steps, instead of the bar: called before each
// step with the steps done so far, their total and the step's label.
using ProgressCallback = void (*)(void* user, uint32_t done, uint32_t total, const char* label);

struct ProgressReporter {
    uint32_t total = 100;
    uint32_t width = 100;
    uint32_t current = 0;
    std::FILE* stream = stderr;  // null: no bar
    ProgressCallback callback = nullptr;  // when set, called instead of drawing
    void* user = nullptr;
};

// The reporter of the exported analyse (bound to standard error at load).
ProgressReporter& Progress();

// Sets the step total and the bar width and restarts at step 0.
void StartProgress(ProgressReporter& reporter, uint32_t total, uint32_t width);

// Redraws the bar for the current step with the label (may be null), flushes,
// then advances the current step.
void AnnounceStep(ProgressReporter& reporter, const char* label);

// "\r", 132 blanks, "\r": leaves the cursor at the start of a blank line.
void ClearProgressLine(ProgressReporter& reporter);

}  // namespace meshaudit
