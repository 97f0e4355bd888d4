#include "Verdict.h"

#include "Report.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace meshaudit::cli {

namespace {

// What a failing quantity says about the mesh. Counts name what they count
// (one and many); flags say what is wrong when they miss their expected
// value. A quantity without a row is said by name, value and criterion.
struct Words {
    Category category;
    std::string_view name;
    const char* one;
    const char* many;      // nullptr for a flag
    bool flagSaid = true;  // a flag: the value `one` describes
};

constexpr Words kWords[] = {
    {Category::Points, "CountNAN", "point with a NaN coordinate", "points with a NaN coordinate"},
    {Category::Points, "CountINF", "point with an infinite coordinate", "points with an infinite coordinate"},
    {Category::Points, "CountIsolated", "unused point", "unused points"},
    {Category::Points, "CountBorder", "point on a border", "points on a border"},
    {Category::Points, "CountDuplicatedGeometrical", "duplicated point", "duplicated points"},
    {Category::Points, "CountClassesOfDuplicatedGeometrical", "set of duplicated points",
     "sets of duplicated points"},
    {Category::Points, "CountClassesOfEpsilonDuplicatedGeometrical", "set of near-duplicated points",
     "sets of near-duplicated points"},
    {Category::Edges, "CountBorder", "border edge", "border edges"},
    {Category::Edges, "CountSingular", "edge on more than two triangles", "edges on more than two triangles"},
    {Category::Edges, "CountInvalidTopological", "edge with one point twice", "edges with one point twice"},
    {Category::Edges, "CountInvalidGeometrical", "edge of zero length", "edges of zero length"},
    {Category::Edges, "CountDuplicatedTopological", "duplicated edge", "duplicated edges"},
    {Category::Edges, "CountDuplicatedGeometrical", "edge duplicated in place", "edges duplicated in place"},
    {Category::Edges, "CountClassesOfDuplicatedTopological", "set of duplicated edges", "sets of duplicated edges"},
    {Category::Edges, "CountClassesOfDuplicatedGeometrical", "set of edges duplicated in place",
     "sets of edges duplicated in place"},
    {Category::Edges, "CountSmallerLength", "edge shorter than the minimum", "edges shorter than the minimum"},
    {Category::Edges, "CountGreaterLength", "edge longer than the maximum", "edges longer than the maximum"},
    {Category::Triangles, "CountBorder", "triangle on a border", "triangles on a border"},
    {Category::Triangles, "CountIsolated", "isolated triangle", "isolated triangles"},
    {Category::Triangles, "CountSingular", "triangle on a singular edge", "triangles on a singular edge"},
    {Category::Triangles, "CountInvalidTopological", "triangle that repeats a point",
     "triangles that repeat a point"},
    {Category::Triangles, "CountInvalidGeometrical", "triangle of zero area", "triangles of zero area"},
    {Category::Triangles, "CountClassesOfDuplicatedTopological", "set of duplicated triangles",
     "sets of duplicated triangles"},
    {Category::Triangles, "CountClassesOfDuplicatedGeometrical", "set of triangles duplicated in place",
     "sets of triangles duplicated in place"},
    {Category::Triangles, "CountIntersected", "intersecting triangle", "intersecting triangles"},
    {Category::Triangles, "CountFlippedTopological", "flipped triangle", "flipped triangles"},
    {Category::Mesh, "CountComponents", "piece", "pieces"},
    {Category::Mesh, "CountHandles", "handle", "handles"},
    {Category::Mesh, "CountBorders", "hole", "holes"},
    {Category::Mesh, "Oriented", "not oriented", nullptr, false},
    {Category::Mesh, "Orientable", "not orientable", nullptr, false},
    {Category::Mesh, "Connected", "in several pieces", nullptr, false},
    {Category::Mesh, "HasHandles", "has handles", nullptr, true},
    {Category::Mesh, "Closed", "not closed", nullptr, false},
    {Category::Mesh, "HasBorders", "has holes", nullptr, true},
    {Category::Mesh, "Invalid", "has invalid edges or triangles", nullptr, true},
    {Category::Mesh, "Singular", "has singular edges or triangles", nullptr, true},
    {Category::Mesh, "PreciseDuplicates", "has duplicated elements", nullptr, true},
    {Category::Mesh, "EpsilonDuplicates", "has near-duplicated points", nullptr, true},
    {Category::Mesh, "Inclusion", "does not enclose a volume", nullptr, false},
    {Category::Mesh, "Selfintersection", "self-intersecting", nullptr, true},
};

const Words* WordsOf(const Quantity& q)
{
    for (const Words& w : kWords) {
        if (w.category == q.category && w.name == q.name) {
            return &w;
        }
    }
    return nullptr;
}

bool IsMesh(const Quantity& q, std::string_view name)
{
    return q.category == Category::Mesh && q.name == name;
}

const Quantity& MeshQuantity(std::string_view name)
{
    for (const Quantity& q : QuantitiesOf(Category::Mesh)) {
        if (q.name == name) {
            return q;
        }
    }
    return QuantitiesOf(Category::Mesh).front();
}

// A negative handle count: the mesh is not a manifold.
bool NotManifold(const FileOutcome& outcome)
{
    const QuantityValue handles = ReadValue(outcome.results, MeshQuantity("CountHandles"));
    return handles.state == QuantityValue::State::Computed && handles.count < 0;
}

// HasHandles follows the handle count, and is left undefined with it.
bool Undefined(const FileOutcome& outcome, const Quantity& q)
{
    return IsMesh(q, "HasHandles") && NotManifold(outcome);
}

std::string SaidOf(const FileOutcome& outcome, const Quantity& q)
{
    const QuantityValue value = ReadValue(outcome.results, q);
    if (IsMesh(q, "Volume") && value.state == QuantityValue::State::Computed && value.number < 0.0) {
        return "inside-out (volume " + ValueText(value, q) + ")";
    }
    const std::string_view name = q.name;
    if ((name == "MinimalDegree" || name == "MaximalDegree") && value.state == QuantityValue::State::Computed &&
        q.criterion == CriterionKind::CountRange) {
        // "edge degree 1 (expected 2)": how many triangles meet at the
        // element, against the one range both degrees share.
        ValueRange range;
        std::memcpy(&range, SettingsBytes(outcome.used, q.category) + q.criterionOffset, sizeof range);
        const std::string noun = q.category == Category::Points ? "point" : q.category == Category::Edges ? "edge"
                                                                                                           : "triangle";
        const std::string expected = range.min == range.max ? std::to_string(range.min)
                                   : range.max == UINT32_MAX ? std::to_string(range.min) + " or more"
                                                             : std::to_string(range.min) + " to " + std::to_string(range.max);
        return noun + " degree " + std::to_string(value.count) + " (expected " + expected + ")";
    }
    const Words* words = WordsOf(q);
    const bool flagMissed = q.value == ValueKind::Boolean && value.state == QuantityValue::State::Computed &&
                            q.criterion == CriterionKind::Expected &&
                            value.flag != (SettingsBytes(outcome.used, q.category)[q.criterionOffset] != 0);
    if (words != nullptr && words->many == nullptr && flagMissed && value.flag == words->flagSaid) {
        return words->one;
    }
    if (words != nullptr && words->many != nullptr && value.state == QuantityValue::State::Computed &&
        value.count >= 0) {
        return std::to_string(value.count) + " " + (value.count == 1 ? words->one : words->many);
    }
    return std::string(CategoryKey(q.category)) + "." + q.name + " " + ValueText(value, q) + ", expected " +
           CriterionText(outcome.used, q);
}

}  // namespace

Judgement JudgementOf(const FileOutcome& outcome, const Quantity& q)
{
    if (outcome.status != FileOutcome::Status::Analysed || q.criterion == CriterionKind::None ||
        EnableByte(outcome.used, q) == 0 || outcome.reportOnly.Has(q)) {
        return Judgement::NotJudged;
    }
    const QuantityValue value = ReadValue(outcome.results, q);
    const bool missing =
        value.state == QuantityValue::State::NotComputed || value.state == QuantityValue::State::Error;
    if (missing && !NeverComputed(q) && !Undefined(outcome, q)) {
        return Judgement::Error;
    }
    const uint8_t inRange = InRangeByte(outcome.results, q);
    return inRange == 1 ? Judgement::Pass : inRange == 0 ? Judgement::Fail : Judgement::NotJudged;
}

const char* JudgementKey(Judgement judgement)
{
    switch (judgement) {
    case Judgement::Pass:
        return "pass";
    case Judgement::Fail:
        return "fail";
    case Judgement::Error:
        return "error";
    case Judgement::NotJudged:
        break;
    }
    return "not judged";
}

Tally TallyOf(const FileOutcome& outcome)
{
    Tally tally;
    if (outcome.status != FileOutcome::Status::Analysed) {
        return tally;
    }
    for (Category category : kCategories) {
        for (const Quantity& q : QuantitiesOf(category)) {
            switch (JudgementOf(outcome, q)) {
            case Judgement::Pass:
                ++tally.passed;
                break;
            case Judgement::Fail:
                ++tally.failed;
                break;
            case Judgement::Error:
                ++tally.errors;
                break;
            case Judgement::NotJudged:
                ++tally.notJudged;
                break;
            }
        }
    }
    return tally;
}

Verdict VerdictOf(const FileOutcome& outcome)
{
    if (outcome.status != FileOutcome::Status::Analysed || !outcome.writeError.empty()) {
        return Verdict::Error;
    }
    const Tally tally = TallyOf(outcome);
    return tally.errors > 0 ? Verdict::Error : tally.failed > 0 ? Verdict::Fail : Verdict::Pass;
}

const char* VerdictKey(Verdict verdict)
{
    return verdict == Verdict::Pass ? "pass" : verdict == Verdict::Fail ? "fail" : "error";
}

int ExitStatusOf(const FileOutcome& outcome)
{
    const Verdict verdict = VerdictOf(outcome);
    return verdict == Verdict::Pass ? 0 : verdict == Verdict::Fail ? 1 : 2;
}

std::string NoteOf(const FileOutcome& outcome, const Quantity& q)
{
    if (outcome.status != FileOutcome::Status::Analysed || !NotManifold(outcome)) {
        return "";
    }
    if (IsMesh(q, "CountHandles")) {
        return "the mesh is not a manifold: the Euler formula gives a negative count, and genus is undefined";
    }
    if (IsMesh(q, "HasHandles")) {
        return "undefined: the mesh is not a manifold";
    }
    return "";
}

std::vector<std::string> FailureWords(const FileOutcome& outcome)
{
    std::vector<std::string> words, missing;
    for (Category category : kCategories) {
        for (const Quantity& q : QuantitiesOf(category)) {
            const Judgement judgement = JudgementOf(outcome, q);
            if (judgement == Judgement::Fail) {
                words.push_back(SaidOf(outcome, q));
            } else if (judgement == Judgement::Error) {
                missing.push_back(std::string(CategoryKey(category)) + "." + q.name);
            }
        }
    }
    // A memory limit leaves many quantities uncomputed: a few are named, many
    // are counted.
    constexpr size_t kMostNamed = 3;
    if (missing.size() > kMostNamed) {
        words.push_back(std::to_string(missing.size()) + " quantities could not be computed");
    } else {
        for (const std::string& name : missing) {
            words.push_back(name + " could not be computed");
        }
    }
    return words;
}

}  // namespace meshaudit::cli
