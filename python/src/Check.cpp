// check(): the library's location API on the caller's arrays, judged and
// reported by the command's own code, so that a report equals the command's
// JSON document for the same mesh and settings.
#include "Binding.h"

#include "MeshCheck.h"
#include "Report.h"
#include "Settings.h"

#include <nlohmann/json.hpp>
#include <pybind11/stl.h>

#include <string>
#include <vector>

namespace meshaudit::python {

namespace {

// The profile refined by a settings document (JSON text) or file, as
// `meshaudit check --profile P --settings FILE` takes them.
cli::Settings SettingsOf(const std::string& profile, const py::object& document, const py::object& file)
{
    cli::Settings settings = cli::ProfileSettings(profile);
    if (!document.is_none()) {
        nlohmann::json parsed;
        try {
            parsed = nlohmann::json::parse(document.cast<std::string>());
        } catch (const nlohmann::json::exception& e) {
            throw py::value_error(std::string("settings: ") + e.what());
        }
        try {
            cli::ApplySettingsJson(parsed, settings);
        } catch (const cli::SettingsError& e) {
            throw py::value_error(std::string("settings: ") + e.what());
        }
    }
    if (!file.is_none()) {
        settings = cli::LoadSettingsFile(file.cast<std::string>(), settings);
    }
    return settings;
}

const cli::Quantity& QuantityOf(const cli::ElementList& list)
{
    const cli::Quantity* q = list.QuantityOf();
    if (q == nullptr) {
        throw std::logic_error("a list for a quantity the command does not know");
    }
    return *q;
}

// {"triangles.CountIntersected": (entries, total), ...}: one row per entry,
// or a flat array when an entry is one number.
py::dict WhereArrays(const std::vector<cli::ElementList>& lists)
{
    py::dict arrays;
    for (const cli::ElementList& list : lists) {
        const cli::Quantity& q = QuantityOf(list);
        const auto rows = static_cast<py::ssize_t>(list.Stored());
        py::array_t<uint32_t> entries =
            list.arity == 1 ? py::array_t<uint32_t>(rows, list.data.data())
                            : py::array_t<uint32_t>({rows, static_cast<py::ssize_t>(list.arity)}, list.data.data());
        const std::string key = std::string(cli::CategoryKey(q.category)) + "." + q.name;
        arrays[py::str(key)] = py::make_tuple(entries, list.total);
    }
    return arrays;
}

py::tuple Check(const PointArray& points, const TriangleArray& triangles, const std::string& profile,
                const py::object& settingsDocument, const py::object& settingsFile, bool where, uint64_t maxItems,
                bool progress, uint64_t memoryLimit, const py::bytes& file, const std::string& format,
                const std::vector<std::string>& notes, const std::string& objectId, const std::string& objectName,
                const std::vector<uint32_t>& faces, const std::vector<uint32_t>& parts)
{
    const cli::Settings settings = SettingsOf(profile, settingsDocument, settingsFile);
    MeshRecord record;
    record.pointCount = RowsOf(points, "points");
    record.triangleCount = RowsOf(triangles, "triangles");
    // The library only reads the arrays.
    record.points = reinterpret_cast<T3DVECF*>(const_cast<double*>(points.data()));
    record.triangles = reinterpret_cast<TRIANGLE*>(const_cast<uint32_t*>(triangles.data()));
    cli::MeshData source;
    source.formatName = format;
    source.notes = notes;
    source.objectId = objectId;
    source.objectName = objectName;
    if (faces.size() == record.triangleCount && parts.size() == faces.size()) {
        source.faces = faces;
        source.parts = parts;
    }
    cli::LocateOptions options;
    options.lists = where;
    options.maxItems = maxItems;
    options.progress = progress;
    options.memoryLimit = memoryLimit;
    cli::FileOutcome outcome;
    {
        // The arrays stay alive with the caller's references; the analysis
        // touches no Python object and no process-wide state.
        py::gil_scoped_release release;
        outcome = cli::DescribeMesh(file, source, record, settings);
        if (cli::CheckMesh(outcome, record, options, outcome.where) && where) {
            cli::AttachFaces(outcome.where, source);
        }
    }
    if (outcome.status != cli::FileOutcome::Status::Analysed) {
        throw py::value_error(cli::Utf8Escaped(outcome.error));
    }
    return py::make_tuple(cli::JsonLine(cli::RenderJson(outcome)), WhereArrays(outcome.where));
}

}  // namespace

void AddCheck(py::module_& m)
{
    m.def("check", &Check, py::arg("points"), py::arg("triangles"), py::arg("profile"), py::arg("settings_document"),
          py::arg("settings_file"), py::arg("where"), py::arg("max_items"), py::arg("progress"),
          py::arg("memory_limit"), py::arg("file"),
          py::arg("format"), py::arg("notes"), py::arg("object_id"), py::arg("object_name"), py::arg("faces"),
          py::arg("parts"),
          "The JSON document of the check and the element lists as arrays.");
}

}  // namespace meshaudit::python
