// read(): the command's readers, with their notes and their errors.
#include "Binding.h"

#include "FileBytes.h"
#include "MeshFiles.h"
#include "Report.h"

#include <cstring>
#include <string>
#include <vector>

namespace meshaudit::python {

namespace {

// Text from a file as Python text: stray bytes as \xNN, as the JSON report
// writes them.
py::str Text(const std::string& text)
{
    return py::str(cli::Utf8Escaped(text));
}

py::dict MeshDict(const cli::MeshData& mesh)
{
    PointArray points({static_cast<py::ssize_t>(mesh.points.size()), py::ssize_t{3}});
    TriangleArray triangles({static_cast<py::ssize_t>(mesh.triangles.size()), py::ssize_t{3}});
    if (!mesh.points.empty()) {
        std::memcpy(points.mutable_data(), mesh.points.data(), mesh.points.size() * sizeof(T3DVECF));
    }
    if (!mesh.triangles.empty()) {
        std::memcpy(triangles.mutable_data(), mesh.triangles.data(), mesh.triangles.size() * sizeof(TRIANGLE));
    }
    py::dict d;
    d["points"] = points;
    d["triangles"] = triangles;
    d["format"] = mesh.formatName;
    py::list notes;
    for (const std::string& note : mesh.notes) {
        notes.append(Text(note));
    }
    d["notes"] = notes;
    // The file's face of each triangle and its part (both empty when every
    // face is a triangle).
    using Numbers = py::array_t<uint32_t>;
    d["faces"] = Numbers(static_cast<py::ssize_t>(mesh.faces.size()), mesh.faces.data());
    d["parts"] = Numbers(static_cast<py::ssize_t>(mesh.parts.size()), mesh.parts.data());
    d["object_id"] = mesh.objectId;
    d["object_name"] = Text(mesh.objectName);
    return d;
}

// The file as one mesh and, for 3MF, as its objects, from one read of the
// bytes.
py::dict Read(const py::bytes& path)
{
    const std::string name = path;
    cli::MeshData whole;
    std::vector<cli::MeshData> objects;
    {
        py::gil_scoped_release release;
        const std::string bytes = cli::ReadFileBytes(name);
        whole = cli::ReadMeshBytes(bytes, name);
        if (cli::DetectFormat(bytes, name) == cli::MeshFormat::ThreeMf) {
            objects = cli::ReadMeshObjects(bytes, name);
        }
    }
    py::dict d = MeshDict(whole);
    py::list parts;
    for (const cli::MeshData& object : objects) {
        parts.append(MeshDict(object));
    }
    d["objects"] = parts;
    return d;
}

}  // namespace

void AddRead(py::module_& m)
{
    m.def("read", &Read, py::arg("path"),
          "The mesh in the file at `path` (bytes) as a dict; ReadError names the file and the line.");
}

}  // namespace meshaudit::python
