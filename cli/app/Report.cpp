#include "Report.h"

#include "Verdict.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>

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

// One entry of a quantity's list, as text, by what its entries hold: "7",
// "3-9", "4 of class 2", "3 and 17", "12 in shell 2".
std::string EntryText(const Quantity& q, const ElementList& list, uint64_t i)
{
    const uint32_t* e = list.data.data() + i * list.arity;
    const size_t named = TrianglesPerEntry(q);
    const auto number = [&](uint32_t j) { return j < list.arity ? std::to_string(e[j]) : std::string("?"); };
    // A triangle of a file of polygons also says its face: "269 (face 130)",
    // "270 (face 131, part 2)".
    const auto face = [&](size_t j) {
        if (j >= named || list.faces.size() < (i + 1) * named * 2) {
            return std::string();
        }
        const uint32_t* f = list.faces.data() + (i * named + j) * 2;
        return " (face " + std::to_string(f[0]) + (f[1] != 0 ? ", part " + std::to_string(f[1]) : "") + ")";
    };
    const auto triangle = [&](uint32_t j) { return number(j) + face(j); };
    const std::string_view where = q.where;
    if (where == "EDGES" || where == "EDGE_CLASSES") {
        return number(0) + "-" + number(1) + (list.arity > 2 ? " of class " + number(2) : "");
    }
    if (where == "LOOPS") {
        return "loop " + number(0) + " point " + number(1);
    }
    if (where == "COMPONENTS") {
        return "triangle " + std::to_string(i) + face(0) + " in " + number(0);
    }
    if (where == "TRIANGLE_PAIRS") {
        return triangle(0) + " and " + triangle(1);
    }
    if (where == "SHELL_PAIRS") {
        return triangle(0) + " and " + triangle(1) + " (shells " + number(2) + " and " + number(3) + ")";
    }
    if (where == "ITEM_PAIRS") {
        const std::string items = number(0) + " and " + number(1);
        const std::string shown = " (triangles " + number(3) + " and " + number(4) + ")";
        return list.arity > 2 && e[2] == 1   ? "item " + number(0) + " inside item " + number(1) + shown
               : list.arity > 2 && e[2] == 2 ? "item " + number(1) + " inside item " + number(0) + shown
                                             : "items " + items + " meet" + shown;
    }
    if (where == "SHELLS" || where == "NESTED_SHELLS") {
        return triangle(0) + " in shell " + number(1) + (list.arity > 2 ? " inside shell " + number(2) : "");
    }
    return triangle(0) + (list.arity > 1 ? " of class " + number(1) : "");
}

// The nouns of a quantity's entries: what it lists.
const char* EntryNoun(const Quantity& q)
{
    const std::string_view where = q.where;
    return where.starts_with("POINT") ? "points"
         : where.starts_with("EDGE")  ? "edges"
         : where == "LOOPS"           ? "border points"
         : where == "COMPONENTS"      ? "components"
         : where == "ITEM_PAIRS"      ? "item pairs"
         : where.ends_with("PAIRS")   ? "triangle pairs"
                                      : "triangles";
}

ordered_json EntryJson(const ElementList& list, uint64_t i)
{
    const uint32_t* e = list.data.data() + i * list.arity;
    if (list.arity == 1) {
        return e[0];
    }
    ordered_json entry = ordered_json::array();
    for (uint32_t j = 0; j < list.arity; ++j) {
        entry.push_back(e[j]);
    }
    return entry;
}

// The faces of entry `i`: [face, part] for a one-triangle entry, a pair of
// those for a pair of triangles.
ordered_json FacesJson(const Quantity& q, const ElementList& list, uint64_t i)
{
    const size_t named = TrianglesPerEntry(q);
    const uint32_t* f = list.faces.data() + i * named * 2;
    if (named == 1) {
        return ordered_json::array({f[0], f[1]});
    }
    return ordered_json::array({ordered_json::array({f[0], f[1]}), ordered_json::array({f[2], f[3]})});
}

}  // namespace

std::string Plural(uint64_t count, const std::string& noun)
{
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string Utf8Escaped(const std::string& text)
{
    std::string out;
    const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = byte(i);
        // The length of a well-formed sequence starting here, 0 if none.
        size_t n = c < 0x80 ? 1 : (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3
                 : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
        for (size_t j = 1; j < n; ++j) {
            const bool continuation = i + j < text.size() && (byte(i + j) & 0xC0) == 0x80;
            // Overlong, surrogate and beyond-U+10FFFF forms start well but
            // are not UTF-8.
            const bool second = j != 1 || !((c == 0xE0 && byte(i + 1) < 0xA0) || (c == 0xED && byte(i + 1) > 0x9F) ||
                                            (c == 0xF0 && byte(i + 1) < 0x90) || (c == 0xF4 && byte(i + 1) > 0x8F));
            n = continuation && second ? n : 0;
        }
        if (n == 0) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
            ++i;
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    return out;
}

std::string JsonLine(const ordered_json& document)
{
    return document.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

QuantityValue ReadValue(const ResultBlocks& results, const Quantity& quantity)
{
    const uint8_t* block = ResultBytes(results, quantity.category);
    QuantityValue value;
    switch (quantity.value) {
    case ValueKind::Count: {
        const uint32_t raw = Load<uint32_t>(block, quantity.valueOffset);
        if (raw == NOT_COMPUTED) {
            value.state = QuantityValue::State::NotComputed;
        } else if (SignedCount(quantity)) {
            value.state = QuantityValue::State::Computed;
            value.count = static_cast<int32_t>(raw);
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
        // The smallest positive double as a lower bound means "above 0".
        if (r.min == std::numeric_limits<double>::denorm_min()) {
            return "(0, " + Short(r.max) + "]";
        }
        return Bracketed(Short(r.min), Short(r.max));
    }
    case CriterionKind::Expected:
        return block[quantity.criterionOffset] != 0 ? "= yes" : "= no";
    case CriterionKind::None:
        break;
    }
    return "-";
}

std::string VerdictText(Judgement judgement)
{
    return judgement == Judgement::Fail ? "FAIL" : judgement == Judgement::Error ? "ERROR" : JudgementKey(judgement);
}

std::string RenderText(const FileOutcome& outcome, bool colour)
{
    const SettingsBlocks& settings = outcome.used;
    auto paint = [colour](const char* code, const std::string& text) {
        return colour ? std::string(code) + text + kReset : text;
    };
    std::string out;
    if (outcome.status != FileOutcome::Status::Analysed) {
        out += paint(kRed, "error") + ": " + outcome.error + "\n";
        return out;
    }
    // Each 3MF object has a section of its own, headed by its id and name,
    // and so has the build plate, with its items.
    const std::string object =
        outcome.objectId.empty() ? "" : "  object " + outcome.objectId + " '" + outcome.objectName + "'";
    if (outcome.IsPlate()) {
        out += paint(kBold, outcome.file + "  build plate") + "  (" + Plural(outcome.plateItems.size(), "item") +
               ", " + Plural(outcome.triangleCount, "triangle") + " placed)\n";
        for (size_t i = 0; i < outcome.plateItems.size(); ++i) {
            const FileOutcome::PlateItem& item = outcome.plateItems[i];
            out += "  item " + std::to_string(i) + ": object " + item.objectId + " '" + item.objectName + "'" +
                   (item.mirrored ? ", mirrored" : "") + "\n";
        }
    } else {
        out += paint(kBold, outcome.file + object) + "  (" + outcome.format + ", " +
               Plural(outcome.pointCount, "point") + ", " + Plural(outcome.triangleCount, "triangle") + ")\n";
    }
    for (const std::string& note : outcome.notes) {
        out += "  note: " + note + "\n";
    }
    if (outcome.diagonal > 0.0) {
        out += "  size: box diagonal " + Short(outcome.diagonal) + ", box volume " + Short(outcome.boxVolume) +
               "; Epsilon " + Short(settings.points.Epsilon) + "\n";
    }
    // Columns as wide as their longest text and two spaces, so that no value
    // or criterion runs into the next column.
    size_t nameWidth = 0, valueWidth = 0, criterionWidth = 0;
    for (Category category : CategoriesOf(outcome)) {
        for (const Quantity& q : QuantitiesOf(category)) {
            nameWidth = std::max(nameWidth, std::strlen(q.name));
            valueWidth = std::max(valueWidth, ValueText(ReadValue(outcome.results, q), q).size());
            criterionWidth = std::max(criterionWidth, CriterionShown(outcome, q).size());
        }
    }
    nameWidth += 2;
    valueWidth = std::max<size_t>(valueWidth + 2, 16);
    criterionWidth = std::max<size_t>(criterionWidth + 2, 22);
    for (Category category : CategoriesOf(outcome)) {
        std::string heading = Padded(CategoryKey(category), nameWidth + 2);
        heading += Padded("value", valueWidth);
        heading += Padded("criterion", criterionWidth);
        heading += "verdict";
        out += '\n';
        out += paint(kBold, heading);
        out += '\n';
        for (const Quantity& q : QuantitiesOf(category)) {
            const Judgement judgement = JudgementOf(outcome, q);
            const char* tint = judgement == Judgement::Pass ? kGreen
                             : judgement == Judgement::NotJudged ? kDim : kRed;
            out += "  " + Padded(q.name, nameWidth) +
                   Padded(ValueText(ReadValue(outcome.results, q), q), valueWidth) +
                   Padded(CriterionShown(outcome, q), criterionWidth) + paint(tint, VerdictText(judgement)) + "\n";
            if (const std::string note = NoteOf(outcome, q); !note.empty()) {
                out += paint(kDim, "      note: " + note) + "\n";
            }
            const ElementList* list = outcome.WhereOf(q);
            if (judgement == Judgement::Fail && list != nullptr && list->total > 0) {
                std::string line = "      " + std::string(EntryNoun(q)) + ": ";
                for (uint64_t i = 0; i < list->Stored(); ++i) {
                    line += (i > 0 ? ", " : "") + EntryText(q, *list, i);
                }
                if (list->total > list->Stored()) {
                    line += (list->Stored() > 0 ? " and " : "") + std::to_string(list->total - list->Stored()) +
                            " more";
                }
                out += paint(kDim, line) + "\n";
            }
        }
    }
    const Tally tally = TallyOf(outcome);
    const Verdict verdict = VerdictOf(outcome);
    out += "\nsummary: ";
    out += std::to_string(tally.passed) + " passed, " + std::to_string(tally.failed) + " failed, " +
           std::to_string(tally.notJudged) + " not judged" +
           (tally.errors > 0 ? ", " + std::to_string(tally.errors) + " not computed" : "") + ": ";
    std::string said = verdict == Verdict::Pass ? "PASS" : verdict == Verdict::Fail ? "FAIL" : "ERROR";
    const std::vector<std::string> words = FailureWords(outcome);
    for (size_t i = 0; i < words.size(); ++i) {
        said += (i == 0 ? " (" : ", ") + words[i] + (i + 1 == words.size() ? ")" : "");
    }
    out += paint(verdict == Verdict::Pass ? kGreen : kRed, said);
    out += '\n';
    return out;
}

std::string RenderLine(std::span<const FileOutcome> outcomes, size_t fileWidth, bool colour)
{
    // A message that names the file (a reading error) is said without it:
    // the line names it already.
    const auto own = [](const std::string& message, const std::string& file) {
        return message.starts_with(file + ": ") ? message.substr(file.size() + 2) : message;
    };
    int worst = 0;
    std::string said;
    for (const FileOutcome& outcome : outcomes) {
        worst = std::max(worst, ExitStatusOf(outcome));
        std::vector<std::string> words = outcome.status == FileOutcome::Status::Analysed
                                             ? FailureWords(outcome)
                                             : std::vector<std::string>{own(outcome.error, outcome.file)};
        if (!outcome.writeError.empty()) {
            words.push_back(outcome.writeError);
        }
        std::string text;
        for (const std::string& word : words) {
            text += (text.empty() ? "" : ", ") + word;
        }
        if (!text.empty() && outcome.IsPlate()) {
            text = "build plate: " + text;
        } else if (!text.empty() && outcomes.size() > 1) {
            text = "object " + outcome.objectId + " '" + outcome.objectName + "': " + text;
        }
        if (!text.empty()) {
            said += (said.empty() ? "" : "; ") + text;
        }
    }
    const std::string file = outcomes.empty() ? "" : outcomes.front().file;
    const std::string verdict = worst == 0 ? "PASS" : worst == 1 ? "FAIL" : "ERROR";
    // The verdict's column is as wide as its longest word and two spaces;
    // the file's as wide as the longest name of the run (or this one) and
    // two spaces, so that no name runs into the failures.
    std::string line = (colour ? std::string(worst == 0 ? kGreen : kRed) + verdict + kReset : verdict) +
                       std::string(std::string_view("ERROR").size() + 2 - verdict.size(), ' ') + file;
    if (!said.empty()) {
        line += std::string(std::max(fileWidth, file.size()) + 2 - file.size(), ' ') + said;
    }
    return line + "\n";
}

ordered_json RenderJson(const FileOutcome& outcome)
{
    const SettingsBlocks& settings = outcome.used;
    ordered_json document = ordered_json::object();
    document["schema"] = kJsonSchema;
    document["file"] = Utf8Escaped(outcome.file);
    if (!outcome.objectId.empty()) {
        document["object"] = {{"id", std::stoll(outcome.objectId)}, {"name", Utf8Escaped(outcome.objectName)}};
    }
    if (outcome.IsPlate()) {
        ordered_json items = ordered_json::array();
        for (const FileOutcome::PlateItem& item : outcome.plateItems) {
            items.push_back({{"object", {{"id", std::stoll(item.objectId)}, {"name", Utf8Escaped(item.objectName)}}},
                             {"mirrored", item.mirrored}});
        }
        document["plate"] = {{"items", items}};
    }
    if (outcome.status != FileOutcome::Status::Analysed) {
        document["verdict"] = "error";
        document["error"] = Utf8Escaped(outcome.error);
        return document;
    }
    const Tally tally = TallyOf(outcome);
    document["verdict"] = VerdictKey(VerdictOf(outcome));
    document["format"] = outcome.format;
    document["input"] = {{"points", outcome.pointCount}, {"triangles", outcome.triangleCount}};
    document["notes"] = ordered_json::array();
    for (const std::string& note : outcome.notes) {
        document["notes"].push_back(Utf8Escaped(note));
    }
    if (!outcome.writeError.empty()) {
        document["write_error"] = Utf8Escaped(outcome.writeError);
    }
    document["scale"] = {{"diagonal", outcome.diagonal}, {"box_volume", outcome.boxVolume},
                         {"epsilon", settings.points.Epsilon}};
    document["summary"] = {{"passed", tally.passed},
                           {"failed", tally.failed},
                           {"not_judged", tally.notJudged},
                           {"errors", tally.errors}};
    document["failures"] = ordered_json::array();
    for (const std::string& words : FailureWords(outcome)) {
        document["failures"].push_back(words);
    }
    for (Category category : CategoriesOf(outcome)) {
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
            if (const std::string note = NoteOf(outcome, q); !note.empty()) {
                entry["note"] = note;
            }
            entry["enabled"] = EnableByte(settings, q) != 0;
            entry["judged"] = Judged(outcome, q);
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
            entry["verdict"] = JudgementKey(JudgementOf(outcome, q));
            if (const ElementList* list = outcome.WhereOf(q)) {
                entry["where"] = ordered_json::array();
                for (uint64_t i = 0; i < list->Stored(); ++i) {
                    entry["where"].push_back(EntryJson(*list, i));
                }
                entry["where_total"] = list->total;
                if (!list->faces.empty()) {
                    entry["where_faces"] = ordered_json::array();
                    for (uint64_t i = 0; i < list->Stored(); ++i) {
                        entry["where_faces"].push_back(FacesJson(q, *list, i));
                    }
                }
            }
            group[q.name] = entry;
        }
        document[CategoryKey(category)] = group;
    }
    return document;
}

}  // namespace meshaudit::cli
