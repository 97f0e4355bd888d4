// How a checked file is judged: each quantity's part in the verdict, the
// verdict itself, and the failures said in words. Every output (text, JSON,
// the report page, Python, the exit status) takes its verdict from here.
#pragma once

#include "Outcome.h"

#include <string>
#include <vector>

namespace meshaudit::cli {

// One quantity's part in the verdict.
enum class Judgement {
    Pass,       // judged, and met its criterion
    Fail,       // judged, and did not
    NotJudged,  // off, never judged, or reported only ("judge": false)
    Error,      // judged, but its value could not be computed (a memory
                // limit, an allocation failure): nothing may pass on it
};
Judgement JudgementOf(const FileOutcome& outcome, const Quantity& quantity);

// Whether the settings count the quantity in the verdict at all: enabled,
// with a criterion, and not reported only.
bool Judged(const FileOutcome& outcome, const Quantity& quantity);

// The criterion as the reports show it: "reported" for a quantity reported
// but not judged, else CriterionText.
std::string CriterionShown(const FileOutcome& outcome, const Quantity& quantity);

// "pass", "fail", "not judged", "error": the JSON keys of a judgement.
const char* JudgementKey(Judgement judgement);

// The file's verdict: Error when it could not be checked, a file the check
// writes could not be written, or a judged quantity could not be computed;
// otherwise Fail when a judged quantity failed; otherwise Pass.
enum class Verdict { Pass, Fail, Error };
Verdict VerdictOf(const FileOutcome& outcome);
// "pass", "fail", "error".
const char* VerdictKey(Verdict verdict);

struct Tally {
    int passed = 0;
    int failed = 0;
    int notJudged = 0;
    int errors = 0;
};
Tally TallyOf(const FileOutcome& outcome);

// 0 for Pass, 1 for Fail, 2 for Error.
int ExitStatusOf(const FileOutcome& outcome);

// What a value means beyond itself, or "": a negative handle count is the
// Euler formula on a mesh that is not a manifold, where genus is undefined.
std::string NoteOf(const FileOutcome& outcome, const Quantity& quantity);

// The failing and uncomputed judged quantities in words, in report order:
// "3 holes", "inside-out", "72 intersecting triangles", "Volume could not
// be computed".
std::vector<std::string> FailureWords(const FileOutcome& outcome);

// The InRange byte the command gives a quantity of its own categories, as
// the library judges its own: a computed count by unsigned compare with its
// range, a double with NaN never passing, 0xFF when not computed.
uint8_t JudgedInRange(const ResultBlocks& results, const SettingsBlocks& used, const Quantity& quantity);

}  // namespace meshaudit::cli
