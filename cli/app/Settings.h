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
// A file starts from the library's defaults and changes only what it names;
// every key is optional. Unknown keys, values of the wrong type, counts
// outside 0..4294967295 and ranges whose min exceeds their max are errors.
#pragma once

#include "Quantities.h"

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>

namespace meshaudit::cli {

class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The whole document for `settings`, every key present, in table order.
nlohmann::ordered_json SettingsToJson(const SettingsBlocks& settings);

// Applies the keys of `document` to `settings`. Throws SettingsError with a
// message that names the key ("points.CountNAN.max: ...").
void ApplySettingsJson(const nlohmann::json& document, SettingsBlocks& settings);

// The document as text: one line per quantity, easy to edit by hand.
std::string SettingsText(const SettingsBlocks& settings);

// The library's defaults changed by the settings file at `path`. Throws
// SettingsError naming the path (and the line and column of a syntax error).
SettingsBlocks LoadSettingsFile(const std::string& path);

}  // namespace meshaudit::cli
