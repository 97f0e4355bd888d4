#include "Settings.h"

#include "FileBytes.h"

#include <cstring>
#include <limits>

namespace meshaudit::cli {

namespace {

using nlohmann::json;
using nlohmann::ordered_json;

ValueRange ReadCountRange(const uint8_t* block, size_t offset)
{
    ValueRange range;
    std::memcpy(&range, block + offset, sizeof range);
    return range;
}

DoubleRange ReadDoubleRange(const uint8_t* block, size_t offset)
{
    DoubleRange range;
    std::memcpy(&range, block + offset, sizeof range);
    return range;
}

ordered_json CriterionJson(CriterionKind kind, const uint8_t* block, size_t offset)
{
    ordered_json out = ordered_json::object();
    switch (kind) {
    case CriterionKind::CountRange: {
        ValueRange r = ReadCountRange(block, offset);
        out["min"] = r.min;
        out["max"] = r.max;
        break;
    }
    case CriterionKind::DoubleRange: {
        DoubleRange r = ReadDoubleRange(block, offset);
        out["min"] = r.min;
        out["max"] = r.max;
        break;
    }
    case CriterionKind::Expected:
        out["expected"] = block[offset] != 0;
        break;
    case CriterionKind::None:
        break;
    }
    return out;
}

// Reads and checks the members of one settings object.
class Reader {
public:
    Reader(const json& object, std::string path) : object_(object), path_(std::move(path))
    {
        if (!object_.is_object()) {
            Fail(path_, "expected an object");
        }
    }

    [[noreturn]] static void Fail(const std::string& where, const std::string& message)
    {
        throw SettingsError(where + ": " + message);
    }

    // Every key must be one of `allowed`.
    template <typename Allowed>
    void OnlyKeys(const Allowed& allowed) const
    {
        for (auto it = object_.begin(); it != object_.end(); ++it) {
            bool known = false;
            for (const auto& name : allowed) {
                known = known || it.key() == name;
            }
            if (!known) {
                Fail(path_ + "." + it.key(), "unknown key");
            }
        }
    }

    const json* Find(const std::string& key) const
    {
        auto it = object_.find(key);
        return it == object_.end() ? nullptr : &*it;
    }

    std::string PathOf(const std::string& key) const { return path_ + "." + key; }

    bool Boolean(const std::string& key, bool current) const
    {
        const json* value = Find(key);
        if (value == nullptr) {
            return current;
        }
        if (!value->is_boolean()) {
            Fail(PathOf(key), "expected true or false");
        }
        return value->get<bool>();
    }

    uint32_t Count(const std::string& key, uint32_t current) const
    {
        const json* value = Find(key);
        if (value == nullptr) {
            return current;
        }
        // nlohmann keeps non-negative integers as unsigned: negative ones
        // and fractions fall through to the error.
        if (value->is_number_unsigned()) {
            uint64_t v = value->get<uint64_t>();
            if (v <= std::numeric_limits<uint32_t>::max()) {
                return static_cast<uint32_t>(v);
            }
        }
        Fail(PathOf(key), "expected a whole number from 0 to 4294967295");
    }

    double Number(const std::string& key, double current) const
    {
        const json* value = Find(key);
        if (value == nullptr) {
            return current;
        }
        if (!value->is_number()) {
            Fail(PathOf(key), "expected a number");
        }
        return value->get<double>();
    }

private:
    const json& object_;
    std::string path_;
};

void ApplyCriterion(const Reader& reader, const std::string& path, CriterionKind kind, uint8_t* block,
                    size_t offset)
{
    switch (kind) {
    case CriterionKind::CountRange: {
        ValueRange r = ReadCountRange(block, offset);
        r.min = reader.Count("min", r.min);
        r.max = reader.Count("max", r.max);
        if (r.min > r.max) {
            Reader::Fail(path, "min " + std::to_string(r.min) + " is greater than max " + std::to_string(r.max));
        }
        std::memcpy(block + offset, &r, sizeof r);
        break;
    }
    case CriterionKind::DoubleRange: {
        DoubleRange r = ReadDoubleRange(block, offset);
        r.min = reader.Number("min", r.min);
        r.max = reader.Number("max", r.max);
        if (r.min > r.max) {
            Reader::Fail(path, "min " + json(r.min).dump() + " is greater than max " + json(r.max).dump());
        }
        std::memcpy(block + offset, &r, sizeof r);
        break;
    }
    case CriterionKind::Expected:
        block[offset] = reader.Boolean("expected", block[offset] != 0) ? 1 : 0;
        break;
    case CriterionKind::None:
        break;
    }
}

void ApplyCategory(const json& object, Category category, SettingsBlocks& settings)
{
    const std::string path = CategoryKey(category);
    Reader reader(object, path);
    uint8_t* block = SettingsBytes(settings, category);
    std::vector<std::string> allowed;
    for (const Quantity& q : QuantitiesOf(category)) {
        allowed.emplace_back(q.name);
    }
    for (const SharedCriterion& s : SharedCriteriaOf(category)) {
        allowed.emplace_back(s.name);
    }
    if (category == Category::Points) {
        allowed.emplace_back("Epsilon");
    }
    reader.OnlyKeys(allowed);

    for (const Quantity& q : QuantitiesOf(category)) {
        const json* entry = reader.Find(q.name);
        if (entry == nullptr) {
            continue;
        }
        const std::string here = path + "." + q.name;
        Reader inner(*entry, here);
        std::vector<std::string> keys{"enable"};
        const bool ownCriterion = q.sharedCriterion == nullptr && q.criterion != CriterionKind::None;
        if (ownCriterion && q.criterion == CriterionKind::Expected) {
            keys.emplace_back("expected");
        } else if (ownCriterion) {
            keys.emplace_back("min");
            keys.emplace_back("max");
        }
        inner.OnlyKeys(keys);
        SetEnableByte(settings, q, inner.Boolean("enable", EnableByte(settings, q) != 0) ? 1 : 0);
        if (ownCriterion) {
            ApplyCriterion(inner, here, q.criterion, block, q.criterionOffset);
        }
    }
    for (const SharedCriterion& s : SharedCriteriaOf(category)) {
        const json* entry = reader.Find(s.name);
        if (entry == nullptr) {
            continue;
        }
        const std::string here = path + "." + s.name;
        Reader inner(*entry, here);
        inner.OnlyKeys(std::vector<std::string>{"min", "max"});
        ApplyCriterion(inner, here, s.kind, block, s.offset);
    }
    if (category == Category::Points) {
        settings.points.Epsilon = reader.Number("Epsilon", settings.points.Epsilon);
    }
}

}  // namespace

ordered_json SettingsToJson(const SettingsBlocks& settings)
{
    ordered_json document = ordered_json::object();
    for (Category category : kCategories) {
        const uint8_t* block = SettingsBytes(settings, category);
        ordered_json group = ordered_json::object();
        for (const Quantity& q : QuantitiesOf(category)) {
            ordered_json entry = ordered_json::object();
            entry["enable"] = EnableByte(settings, q) != 0;
            if (q.sharedCriterion == nullptr) {
                const ordered_json criterion = CriterionJson(q.criterion, block, q.criterionOffset);
                for (auto it = criterion.begin(); it != criterion.end(); ++it) {
                    entry[it.key()] = it.value();
                }
            }
            group[q.name] = entry;
        }
        for (const SharedCriterion& s : SharedCriteriaOf(category)) {
            group[s.name] = CriterionJson(s.kind, block, s.offset);
        }
        if (category == Category::Points) {
            group["Epsilon"] = settings.points.Epsilon;
        }
        document[CategoryKey(category)] = group;
    }
    return document;
}

namespace {

// {"enable": true, "min": 3, "max": 500000} on one line.
std::string OneLine(const ordered_json& value)
{
    if (!value.is_object()) {
        return value.dump();
    }
    std::string text = "{";
    for (auto it = value.begin(); it != value.end(); ++it) {
        if (it != value.begin()) {
            text += ", ";
        }
        text += ordered_json(it.key()).dump();
        text += ": ";
        text += it.value().dump();
    }
    text += "}";
    return text;
}

}  // namespace

std::string SettingsText(const SettingsBlocks& settings)
{
    const ordered_json document = SettingsToJson(settings);
    std::string text = "{\n";
    for (auto group = document.begin(); group != document.end(); ++group) {
        text += "  " + ordered_json(group.key()).dump() + ": {\n";
        for (auto entry = group.value().begin(); entry != group.value().end(); ++entry) {
            text += "    " + ordered_json(entry.key()).dump() + ": " + OneLine(entry.value());
            text += std::next(entry) == group.value().end() ? "\n" : ",\n";
        }
        text += std::next(group) == document.end() ? "  }\n" : "  },\n";
    }
    text += "}\n";
    return text;
}

void ApplySettingsJson(const json& document, SettingsBlocks& settings)
{
    if (!document.is_object()) {
        throw SettingsError("expected an object with \"points\", \"edges\", \"triangles\" or \"mesh\"");
    }
    for (auto it = document.begin(); it != document.end(); ++it) {
        bool known = false;
        for (Category category : kCategories) {
            known = known || it.key() == CategoryKey(category);
        }
        if (!known) {
            throw SettingsError(it.key() + ": unknown key (expected points, edges, triangles or mesh)");
        }
    }
    for (Category category : kCategories) {
        auto it = document.find(CategoryKey(category));
        if (it != document.end()) {
            ApplyCategory(*it, category, settings);
        }
    }
}

SettingsBlocks LoadSettingsFile(const std::string& path)
{
    std::string text;
    try {
        text = ReadFileBytes(path);
    } catch (const std::exception& e) {
        throw SettingsError(e.what());
    }
    json document;
    try {
        document = json::parse(text);
    } catch (const json::parse_error& e) {
        // The library's message starts with its own exception id; the rest
        // names the line and column.
        std::string message = e.what();
        size_t bracket = message.find("] ");
        if (bracket != std::string::npos) {
            message = message.substr(bracket + 2);
        }
        throw SettingsError(path + ": " + message);
    }
    SettingsBlocks settings = DefaultSettings();
    try {
        ApplySettingsJson(document, settings);
    } catch (const SettingsError& e) {
        throw SettingsError(path + ": " + e.what());
    }
    return settings;
}

}  // namespace meshaudit::cli
