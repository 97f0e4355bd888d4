// The parts of the _meshaudit extension, each adding its functions to the
// module. The Python package (python/meshaudit) validates and converts the
// caller's arrays first; these functions still check what they index by.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>

namespace meshaudit::python {

namespace py = pybind11;

// The arrays the library reads in place: N x 3 doubles (T3DVECF) and
// M x 3 uint32 (TRIANGLE), C-ordered.
using PointArray = py::array_t<double, py::array::c_style | py::array::forcecast>;
using TriangleArray = py::array_t<uint32_t, py::array::c_style | py::array::forcecast>;

// The number of rows of an N x 3 array; ValueError naming `name` otherwise.
uint32_t RowsOf(const py::array& array, const char* name);

void AddRead(py::module_& m);
void AddCheck(py::module_& m);
void AddRepairs(py::module_& m);

}  // namespace meshaudit::python
