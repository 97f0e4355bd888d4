// Shared by the end-to-end tests: meshes written to files, and the JSON
// lines of a check.
#pragma once

#include "MeshWriters.h"
#include "support/CliTestSupport.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace meshaudit::cli::testing {

inline std::string WriteMesh(const TempDir& dir, const std::string& name, const MeshData& mesh)
{
    WriteMeshFile(dir.File(name), mesh, {});
    return dir.File(name);
}

inline std::vector<nlohmann::json> JsonLines(const std::string& text)
{
    std::vector<nlohmann::json> documents;
    for (const std::string& line : Lines(text)) {
        documents.push_back(nlohmann::json::parse(line));
    }
    return documents;
}

// The one JSON document of `check --json -q ARGS...`, with its exit status.
struct CheckRun {
    int exitStatus = -1;
    nlohmann::json document;
};

inline CheckRun CheckJson(std::vector<std::string> args)
{
    args.insert(args.begin(), {"check", "--json", "-q"});
    CommandResult r = RunCommand(args);
    CheckRun run;
    run.exitStatus = r.exitStatus;
    EXPECT_EQ(r.err, "");
    std::vector<nlohmann::json> documents = JsonLines(r.out);
    EXPECT_EQ(documents.size(), 1u) << r.out;
    if (!documents.empty()) {
        run.document = documents.front();
    }
    return run;
}

// Expects each "category.Quantity" of a check document to hold its value.
inline void ExpectValues(const nlohmann::json& document,
                         const std::vector<std::pair<std::string, nlohmann::json>>& expected)
{
    for (const auto& [name, value] : expected) {
        const size_t dot = name.find('.');
        EXPECT_EQ(document[name.substr(0, dot)][name.substr(dot + 1)]["value"], value) << name;
    }
}

// A JSON value as a double; NaN when it is no number (a value not computed).
inline double AsNumber(const nlohmann::json& value)
{
    return value.is_number() ? value.get<double>() : std::nan("");
}

// Sum of det(p0, p1, p2) / 6 and of the triangle areas, as a cross-check.
inline double SignedVolume(const MeshData& mesh)
{
    double sum = 0.0;
    for (const TRIANGLE& t : mesh.triangles) {
        const T3DVECF& a = mesh.points[t.a];
        const T3DVECF& b = mesh.points[t.b];
        const T3DVECF& c = mesh.points[t.c];
        sum += (a.y * b.z - a.z * b.y) * c.x + (a.z * b.x - a.x * b.z) * c.y + (a.x * b.y - a.y * b.x) * c.z;
    }
    return sum / 6.0;
}

}  // namespace meshaudit::cli::testing
