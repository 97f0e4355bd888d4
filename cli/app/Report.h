// What the command prints about one checked file: a text report grouped by
// category, or one JSON document.
#pragma once

#include "Outcome.h"
#include "Quantities.h"
#include "Verdict.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <span>
#include <string>

namespace meshaudit::cli {

// The version of the JSON documents: it changes only when their keys do.
inline constexpr int kJsonSchema = 5;

// A value slot read the way the library writes it.
struct QuantityValue {
    enum class State {
        Computed,     // `number` (or `flag` for booleans) holds the value
        NotComputed,  // the slot holds its not-computed mark
        Error,        // the slot holds a failure code, in `code`
        NotFinite,    // a double that is NaN or infinite, in `number`
    };
    State state = State::NotComputed;
    double number = 0.0;
    int64_t count = 0;  // negative only for a signed count (SignedCount)
    bool flag = false;
    int64_t code = 0;
};

QuantityValue ReadValue(const ResultBlocks& results, const Quantity& quantity);

// "42", "0.718258788", "yes", "not computed", "error -5", "nan".
std::string ValueText(const QuantityValue& value, const Quantity& quantity);
// "[3, 500000]", "[-500000, 500000]", "= yes", "off" (Enable 0), "-" (never judged).
std::string CriterionText(const SettingsBlocks& settings, const Quantity& quantity);
// "pass", "FAIL", "ERROR" or "not judged".
std::string VerdictText(Judgement judgement);

// The text report: a heading naming the file, the reader's notes, one table
// per category, and a summary line, with the criteria the outcome was
// judged by (its `used` settings). With `colour`, verdicts are coloured
// with ANSI escapes.
std::string RenderText(const FileOutcome& outcome, bool colour);

// One line for a file among many: its verdict (the worst of its objects'),
// the file, and its failures in words (FailureWords; a 3MF object's named
// when the file has several; a reading error in its own words), the file
// padded to `fileWidth` so that the lines of a run align.
std::string RenderLine(std::span<const FileOutcome> outcomes, size_t fileWidth, bool colour);

// The JSON document of one file (schema in the README).
nlohmann::ordered_json RenderJson(const FileOutcome& outcome);

// The document on one line. Text that is not valid UTF-8 (file names are
// bytes) is never refused: its stray bytes are written as \xNN.
std::string JsonLine(const nlohmann::ordered_json& document);
std::string Utf8Escaped(const std::string& text);

// "1 triangle", "2 triangles".
std::string Plural(uint64_t count, const std::string& noun);

}  // namespace meshaudit::cli
