// The checker page's entry points into the command's own code, compiled to
// WebAssembly: a file's bytes in, the report page's data and check --json's
// documents out; a repaired file out as repair writes it. Each call is
// whole in itself (no state is kept between calls), runs in the page's
// worker, and tells the page of its progress and its arrays through the
// JavaScript functions the worker defines (ma_progress, ma_array).
#include "Decimal.h"
#include "HtmlReport.h"
#include "Library.h"
#include "LoadError.h"
#include "MeshFiles.h"
#include "MeshWriters.h"
#include "Report.h"
#include "Settings.h"
#include "TextScan.h"

#include <emscripten.h>

#include <charconv>
#include <cmath>
#include <new>
#include <string>
#include <vector>

// Defined by the worker script (viewer/src/worker.js).
extern "C" {
extern void ma_progress(uint32_t done, uint32_t total, const char* label);
// kind: 0 unsigned 32-bit integers, 1 32-bit floats, 2 bytes.
extern void ma_array(const char* id, const void* data, size_t count, int kind);
}

namespace meshaudit::cli {

namespace {

constexpr const char* kNoMemory = "the file needs more memory than the browser gives this page";

// The answer of the last call, read by the page before its next call.
std::string answer;

void Progress(void*, uint32_t done, uint32_t total, const char* label)
{
    ma_progress(done, total, label);
}

std::string Shortest(double value)
{
    char text[32];
    return std::string(text, WriteShortest(text, text + sizeof text, value));
}

std::string Counts(const MeshData& mesh)
{
    return Plural(mesh.points.size(), "point") + ", " + Plural(mesh.triangles.size(), "triangle");
}

std::string Change(const MeshData& before, const MeshData& after)
{
    return "points " + std::to_string(before.points.size()) + " -> " + std::to_string(after.points.size()) +
           ", triangles " + std::to_string(before.triangles.size()) + " -> " + std::to_string(after.triangles.size());
}

// Checks `bytes` as the file `name` the way `meshaudit report` does (the
// element lists, the marks) and answers {"documents": the lines check --json
// prints, as strings, "page": ReportDocument or null, "error": "" or why}.
nlohmann::ordered_json Check(const std::string& name, std::string_view bytes, const std::string& profile,
                             const std::string& settingsName, const std::string& settingsText)
{
    nlohmann::ordered_json out = {{"documents", nlohmann::ordered_json::array()}, {"page", nullptr}, {"error", ""}};
    Settings settings;
    try {
        settings = ProfileSettings(profile);
        if (!settingsName.empty()) {
            settings = ParseSettingsText(settingsText, settingsName, settings);
        }
    } catch (const SettingsError& e) {
        out["error"] = Utf8Escaped(e.what());
        return out;
    }
    ma_progress(0, 1, "reading");
    std::vector<MeshData> meshes;
    FileOutcome failure;
    failure.file = name;
    try {
        meshes = ReadMeshObjects(bytes, name);
    } catch (const LoadError& e) {
        failure.error = e.what();
    } catch (const std::bad_alloc&) {
        failure.error = name + ": " + kNoMemory;
    }
    if (!failure.error.empty()) {
        out["documents"].push_back(JsonLine(RenderJson(failure)));
        out["error"] = Utf8Escaped(failure.error);
        return out;
    }
    AnalyseRequest request;
    request.locate = true;
    request.progress = Progress;
    ReportPage page{profile, settingsName, {}};
    for (const MeshData& mesh : meshes) {
        ReportView view;
        view.mesh = &mesh;
        view.outcome = AnalyseMesh(name, mesh, settings, request, &view.marks);
        FileOutcome plain = view.outcome;
        plain.where.clear();  // check --json lists nothing unless asked
        out["documents"].push_back(JsonLine(RenderJson(plain)));
        if (view.outcome.status != FileOutcome::Status::Analysed) {
            out["error"] = Utf8Escaped(view.outcome.error);
            return out;
        }
        page.views.push_back(std::move(view));
    }
    out["page"] = ReportDocument(page, [](const PageArray& a) {
        ma_array(a.id.c_str(), a.floats != nullptr ? static_cast<const void*>(a.floats) : a.integers, a.count,
                 a.floats != nullptr);
    });
    return out;
}

// Reads `bytes` as `meshaudit repair` reads its input, applies the repairs
// in `steps` ([{"merge": TOL, "relative": bool} | {"drop_invalid": true}])
// in order, and writes the result in the format of `output`'s extension.
// Answers {"log": the lines repair prints, "error": "" or why}; the bytes
// go to the page as the array "output".
nlohmann::ordered_json Repair(const std::string& name, std::string_view bytes, const nlohmann::json& steps,
                              const std::string& output, bool ascii)
{
    nlohmann::ordered_json out = {{"log", ""}, {"error", ""}};
    std::string log;
    const auto fail = [&](const std::string& error) {
        out["log"] = Utf8Escaped(log);
        out["error"] = Utf8Escaped(error);
        return out;
    };
    const std::optional<MeshFormat> format = FormatFromExtension(output);
    if (!format) {
        return fail("repair: the output name must end in one of " + FormatExtensions() + ": " + Quoted(output));
    }
    MeshData mesh;
    try {
        mesh = ReadMeshBytes(bytes, name);
    } catch (const LoadError& e) {
        return fail(e.what());
    }
    log += "read " + name + " (" + mesh.formatName + "): " + Counts(mesh) + "\n";
    for (const std::string& note : mesh.notes) {
        log += "  note: " + note + "\n";
    }
    const MeshData original = mesh;
    if (steps.empty()) {
        log += "no repair requested: the mesh is written as read\n";
    }
    for (const nlohmann::json& step : steps) {
        MeshData repaired;
        int code = 0;
        std::string what;
        if (step.contains("merge")) {
            const double tolerance = step["merge"].get<double>();
            const bool relative = step.value("relative", false);
            if (!std::isfinite(tolerance) || tolerance < 0.0) {
                return fail("--merge takes a distance of 0 or more, not " + Shortest(tolerance));
            }
            const double diagonal = ScaleOf(mesh).diagonal;
            const double distance = relative ? tolerance * diagonal : tolerance;
            what = "merge points within " + Shortest(distance) +
                   (relative ? " (" + Shortest(tolerance) + " x the box diagonal " + Shortest(diagonal) + ")" : "");
            code = MergePoints(mesh, distance, repaired);
        } else {
            what = "drop triangles that repeat a point";
            code = DropInvalidTriangles(mesh, repaired);
        }
        if (code != 0) {
            return fail(name + ": " + what + " failed: the library returned " + std::to_string(code) +
                        (code == -5 || code == -6 ? " (out of memory)" : ""));
        }
        log += what + ": " + Change(mesh, repaired) + "\n";
        mesh = std::move(repaired);
        if (mesh.triangles.empty()) {
            return fail(name + ": no triangles are left; nothing written");
        }
    }
    WriteOptions options;
    if (ascii) {
        options.plyEncoding = PlyEncoding::Ascii;
        options.stlAscii = true;
    }
    std::string written;
    try {
        written = WriteMeshBytes(mesh, *format, options);
    } catch (const LoadError& e) {
        return fail(e.what());
    }
    log += "wrote " + output + " (" + EntryOf(*format).writtenAs(options) + "): " + Counts(mesh) + "\n";
    if (!steps.empty()) {
        log += "in all: " + Change(original, mesh) + "\n";
    }
    ma_array("output", written.data(), written.size(), 2);
    out["log"] = Utf8Escaped(log);
    return out;
}

// Runs `work`, keeping its answer as one line of JSON; an exhausted memory
// becomes the message the page shows for it.
template <typename Work>
const char* Answer(Work work)
{
    try {
        answer = JsonLine(work());
    } catch (const std::bad_alloc&) {
        answer = JsonLine({{"error", kNoMemory}, {"documents", nlohmann::ordered_json::array()}});
    } catch (const std::exception& e) {
        answer = JsonLine({{"error", Utf8Escaped(e.what())}, {"documents", nlohmann::ordered_json::array()}});
    }
    return answer.c_str();
}

}  // namespace

}  // namespace meshaudit::cli

using namespace meshaudit::cli;

extern "C" {

// The built-in profiles: [{"name", "summary", "default"}], JSON.
EMSCRIPTEN_KEEPALIVE const char* ma_profiles()
{
    return Answer([] {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const Profile& p : Profiles()) {
            list.push_back({{"name", p.name}, {"summary", p.summary}, {"default", p.name == std::string(kDefaultProfile)}});
        }
        return list;
    });
}

// Checks the `size` bytes at `bytes` (the caller's, freed by it) as the file
// `name`; `settingsName` "" for none. The answer's JSON stays valid until
// the next call.
EMSCRIPTEN_KEEPALIVE const char* ma_check(const char* name, const char* bytes, size_t size, const char* profile,
                                          const char* settingsName, const char* settingsText)
{
    return Answer([&] { return Check(name, std::string_view(bytes, size), profile, settingsName, settingsText); });
}

// Repairs the file as Repair above says; `steps` is JSON.
EMSCRIPTEN_KEEPALIVE const char* ma_repair(const char* name, const char* bytes, size_t size, const char* steps,
                                           const char* output, int ascii)
{
    return Answer([&] { return Repair(name, std::string_view(bytes, size), nlohmann::json::parse(steps), output, ascii != 0); });
}

}
