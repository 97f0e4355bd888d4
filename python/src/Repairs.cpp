// The library's two repairs on the caller's arrays, each with the map from
// old indices to new ones.
#include "Binding.h"

#include "RepairLog.h"
#include "Report.h"

#include "meshaudit.h"
#include "meshaudit_repair.hpp"

#include <cstring>
#include <new>
#include <vector>

namespace meshaudit::python {

namespace {

// Owns a repair's output record until its arrays are copied out.
struct RepairOutput {
    MeshRecord record{};
    ~RepairOutput() { clear_mesh(&record); }
};

void RaiseFor(int32_t code)
{
    if (code == -5 || code == -6) {
        throw std::bad_alloc();
    }
    if (code != 0) {
        throw py::value_error("the library refused the mesh (code " + std::to_string(code) + ")");
    }
}

py::tuple MergePoints(const PointArray& points, const TriangleArray& triangles, double tolerance)
{
    const uint32_t pointCount = RowsOf(points, "points");
    const uint32_t triangleCount = RowsOf(triangles, "triangles");
    if (static_cast<uint64_t>(pointCount) + triangleCount > UINT32_MAX) {
        throw py::value_error("points: too many points and triangles together for the merge");
    }
    // The merge renumbers triangles and never drops or reorders them, so one
    // triangle (i, i, i) per point after the caller's gives the new index of
    // every point, also of points that no triangle uses.
    std::vector<TRIANGLE> all(static_cast<size_t>(triangleCount) + pointCount);
    std::memcpy(all.data(), triangles.data(), static_cast<size_t>(triangleCount) * sizeof(TRIANGLE));
    for (uint32_t i = 0; i < pointCount; ++i) {
        all[triangleCount + i] = TRIANGLE{i, i, i};
    }
    MeshRecord input;
    input.points = reinterpret_cast<T3DVECF*>(const_cast<double*>(points.data()));
    input.pointCount = pointCount;
    input.triangles = all.data();
    input.triangleCount = static_cast<uint32_t>(all.size());
    RepairOutput output;
    int32_t code;
    {
        py::gil_scoped_release release;
        code = removeDuplicatedGeometricalPoints(&input, &tolerance, &output.record);
    }
    RaiseFor(code);
    const MeshRecord& out = output.record;
    PointArray merged({static_cast<py::ssize_t>(out.pointCount), py::ssize_t{3}});
    TriangleArray renumbered({static_cast<py::ssize_t>(triangleCount), py::ssize_t{3}});
    py::array_t<uint32_t> map(static_cast<py::ssize_t>(pointCount));
    std::memcpy(merged.mutable_data(), out.points, static_cast<size_t>(out.pointCount) * sizeof(T3DVECF));
    std::memcpy(renumbered.mutable_data(), out.triangles, static_cast<size_t>(triangleCount) * sizeof(TRIANGLE));
    uint32_t* to = map.mutable_data();
    for (uint32_t i = 0; i < pointCount; ++i) {
        to[i] = out.triangles[triangleCount + i].a;
    }
    return py::make_tuple(merged, renumbered, map);
}

py::tuple DropInvalid(const TriangleArray& triangles)
{
    const uint32_t triangleCount = RowsOf(triangles, "triangles");
    // The repair copies the points through; it needs one, and reads none.
    T3DVECF point{0.0, 0.0, 0.0};
    MeshRecord input;
    input.points = &point;
    input.pointCount = 1;
    input.triangles = reinterpret_cast<TRIANGLE*>(const_cast<uint32_t*>(triangles.data()));
    input.triangleCount = triangleCount;
    RepairOutput output;
    int32_t code;
    {
        py::gil_scoped_release release;
        code = removeInvalidTopologicalTriangles(&input, &output.record);
    }
    RaiseFor(code);
    const MeshRecord& out = output.record;
    TriangleArray kept({static_cast<py::ssize_t>(out.triangleCount), py::ssize_t{3}});
    if (out.triangleCount != 0) {
        std::memcpy(kept.mutable_data(), out.triangles, static_cast<size_t>(out.triangleCount) * sizeof(TRIANGLE));
    }
    // The kept triangles keep their order and a dropped one repeats an index,
    // so it never equals the next kept one: walking both in step matches
    // every old triangle to its new index, or to -1.
    py::array_t<int64_t> map(static_cast<py::ssize_t>(triangleCount));
    int64_t* to = map.mutable_data();
    uint32_t next = 0;
    for (uint32_t i = 0; i < triangleCount; ++i) {
        const TRIANGLE& t = input.triangles[i];
        const bool same = next < out.triangleCount && std::memcmp(&t, &out.triangles[next], sizeof t) == 0;
        to[i] = same ? static_cast<int64_t>(next++) : int64_t{-1};
    }
    return py::make_tuple(kept, map);
}

// The pipeline (meshaudit_repair.hpp): the new arrays, the maps to the
// input's points and triangles, and the log as the command's --log writes it.
py::tuple RepairPipeline(const PointArray& points, const TriangleArray& triangles, uint32_t steps, double tolerance,
                         uint32_t minShellTriangles, double minShellSize, bool dropInnerShells)
{
    MeshRecord input;
    input.pointCount = RowsOf(points, "points");
    input.triangleCount = RowsOf(triangles, "triangles");
    input.points = reinterpret_cast<T3DVECF*>(const_cast<double*>(points.data()));
    input.triangles = reinterpret_cast<TRIANGLE*>(const_cast<uint32_t*>(triangles.data()));
    meshaudit::RepairRequest request;
    request.steps = steps;
    request.tolerance = tolerance;
    request.minShellTriangles = minShellTriangles;
    request.minShellSize = minShellSize;
    request.dropInnerShells = dropInnerShells;
    meshaudit::RepairResult result;
    int32_t code;
    {
        py::gil_scoped_release release;
        code = meshaudit::repair(input, request, result);
    }
    if (code == -6) {
        throw std::bad_alloc();
    }
    if (code != 1) {
        throw py::value_error("the repair refused the mesh (code " + std::to_string(code) + ")");
    }
    PointArray outPoints({static_cast<py::ssize_t>(result.points.size()), py::ssize_t{3}});
    TriangleArray outTriangles({static_cast<py::ssize_t>(result.triangles.size()), py::ssize_t{3}});
    std::memcpy(outPoints.mutable_data(), result.points.data(), result.points.size() * sizeof(T3DVECF));
    std::memcpy(outTriangles.mutable_data(), result.triangles.data(), result.triangles.size() * sizeof(TRIANGLE));
    py::array_t<uint32_t> pointFrom(static_cast<py::ssize_t>(result.pointFrom.size()), result.pointFrom.data());
    py::array_t<uint32_t> triangleFrom(static_cast<py::ssize_t>(result.triangleFrom.size()),
                                       result.triangleFrom.data());
    return py::make_tuple(outPoints, outTriangles, pointFrom, triangleFrom,
                          cli::JsonLine(cli::RepairLogJson(result.log)));
}

}  // namespace

void AddRepairs(py::module_& m)
{
    m.def("repair", &RepairPipeline, py::arg("points"), py::arg("triangles"), py::arg("steps"), py::arg("tolerance"),
          py::arg("min_shell_triangles"), py::arg("min_shell_size"), py::arg("drop_inner_shells"),
          "The repair pipeline: (points, triangles, point_from, triangle_from, log as JSON text).");
    m.def("merge_points", &MergePoints, py::arg("points"), py::arg("triangles"), py::arg("tolerance"),
          "Merged points, renumbered triangles and each old point's new index.");
    m.def("drop_invalid", &DropInvalid, py::arg("triangles"),
          "The triangles that repeat no index and each old triangle's new index (-1: dropped).");
}

}  // namespace meshaudit::python
