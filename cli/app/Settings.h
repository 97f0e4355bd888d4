// Settings files: the four settings blocks as a JSON document that names
// quantities.
//
//   {
//     "points": {
//       "Count":   { "enable": true, "min": 3, "max": 500000 },
//       ...
//       "Degree":  { "min": 2, "max": 64 },     shared by MinimalDegree, MaximalDegree
//       "Epsilon": 0.002
//     },
//     "edges":     { ..., "Degree": {...}, "Length": { "min": 0.0, "max": 10.0 } },
//     "triangles": { ..., "Degree": {...} },
//     "mesh":      { "Oriented": { "enable": true, "expected": true }, ...,
//                    "Volume": { "enable": true, "min": -500000.0, "max": 500000.0 } }
//   }
//
// A document starts from a profile (its "profile" key, or the one the
// command was given) and changes only what it names; every key is optional.
// Unknown keys, values of the wrong type, counts outside 0..4294967295,
// numbers outside the range of a double, a negative Epsilon and ranges whose
// min exceeds their max are errors.
//
// Sizes that should follow the model's scale may be given relative to its
// bounding box: {"relative": 1e-6} in place of a number, for Epsilon and the
// edge Length (times the box diagonal) and the mesh Volume (times the box
// volume). They are resolved per mesh, before the library sees the blocks.
//
// "judge": false on a quantity keeps it computed and reported but out of the
// verdict (the library's blocks have no such state: the command leaves its
// InRange byte out of the tally).
#pragma once

#include "Quantities.h"

#include <nlohmann/json.hpp>

#include <limits>
#include <span>
#include <stdexcept>
#include <string>

namespace meshaudit::cli {

class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The values that may be relative, each NaN while absolute (then the block
// holds the value).
struct RelativeValues {
    static constexpr double kAbsolute = std::numeric_limits<double>::quiet_NaN();
    double epsilon = kAbsolute;    // times the box diagonal
    double lengthMin = kAbsolute;  // times the box diagonal
    double lengthMax = kAbsolute;
    double volumeMin = kAbsolute;  // times the box volume
    double volumeMax = kAbsolute;
};

// Settings as a file or profile gives them: blocks, and the relative values
// that replace some of their fields once the mesh is known.
struct Settings : SettingsBlocks {
    RelativeValues relative;
    // {"judge": false}: computed and reported, never a reason to fail. A
    // profile judges defects, not shapes: a part's genus or number of pieces
    // is reported, but a gear with a bore passes.
    ReportOnly reportOnly;
};

// The size of a mesh that relative values refer to: the bounding box of its
// finite points (0 when it has none).
struct MeshScale {
    double diagonal = 0.0;
    double volume = 0.0;
};

// The blocks with every relative value made absolute for `scale`.
SettingsBlocks Resolve(const Settings& settings, const MeshScale& scale);

// A built-in profile: a settings document of its own.
struct Profile {
    const char* name;
    const char* summary;   // one line for `meshaudit profiles`
    const char* document;  // JSON, in the settings file format
};
std::span<const Profile> Profiles();
inline constexpr const char* kDefaultProfile = "closed";
// The settings of a built-in profile; SettingsError for an unknown name.
Settings ProfileSettings(const std::string& name);

// The whole document for `settings`, every key present, in table order.
nlohmann::ordered_json SettingsToJson(const SettingsBlocks& settings);
nlohmann::ordered_json SettingsToJson(const Settings& settings);

// Applies the keys of `document` to `settings` (a "profile" key first
// replaces them by that profile). Throws SettingsError with a message that
// names the key ("points.CountNAN.max: ...").
void ApplySettingsJson(const nlohmann::json& document, Settings& settings);
// The same on plain blocks: relative values and profiles are refused.
void ApplySettingsJson(const nlohmann::json& document, SettingsBlocks& settings);

// The document as text: one line per quantity, easy to edit by hand.
std::string SettingsText(const SettingsBlocks& settings);
std::string SettingsText(const Settings& settings);

// `base` changed by the settings file at `path`. Throws SettingsError naming
// the path and the key (or the line and column of a syntax error).
Settings LoadSettingsFile(const std::string& path, const Settings& base = ProfileSettings(kDefaultProfile));
// The same for the file's `text` already read; `path` only names it in
// errors.
Settings ParseSettingsText(const std::string& text, const std::string& path,
                           const Settings& base = ProfileSettings(kDefaultProfile));

}  // namespace meshaudit::cli
