// The outcome of checking one file, as a worker process hands it back to the
// command, and the verdict it adds up to.
#pragma once

#include "Quantities.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace meshaudit::cli {

struct FileOutcome {
    enum class Status : uint32_t { Analysed = 1, Failed = 2 };

    std::string file;
    Status status = Status::Failed;
    // Failed: one line that names the file and what went wrong.
    std::string error;
    // Analysed: how the file was read and what the library published.
    std::string format;
    std::vector<std::string> notes;
    uint64_t pointCount = 0;
    uint64_t triangleCount = 0;
    ResultBlocks results = NotComputedResults();
};

// Verdicts of the judged quantities.
struct Tally {
    int passed = 0;
    int failed = 0;
    int notJudged = 0;
};

Tally TallyOf(const FileOutcome& outcome);

// 0 when every judged quantity passed, 1 when one failed, 2 when the file
// could not be checked.
int ExitStatusOf(const FileOutcome& outcome);

// A byte string for the pipe from a worker, and back. Decode returns false
// for anything that is not a whole encoded outcome (a worker that died while
// writing).
std::string EncodeOutcome(const FileOutcome& outcome);
bool DecodeOutcome(std::string_view bytes, FileOutcome& outcome);

}  // namespace meshaudit::cli
