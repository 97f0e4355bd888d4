// The checker page's entry points into the command's own code, compiled to
// WebAssembly: a file's bytes in, the report page's data and check --json's
// documents out; a repaired file out as repair writes it. Each call is
// whole in itself (no state is kept between calls), runs in the page's
// worker, and tells the page of its progress and its arrays through the
// JavaScript functions the worker defines (ma_progress, ma_array,
// ma_verdict).
#include "Decimal.h"
#include "HtmlReport.h"
#include "Library.h"
#include "LoadError.h"
#include "MeshCheck.h"
#include "MeshFiles.h"
#include "MeshWriters.h"
#include "RepairLog.h"
#include "Report.h"
#include "Settings.h"
#include "TextScan.h"

#include <emscripten.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

// Defined by the worker script (viewer/src/worker.js).
extern "C" {
extern void ma_progress(uint32_t done, uint32_t total, const char* label);
// kind: 0 unsigned 32-bit integers, 1 32-bit floats, 2 bytes.
extern void ma_array(const char* id, const void* data, size_t count, int kind);
// check --json's documents of a file, as a JSON array of strings, as soon
// as the check has judged it (before the views' data is made).
extern void ma_verdict(const char* documents);
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

// A file's bytes as the worker hands them over: malloc()ed by it, owned
// and freed here.
struct Free {
    void operator()(const char* data) const { std::free(const_cast<char*>(data)); }
};
struct OwnedBytes {
    std::unique_ptr<const char, Free> data;
    size_t size = 0;

    std::string_view View() const { return std::string_view(data.get(), size); }
    void reset() { data.reset(); size = 0; }
};

std::string Counts(const MeshData& mesh)
{
    return Plural(mesh.points.size(), "point") + ", " + Plural(mesh.triangles.size(), "triangle");
}

// Checks `bytes` as the file `name` as `meshaudit check` does, hands the
// documents to ma_verdict, then checks again the way `meshaudit report`
// does (the element lists, the marks) for the views, and answers {"documents": the lines check --json
// prints, as strings, "page": ReportDocument or null, "error": "" or why}.
// The bytes are freed as soon as they are read, before the analysis takes
// its memory.
nlohmann::ordered_json Check(const std::string& name, OwnedBytes bytes, const std::string& profile,
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
        meshes = ReadMeshObjects(bytes.View(), name);
    } catch (const LoadError& e) {
        failure.error = e.what();
    } catch (const std::bad_alloc&) {
        failure.error = name + ": " + kNoMemory;
    }
    bytes.reset();
    if (!failure.error.empty()) {
        out["documents"].push_back(JsonLine(RenderJson(failure)));
        out["error"] = Utf8Escaped(failure.error);
        return out;
    }
    // The verdict first, by the check alone as `meshaudit check` runs it:
    // listing the elements behind each quantity and marking them costs as
    // much again, and the page shows the verdict while that runs.
    AnalyseRequest plain;
    plain.progress = Progress;
    for (const MeshData& mesh : meshes) {
        const FileOutcome outcome = AnalyseMesh(name, mesh, settings, plain);
        out["documents"].push_back(JsonLine(RenderJson(outcome)));
        if (outcome.status != FileOutcome::Status::Analysed) {
            out["error"] = Utf8Escaped(outcome.error);
            return out;
        }
    }
    ma_verdict(JsonLine(out["documents"]).c_str());
    AnalyseRequest request;
    request.locate = true;
    request.progress = Progress;
    ReportPage page{profile, settingsName, {}};
    for (const MeshData& mesh : meshes) {
        ReportView view;
        view.mesh = &mesh;
        view.outcome = AnalyseMesh(name, mesh, settings, request, &view.marks);
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

// The pipeline's request from the page's choice: {"steps": [step names],
// "merge": TOL or null, "relative": bool, "min_shell": N or null,
// "min_shell_relative": F or null, "drop_inner": bool}, as `meshaudit repair`
// builds it from its flags (--merge TOL selects the merge, --min-shell and
// --drop-inner the small shells). Throws std::invalid_argument on a value
// the command would refuse.
meshaudit::RepairRequest RequestOf(const nlohmann::json& choice, const MeshData& mesh)
{
    meshaudit::RepairRequest request;
    request.steps = 0;
    for (const nlohmann::json& name : choice.at("steps")) {
        bool known = false;
        for (uint32_t k = 0; k < meshaudit::kRepairStepCount; ++k) {
            if (name.get<std::string>() == meshaudit::RepairStepName(static_cast<meshaudit::RepairStep>(k))) {
                request.steps |= 1u << k;
                known = true;
            }
        }
        if (!known) {
            throw std::invalid_argument("repair: no step is named " + Quoted(name.get<std::string>()));
        }
    }
    const auto number = [&](const char* key, const char* what) {
        const double value = choice.value(key, nlohmann::json()).is_number() ? choice[key].get<double>() : -1.0;
        if (!std::isfinite(value) || value < 0.0) {
            throw std::invalid_argument(std::string(what) + " takes a number of 0 or more");
        }
        return value;
    };
    if (choice.contains("merge") && !choice["merge"].is_null()) {
        const double tolerance = number("merge", "--merge");
        request.steps |= meshaudit::StepBit(meshaudit::RepairStep::MergePoints);
        request.tolerance = choice.value("relative", false) ? tolerance * ScaleOf(mesh).diagonal : tolerance;
    }
    if (choice.contains("min_shell") && !choice["min_shell"].is_null()) {
        const double count = number("min_shell", "--min-shell");
        if (count != std::floor(count) || count > UINT32_MAX) {
            throw std::invalid_argument("--min-shell takes a triangle count");
        }
        request.minShellTriangles = static_cast<uint32_t>(count);
        request.steps |= meshaudit::StepBit(meshaudit::RepairStep::SmallShells);
    }
    if (choice.contains("min_shell_relative") && !choice["min_shell_relative"].is_null()) {
        request.minShellSize = number("min_shell_relative", "--min-shell relative=");
        request.steps |= meshaudit::StepBit(meshaudit::RepairStep::SmallShells);
    }
    if (choice.value("drop_inner", false)) {
        request.dropInnerShells = true;
        request.steps |= meshaudit::StepBit(meshaudit::RepairStep::SmallShells);
    }
    return request;
}

// Reads `bytes` as `meshaudit repair` reads its input, runs the repair
// pipeline as `choice` (RequestOf) says, or no step at all when it names
// none (--no-repair), and writes the result in the format of `output`'s
// extension. Answers {"log": the lines repair prints, "document": the line
// --log writes (with "input" the file's name) or null, "error": "" or why};
// the bytes go to the page as the array "output".
nlohmann::ordered_json Repair(const std::string& name, OwnedBytes bytes, const nlohmann::json& choice,
                              const std::string& output, bool ascii)
{
    nlohmann::ordered_json out = {{"log", ""}, {"document", nullptr}, {"error", ""}};
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
        mesh = ReadMeshBytes(bytes.View(), name);
    } catch (const LoadError& e) {
        return fail(e.what());
    }
    bytes.reset();
    log += "read " + name + " (" + mesh.formatName + "): " + Counts(mesh) + "\n";
    for (const std::string& note : mesh.notes) {
        log += "  note: " + note + "\n";
    }
    meshaudit::RepairRequest request;
    try {
        request = RequestOf(choice, mesh);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    const size_t pointsRead = mesh.points.size(), trianglesRead = mesh.triangles.size();
    if (request.steps != 0) {
        meshaudit::RepairResult result;
        const int32_t code = meshaudit::repair(RecordOf(mesh), request, result);
        if (code != 1) {
            return fail(name + ": the repair failed (code " + std::to_string(code) + ")" +
                        (code == -6 ? ": out of memory" : code == -5 ? ": a triangle names a point that is not there" : ""));
        }
        for (const std::string& line : RepairSummaryLines(result.log)) {
            log += line + "\n";
        }
        nlohmann::ordered_json document = RepairLogJson(result.log);
        document["input"] = Utf8Escaped(name);
        document["output"] = Utf8Escaped(output);
        out["document"] = JsonLine(document) + "\n";
        // The input's arrays go before the output's are taken in.
        std::vector<T3DVECF>().swap(mesh.points);
        std::vector<TRIANGLE>().swap(mesh.triangles);
        mesh.points = std::move(result.points);
        mesh.triangles = std::move(result.triangles);
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
    log += "in all: points " + std::to_string(pointsRead) + " -> " + std::to_string(mesh.points.size()) +
           ", triangles " + std::to_string(trianglesRead) + " -> " + std::to_string(mesh.triangles.size()) + "\n";
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

// Checks the `size` bytes at `bytes` (malloc()ed by the caller and freed by
// this call: the caller must not use them after) as the file `name`;
// `settingsName` "" for none. The answer's JSON stays valid until the next
// call.
EMSCRIPTEN_KEEPALIVE const char* ma_check(const char* name, const char* bytes, size_t size, const char* profile,
                                          const char* settingsName, const char* settingsText)
{
    return Answer([&] { return Check(name, OwnedBytes{std::unique_ptr<const char, Free>(bytes), size}, profile, settingsName, settingsText); });
}

// The repair pipeline's steps in their order: [{"name", "flag", "does"}],
// JSON, as `meshaudit repair --help` lists them.
EMSCRIPTEN_KEEPALIVE const char* ma_repair_steps()
{
    return Answer([] {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const RepairStepText& text : RepairStepTexts()) {
            list.push_back({{"name", meshaudit::RepairStepName(text.step)}, {"flag", text.flag}, {"does", text.does}});
        }
        return list;
    });
}

// Repairs the file as Repair above says; `choice` is JSON; `bytes` as for
// ma_check, freed by this call.
EMSCRIPTEN_KEEPALIVE const char* ma_repair(const char* name, const char* bytes, size_t size, const char* choice,
                                           const char* output, int ascii)
{
    OwnedBytes owned{std::unique_ptr<const char, Free>(bytes), size};
    return Answer([&] { return Repair(name, std::move(owned), nlohmann::json::parse(choice), output, ascii != 0); });
}

}
