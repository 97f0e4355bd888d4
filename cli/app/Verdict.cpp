#include "Verdict.h"

#include "Report.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace meshaudit::cli {

namespace {

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
    // The words of the quantity's column (Quantities.cpp): counts name what
    // they count, flags say what is wrong when they miss their expected value.
    const bool flagMissed = q.value == ValueKind::Boolean && value.state == QuantityValue::State::Computed &&
                            q.criterion == CriterionKind::Expected &&
                            value.flag != (SettingsBytes(outcome.used, q.category)[q.criterionOffset] != 0);
    if (q.one != nullptr && q.many == nullptr && flagMissed && value.flag == q.flagSaid) {
        return q.one;
    }
    if (q.one != nullptr && q.many != nullptr && value.state == QuantityValue::State::Computed && value.count >= 0) {
        return std::to_string(value.count) + " " + (value.count == 1 ? q.one : q.many);
    }
    return std::string(CategoryKey(q.category)) + "." + q.name + " " + ValueText(value, q) + ", expected " +
           CriterionText(outcome.used, q);
}

}  // namespace

bool Judged(const FileOutcome& outcome, const Quantity& q)
{
    return q.criterion != CriterionKind::None && EnableByte(outcome.used, q) != 0 && !outcome.reportOnly.Has(q);
}

std::string CriterionShown(const FileOutcome& outcome, const Quantity& q)
{
    return outcome.reportOnly.Has(q) && EnableByte(outcome.used, q) != 0 ? "reported" : CriterionText(outcome.used, q);
}

Judgement JudgementOf(const FileOutcome& outcome, const Quantity& q)
{
    if (outcome.status != FileOutcome::Status::Analysed || !Judged(outcome, q)) {
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
    for (Category category : CategoriesOf(outcome)) {
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
    for (Category category : CategoriesOf(outcome)) {
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

uint8_t JudgedInRange(const ResultBlocks& results, const SettingsBlocks& used, const Quantity& q)
{
    const QuantityValue value = ReadValue(results, q);
    if (value.state == QuantityValue::State::NotComputed || value.state == QuantityValue::State::Error) {
        return 0xFF;
    }
    const uint8_t* settings = SettingsBytes(used, q.category) + q.criterionOffset;
    if (q.criterion == CriterionKind::CountRange) {
        ValueRange range;
        std::memcpy(&range, settings, sizeof range);
        const uint32_t v = static_cast<uint32_t>(value.count);
        return range.min <= v && v <= range.max ? 1 : 0;
    }
    if (q.criterion == CriterionKind::DoubleRange) {
        DoubleRange range;
        std::memcpy(&range, settings, sizeof range);
        return range.min <= value.number && value.number <= range.max ? 1 : 0;
    }
    return 0xFF;
}

}  // namespace meshaudit::cli
