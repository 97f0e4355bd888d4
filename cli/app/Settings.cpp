#include "Settings.h"

#include "FileBytes.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

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

    // A number, or {"relative": factor} when `relative` may take one: an
    // absolute number clears the factor, a factor leaves `current` as it is.
    double NumberOrRelative(const std::string& key, double current, double* relative) const
    {
        const json* value = Find(key);
        if (value == nullptr || relative == nullptr || !value->is_object()) {
            const double number = Number(key, current);
            if (value != nullptr && relative != nullptr) {
                *relative = RelativeValues::kAbsolute;
            }
            return number;
        }
        Reader inner(*value, PathOf(key));
        inner.OnlyKeys(std::vector<std::string>{"relative"});
        if (inner.Find("relative") == nullptr) {
            Fail(PathOf(key), "expected a number or {\"relative\": number}");
        }
        *relative = inner.Number("relative", 0.0);
        return current;
    }

private:
    const json& object_;
    std::string path_;
};

// The relative factors a double range may take: the edge Length and the mesh
// Volume.
std::pair<double*, double*> RelativeOf(Category category, size_t offset, RelativeValues* relative)
{
    if (relative != nullptr && category == Category::Edges && offset == offsetof(EdgeSettings, Length)) {
        return {&relative->lengthMin, &relative->lengthMax};
    }
    if (relative != nullptr && category == Category::Mesh && offset == offsetof(MeshSettings, Volume)) {
        return {&relative->volumeMin, &relative->volumeMax};
    }
    return {nullptr, nullptr};
}

void ApplyCriterion(const Reader& reader, const std::string& path, CriterionKind kind, uint8_t* block,
                    size_t offset, std::pair<double*, double*> relative = {nullptr, nullptr})
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
        r.min = reader.NumberOrRelative("min", r.min, relative.first);
        r.max = reader.NumberOrRelative("max", r.max, relative.second);
        // A relative bound and an absolute one compare only once resolved.
        const bool minRelative = relative.first != nullptr && !std::isnan(*relative.first);
        const bool maxRelative = relative.second != nullptr && !std::isnan(*relative.second);
        if (minRelative && maxRelative && *relative.first > *relative.second) {
            Reader::Fail(path, "relative min " + json(*relative.first).dump() + " is greater than relative max " +
                                   json(*relative.second).dump());
        }
        if (!minRelative && !maxRelative && r.min > r.max) {
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

// The numbers of a settings block that no quantity owns, each with the
// range a value must lie in.
struct PlainNumber {
    Category category;
    const char* name;
    size_t offset;
    double low, high;
    const char* range;  // the range in words, for the error
    double RelativeValues::*relative;  // its relative factor, or nullptr
};
constexpr PlainNumber kPlainNumbers[] = {
    {Category::Points, "Epsilon", offsetof(PointSettings, Epsilon), 0.0, HUGE_VAL,
     "a tolerance must not be negative", &RelativeValues::epsilon},
    {Category::Quality, "SkinnyAngle", offsetof(QualitySettings, SkinnyAngle), 0.0, 180.0,
     "an angle from 0 to 180 degrees", nullptr},
};

void ApplyCategory(const json& object, Category category, SettingsBlocks& settings, RelativeValues* relative,
                   ReportOnly* reportOnly)
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
    for (const PlainNumber& n : kPlainNumbers) {
        if (n.category == category) {
            allowed.emplace_back(n.name);
        }
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
        if (reportOnly != nullptr && q.criterion != CriterionKind::None) {
            keys.emplace_back("judge");
        }
        const bool ownCriterion = q.sharedCriterion == nullptr && q.criterion != CriterionKind::None;
        if (ownCriterion && q.criterion == CriterionKind::Expected) {
            keys.emplace_back("expected");
        } else if (ownCriterion) {
            keys.emplace_back("min");
            keys.emplace_back("max");
        }
        inner.OnlyKeys(keys);
        SetEnableByte(settings, q, inner.Boolean("enable", EnableByte(settings, q) != 0) ? 1 : 0);
        if (reportOnly != nullptr) {
            reportOnly->Set(q, !inner.Boolean("judge", !reportOnly->Has(q)));
        }
        if (ownCriterion) {
            ApplyCriterion(inner, here, q.criterion, block, q.criterionOffset,
                           RelativeOf(category, q.criterionOffset, relative));
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
        ApplyCriterion(inner, here, s.kind, block, s.offset, RelativeOf(category, s.offset, relative));
    }
    for (const PlainNumber& n : kPlainNumbers) {
        if (n.category != category) {
            continue;
        }
        double value;
        std::memcpy(&value, block + n.offset, sizeof value);
        double* factor = relative != nullptr && n.relative != nullptr ? &(relative->*n.relative) : nullptr;
        value = reader.NumberOrRelative(n.name, value, factor);
        // The library ignores Epsilon's sign; a negative tolerance is a
        // mistake all the same.
        if (!(value >= n.low && value <= n.high) || (factor != nullptr && !std::isnan(*factor) && *factor < 0.0)) {
            Reader::Fail(path + "." + n.name, n.range);
        }
        std::memcpy(block + n.offset, &value, sizeof value);
    }
    if (category == Category::Edges && relative != nullptr &&
        (relative->lengthMin < 0.0 || relative->lengthMax < 0.0)) {
        Reader::Fail(path + ".Length", "a relative length must not be negative");
    }
}

// "judged": ["mesh.Oriented", ...]: these quantities are enabled and
// judged, every other one is reported only.
void ApplyJudged(const json& names, Settings& settings)
{
    if (!names.is_array()) {
        throw SettingsError("judged: expected an array of \"category.Quantity\" names");
    }
    ReportOnly reportOnly;
    for (Category category : kCategories) {
        for (const Quantity& q : QuantitiesOf(category)) {
            reportOnly.Set(q, true);
        }
    }
    for (const json& name : names) {
        const Quantity* found = nullptr;
        for (Category category : kCategories) {
            for (const Quantity& q : QuantitiesOf(category)) {
                if (name.is_string() && name.get<std::string>() == std::string(CategoryKey(category)) + "." + q.name) {
                    found = &q;
                }
            }
        }
        if (found == nullptr || found->criterion == CriterionKind::None) {
            throw SettingsError("judged: " + name.dump() + " names no judged quantity (expected \"mesh.Oriented\" "
                                "and the like)");
        }
        reportOnly.Set(*found, false);
        SetEnableByte(settings, *found, 1);
    }
    settings.reportOnly = reportOnly;
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
        for (const PlainNumber& n : kPlainNumbers) {
            if (n.category == category) {
                double value;
                std::memcpy(&value, block + n.offset, sizeof value);
                group[n.name] = value;
            }
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

std::string DocumentText(const ordered_json& document)
{
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

}  // namespace

std::string SettingsText(const SettingsBlocks& settings)
{
    return DocumentText(SettingsToJson(settings));
}

std::string SettingsText(const Settings& settings)
{
    return DocumentText(SettingsToJson(settings));
}

namespace {

// Profiles are settings documents like any file, so `meshaudit defaults
// --profile NAME` prints one as a file to start from. Counts that grow with
// the mesh (points, edges, triangles, border counts) are not capped, sizes
// are relative to the bounding box, and what the library never computes
// (articulations, convex edges) is not judged. They judge defects, not
// shapes: a part's handles (a gear's bore, a ring) and its number of pieces
// are reported but not judged, and neither is Inclusion, which asks for one
// piece. A closed part must enclose a positive volume: the smallest
// positive double is the bound, so a flat or inside-out shell fails.
constexpr Profile kProfiles[] = {
    {"closed", "a clean, closed, oriented solid of any genus and any number of pieces, ready for printing or "
               "simulation",
     R"({
  "points": {"Count": {"max": 4294967295}, "CountBorder": {"max": 0}, "CountArticulation": {"enable": false},
             "Degree": {"min": 3, "max": 4294967295}, "Epsilon": {"relative": 1e-6}},
  "edges": {"Count": {"max": 4294967295}, "CountBorder": {"max": 0}, "CountConvex": {"enable": false},
            "Degree": {"min": 2, "max": 2}, "Length": {"min": {"relative": 1e-9}, "max": {"relative": 2}}},
  "triangles": {"Count": {"max": 4294967295}, "CountBorder": {"max": 0}, "Degree": {"min": 3, "max": 3}},
  "mesh": {"Connected": {"judge": false}, "CountComponents": {"max": 4294967295, "judge": false},
           "HasHandles": {"expected": false, "judge": false}, "CountHandles": {"max": 4294967295, "judge": false},
           "CountBorders": {"max": 0}, "Inclusion": {"judge": false},
           "Volume": {"min": 4.9406564584124654e-324, "max": {"relative": 2}}},
  "solid": {"CountShells": {"enable": true, "judge": false}, "CountOpenShells": {"enable": true, "max": 0},
            "CountNestedShells": {"enable": true, "judge": false}, "CountInsideOutShells": {"enable": true},
            "CountIntersectingShellPairs": {"enable": true}, "CountPinchedPoints": {"enable": true}},
  "quality": {"MinimalAngle": {"enable": true, "judge": false}, "MaximalAngle": {"enable": true, "judge": false},
              "MaximalAspectRatio": {"enable": true, "judge": false}, "CountSkinny": {"enable": true, "judge": false}},
  "build": {"CountOverlappingItems": {"enable": true, "max": 0}}
})"},
    {"surface", "as closed, but borders are allowed: open surfaces, scans, terrain",
     R"({
  "profile": "closed",
  "points": {"CountBorder": {"max": 4294967295}, "Degree": {"min": 2}},
  "edges": {"CountBorder": {"max": 4294967295}, "Degree": {"min": 1}},
  "triangles": {"CountBorder": {"max": 4294967295}, "Degree": {"min": 0}},
  "mesh": {"CountBorders": {"max": 4294967295}, "HasBorders": {"enable": false}, "Closed": {"enable": false},
           "Inclusion": {"enable": false}, "Volume": {"enable": false}},
  "solid": {"CountOpenShells": {"judge": false}, "CountInsideOutShells": {"judge": false}}
})"},
    {"simulation", "as closed, and triangles fit for simulation: no angle below 10 or above 150 degrees, no "
                   "aspect ratio above 10, no skinny triangle",
     R"({
  "profile": "closed",
  "quality": {"MinimalAngle": {"judge": true, "min": 10}, "MaximalAngle": {"judge": true, "max": 150},
              "MaximalAspectRatio": {"judge": true, "max": 10}, "CountSkinny": {"judge": true, "max": 0},
              "SkinnyAngle": 10}
})"},
    {"3mf", "what the 3MF core specification requires of a model object: every edge on exactly two triangles, "
            "a consistent orientation, a positive volume, three distinct points per triangle",
     R"({
  "profile": "closed",
  "judged": ["edges.MinimalDegree", "edges.MaximalDegree", "mesh.Oriented", "mesh.Volume",
             "triangles.CountInvalidTopological", "build.CountOverlappingItems"]
})"},
    {"library", "exactly the library's own defaults (absolute sizes, capped counts)", "{}"},
};

std::string ProfileNames()
{
    std::string names;
    for (const Profile& p : kProfiles) {
        names += (names.empty() ? "" : ", ") + std::string(p.name);
    }
    return names;
}

double Scaled(double absolute, double factor, double size)
{
    return std::isnan(factor) ? absolute : factor * size;
}

}  // namespace

std::span<const Profile> Profiles()
{
    return kProfiles;
}

Settings ProfileSettings(const std::string& name)
{
    for (const Profile& p : kProfiles) {
        if (name == p.name) {
            Settings settings;
            static_cast<SettingsBlocks&>(settings) = DefaultSettings();
            try {
                ApplySettingsJson(json::parse(p.document), settings);
            } catch (const SettingsError& e) {
                throw SettingsError("profile " + name + ": " + e.what());
            }
            return settings;
        }
    }
    throw SettingsError("profile: unknown profile " + json(name).dump() + " (known: " + ProfileNames() + ")");
}

SettingsBlocks Resolve(const Settings& settings, const MeshScale& scale)
{
    SettingsBlocks blocks = settings;
    const RelativeValues& r = settings.relative;
    blocks.points.Epsilon = Scaled(blocks.points.Epsilon, r.epsilon, scale.diagonal);
    blocks.edges.Length.min = Scaled(blocks.edges.Length.min, r.lengthMin, scale.diagonal);
    blocks.edges.Length.max = Scaled(blocks.edges.Length.max, r.lengthMax, scale.diagonal);
    blocks.mesh.Volume.min = Scaled(blocks.mesh.Volume.min, r.volumeMin, scale.volume);
    blocks.mesh.Volume.max = Scaled(blocks.mesh.Volume.max, r.volumeMax, scale.volume);
    return blocks;
}

ordered_json SettingsToJson(const Settings& settings)
{
    ordered_json document = SettingsToJson(static_cast<const SettingsBlocks&>(settings));
    const RelativeValues& r = settings.relative;
    const auto put = [](ordered_json& slot, double factor) {
        if (!std::isnan(factor)) {
            slot = {{"relative", factor}};
        }
    };
    put(document["points"]["Epsilon"], r.epsilon);
    put(document["edges"]["Length"]["min"], r.lengthMin);
    put(document["edges"]["Length"]["max"], r.lengthMax);
    put(document["mesh"]["Volume"]["min"], r.volumeMin);
    put(document["mesh"]["Volume"]["max"], r.volumeMax);
    for (Category category : kCategories) {
        for (const Quantity& q : QuantitiesOf(category)) {
            if (settings.reportOnly.Has(q)) {
                document[CategoryKey(category)][q.name]["judge"] = false;
            }
        }
    }
    return document;
}

void ApplySettingsJson(const json& document, Settings& settings)
{
    if (!document.is_object()) {
        throw SettingsError("expected an object with \"points\", \"edges\", \"triangles\" or \"mesh\"");
    }
    std::string categories;
    for (Category category : kCategories) {
        categories += std::string(categories.empty() ? "" : ", ") + CategoryKey(category);
    }
    for (auto it = document.begin(); it != document.end(); ++it) {
        bool known = it.key() == "profile" || it.key() == "judged";
        for (Category category : kCategories) {
            known = known || it.key() == CategoryKey(category);
        }
        if (!known) {
            throw SettingsError(it.key() + ": unknown key (expected profile, judged, " + categories + ")");
        }
    }
    if (auto it = document.find("profile"); it != document.end()) {
        if (!it->is_string()) {
            throw SettingsError("profile: expected the name of a profile (" + ProfileNames() + ")");
        }
        settings = ProfileSettings(it->get<std::string>());
    }
    for (Category category : kCategories) {
        auto it = document.find(CategoryKey(category));
        if (it != document.end()) {
            ApplyCategory(*it, category, settings, &settings.relative, &settings.reportOnly);
        }
    }
    if (auto it = document.find("judged"); it != document.end()) {
        ApplyJudged(*it, settings);
    }
}

void ApplySettingsJson(const json& document, SettingsBlocks& settings)
{
    Settings full;
    static_cast<SettingsBlocks&>(full) = settings;
    ApplySettingsJson(document, full);
    const RelativeValues& r = full.relative;
    for (double factor : {r.epsilon, r.lengthMin, r.lengthMax, r.volumeMin, r.volumeMax}) {
        if (!std::isnan(factor)) {
            throw SettingsError("relative values need a mesh to be resolved against");
        }
    }
    for (const uint32_t bits : full.reportOnly.bits) {
        if (bits != 0) {
            throw SettingsError("\"judge\": false needs the command's verdict; the library judges every quantity");
        }
    }
    settings = full;
}

Settings LoadSettingsFile(const std::string& path, const Settings& base)
{
    std::string text;
    try {
        text = ReadFileBytes(path);
    } catch (const std::exception& e) {
        throw SettingsError(e.what());
    }
    return ParseSettingsText(text, path, base);
}

Settings ParseSettingsText(const std::string& text, const std::string& path, const Settings& base)
{
    // The keys on the way to the value being parsed, so that a number the
    // parser cannot hold (1e400) is reported with its key.
    std::vector<std::string> keys;
    const auto track = [&keys](int depth, json::parse_event_t event, json& parsed) {
        if (event == json::parse_event_t::key && depth > 0) {
            keys.resize(static_cast<size_t>(depth));
            keys.back() = parsed.get<std::string>();
        }
        return true;
    };
    json document;
    try {
        document = json::parse(text, track);
    } catch (const json::parse_error& e) {
        // The library's message starts with its own exception id; the rest
        // names the line and column.
        std::string message = e.what();
        size_t bracket = message.find("] ");
        if (bracket != std::string::npos) {
            message = message.substr(bracket + 2);
        }
        throw SettingsError(path + ": " + message);
    } catch (const json::exception& e) {
        std::string where;
        for (const std::string& key : keys) {
            where += (where.empty() ? "" : ".") + key;
        }
        // The one such failure is 406, a number the parser cannot hold;
        // its message ends with the number in quotes.
        std::string message = e.what();
        const size_t quote = message.find('\'');
        if (e.id == 406 && quote != std::string::npos) {
            message = "the number " + message.substr(quote) + " is outside the range of a double";
        } else if (const size_t bracket = message.find("] "); bracket != std::string::npos) {
            message = message.substr(bracket + 2);
        }
        throw SettingsError(path + ": " + (where.empty() ? "" : where + ": ") + message);
    }
    Settings settings = base;
    try {
        ApplySettingsJson(document, settings);
    } catch (const SettingsError& e) {
        throw SettingsError(path + ": " + e.what());
    }
    return settings;
}

}  // namespace meshaudit::cli
