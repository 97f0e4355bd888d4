#include "Report.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace meshaudit::cli {

namespace {

using nlohmann::ordered_json;

constexpr const char* kGreen = "\033[32m";
constexpr const char* kRed = "\033[1;31m";
constexpr const char* kDim = "\033[2m";
constexpr const char* kBold = "\033[1m";
constexpr const char* kReset = "\033[0m";

template <typename T>
T Load(const uint8_t* block, size_t offset)
{
    T value;
    std::memcpy(&value, block + offset, sizeof value);
    return value;
}

// Ten significant digits, enough to read and compare by eye.
std::string Short(double value)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.10g", value);
    return buffer;
}

std::string Bracketed(const std::string& min, const std::string& max)
{
    std::string text;
    text.reserve(min.size() + max.size() + 4);
    text += '[';
    text += min;
    text += ", ";
    text += max;
    text += ']';
    return text;
}

std::string Padded(std::string text, size_t width)
{
    if (text.size() < width) {
        text.append(width - text.size(), ' ');
    }
    return text;
}

const char* StateName(QuantityValue::State state, double number)
{
    switch (state) {
    case QuantityValue::State::Computed:
        return "computed";
    case QuantityValue::State::NotComputed:
        return "not computed";
    case QuantityValue::State::Error:
        return "error";
    case QuantityValue::State::NotFinite:
        return std::isnan(number) ? "nan" : number > 0 ? "inf" : "-inf";
    }
    return "?";
}

const char* VerdictKey(uint8_t inRange)
{
    return inRange == 1 ? "pass" : inRange == 0 ? "fail" : "not judged";
}

}  // namespace

QuantityValue ReadValue(const ResultBlocks& results, const Quantity& quantity)
{
    const uint8_t* block = ResultBytes(results, quantity.category);
    QuantityValue value;
    switch (quantity.value) {
    case ValueKind::Count: {
        const uint32_t raw = Load<uint32_t>(block, quantity.valueOffset);
        if (raw == NOT_COMPUTED) {
            value.state = QuantityValue::State::NotComputed;
        } else if (static_cast<int32_t>(raw) < 0) {
            value.state = QuantityValue::State::Error;
            value.code = static_cast<int32_t>(raw);
        } else {
            value.state = QuantityValue::State::Computed;
            value.count = raw;
        }
        break;
    }
    case ValueKind::Double:
    case ValueKind::Volume: {
        const double raw = Load<double>(block, quantity.valueOffset);
        value.number = raw;
        const bool isVolume = quantity.value == ValueKind::Volume;
        if (isVolume ? raw == -DBL_MAX : raw == -1.0) {
            value.state = QuantityValue::State::NotComputed;
        } else if (!std::isfinite(raw)) {
            value.state = QuantityValue::State::NotFinite;
        } else if (!isVolume && raw < 0.0) {
            // Lengths and areas are never negative: the library stores a
            // failure code there as a double.
            value.state = QuantityValue::State::Error;
            value.code = static_cast<int64_t>(raw);
        } else {
            value.state = QuantityValue::State::Computed;
        }
        break;
    }
    case ValueKind::Boolean: {
        const int8_t raw = Load<int8_t>(block, quantity.valueOffset);
        if (raw == 1 || raw == 0) {
            value.state = QuantityValue::State::Computed;
            value.flag = raw == 1;
        } else if (raw == -1) {
            value.state = QuantityValue::State::NotComputed;
        } else {
            value.state = QuantityValue::State::Error;
            value.code = raw;
        }
        break;
    }
    }
    return value;
}

std::string ValueText(const QuantityValue& value, const Quantity& quantity)
{
    switch (value.state) {
    case QuantityValue::State::NotComputed:
        return "not computed";
    case QuantityValue::State::Error:
        return "error " + std::to_string(value.code);
    case QuantityValue::State::NotFinite:
        return StateName(value.state, value.number);
    case QuantityValue::State::Computed:
        break;
    }
    switch (quantity.value) {
    case ValueKind::Count:
        return std::to_string(value.count);
    case ValueKind::Boolean:
        return value.flag ? "yes" : "no";
    case ValueKind::Double:
    case ValueKind::Volume:
        return Short(value.number);
    }
    return "?";
}

std::string CriterionText(const SettingsBlocks& settings, const Quantity& quantity)
{
    if (quantity.criterion == CriterionKind::None) {
        return "-";
    }
    if (EnableByte(settings, quantity) == 0) {
        return "off";
    }
    const uint8_t* block = SettingsBytes(settings, quantity.category);
    switch (quantity.criterion) {
    case CriterionKind::CountRange: {
        const auto r = Load<ValueRange>(block, quantity.criterionOffset);
        return Bracketed(std::to_string(r.min), std::to_string(r.max));
    }
    case CriterionKind::DoubleRange: {
        const auto r = Load<DoubleRange>(block, quantity.criterionOffset);
        return Bracketed(Short(r.min), Short(r.max));
    }
    case CriterionKind::Expected:
        return block[quantity.criterionOffset] != 0 ? "= yes" : "= no";
    case CriterionKind::None:
        break;
    }
    return "-";
}

std::string VerdictText(uint8_t inRange)
{
    return inRange == 1 ? "pass" : inRange == 0 ? "FAIL" : "not judged";
}

std::string RenderText(const FileOutcome& outcome, const SettingsBlocks& settings, bool colour)
{
    auto paint = [colour](const char* code, const std::string& text) {
        return colour ? std::string(code) + text + kReset : text;
    };
    std::string out;
    if (outcome.status != FileOutcome::Status::Analysed) {
        out += paint(kRed, "error") + ": " + outcome.error + "\n";
        return out;
    }
    out += paint(kBold, outcome.file) + "  (" + outcome.format + ", " + std::to_string(outcome.pointCount) +
           " points, " + std::to_string(outcome.triangleCount) + " triangles)\n";
    for (const std::string& note : outcome.notes) {
        out += "  note: " + note + "\n";
    }
    size_t nameWidth = 0;
    for (Category category : kCategories) {
        for (const Quantity& q : QuantitiesOf(category)) {
            nameWidth = std::max(nameWidth, std::strlen(q.name));
        }
    }
    nameWidth += 2;
    constexpr size_t kValueWidth = 16;
    constexpr size_t kCriterionWidth = 22;
    for (Category category : kCategories) {
        std::string heading = Padded(CategoryKey(category), nameWidth + 2);
        heading += Padded("value", kValueWidth);
        heading += Padded("criterion", kCriterionWidth);
        heading += "verdict";
        out += '\n';
        out += paint(kBold, heading);
        out += '\n';
        for (const Quantity& q : QuantitiesOf(category)) {
            const uint8_t inRange = InRangeByte(outcome.results, q);
            const char* tint = inRange == 1 ? kGreen : inRange == 0 ? kRed : kDim;
            out += "  " + Padded(q.name, nameWidth) +
                   Padded(ValueText(ReadValue(outcome.results, q), q), kValueWidth) +
                   Padded(CriterionText(settings, q), kCriterionWidth) + paint(tint, VerdictText(inRange)) + "\n";
        }
    }
    const Tally tally = TallyOf(outcome);
    const bool passed = tally.failed == 0;
    out += "\nsummary: ";
    out += std::to_string(tally.passed) + " passed, " + std::to_string(tally.failed) + " failed, " +
           std::to_string(tally.notJudged) + " not judged: ";
    out += paint(passed ? kGreen : kRed, passed ? "PASS" : "FAIL");
    out += '\n';
    return out;
}

ordered_json RenderJson(const FileOutcome& outcome, const SettingsBlocks& settings)
{
    ordered_json document = ordered_json::object();
    document["schema"] = 1;
    document["file"] = outcome.file;
    if (outcome.status != FileOutcome::Status::Analysed) {
        document["verdict"] = "error";
        document["error"] = outcome.error;
        return document;
    }
    const Tally tally = TallyOf(outcome);
    document["verdict"] = tally.failed == 0 ? "pass" : "fail";
    document["format"] = outcome.format;
    document["input"] = {{"points", outcome.pointCount}, {"triangles", outcome.triangleCount}};
    document["notes"] = outcome.notes;
    document["summary"] = {{"passed", tally.passed}, {"failed", tally.failed}, {"not_judged", tally.notJudged}};
    for (Category category : kCategories) {
        const uint8_t* block = SettingsBytes(settings, category);
        ordered_json group = ordered_json::object();
        for (const Quantity& q : QuantitiesOf(category)) {
            const QuantityValue value = ReadValue(outcome.results, q);
            ordered_json entry = ordered_json::object();
            if (value.state != QuantityValue::State::Computed) {
                entry["value"] = nullptr;
            } else if (q.value == ValueKind::Count) {
                entry["value"] = value.count;
            } else if (q.value == ValueKind::Boolean) {
                entry["value"] = value.flag;
            } else {
                entry["value"] = value.number;
            }
            entry["state"] = StateName(value.state, value.number);
            if (value.state == QuantityValue::State::Error) {
                entry["code"] = value.code;
            }
            entry["enabled"] = EnableByte(settings, q) != 0;
            switch (q.criterion) {
            case CriterionKind::CountRange: {
                const auto r = Load<ValueRange>(block, q.criterionOffset);
                entry["criterion"] = {{"min", r.min}, {"max", r.max}};
                break;
            }
            case CriterionKind::DoubleRange: {
                const auto r = Load<DoubleRange>(block, q.criterionOffset);
                entry["criterion"] = {{"min", r.min}, {"max", r.max}};
                break;
            }
            case CriterionKind::Expected:
                entry["criterion"] = {{"expected", block[q.criterionOffset] != 0}};
                break;
            case CriterionKind::None:
                entry["criterion"] = nullptr;
                break;
            }
            entry["verdict"] = VerdictKey(InRangeByte(outcome.results, q));
            group[q.name] = entry;
        }
        document[CategoryKey(category)] = group;
    }
    return document;
}

}  // namespace meshaudit::cli
