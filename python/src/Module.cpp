// The _meshaudit extension: the command's readers, its report and the
// library's reentrant location API and repairs, for the meshaudit package.
#include "Binding.h"
#include "Quantities.h"

#include "LoadError.h"
#include "Report.h"
#include "Settings.h"
#include "meshaudit.h"

#include <string>

namespace meshaudit::python {

uint32_t RowsOf(const py::array& array, const char* name)
{
    if (array.ndim() != 2 || array.shape(1) != 3) {
        throw py::value_error(std::string(name) + ": expected an array of shape (N, 3)");
    }
    if (array.shape(0) > static_cast<py::ssize_t>(UINT32_MAX)) {
        throw py::value_error(std::string(name) + ": more than 4294967295 rows");
    }
    return static_cast<uint32_t>(array.shape(0));
}

}  // namespace meshaudit::python

PYBIND11_MODULE(_meshaudit, m)
{
    namespace py = pybind11;
    using namespace meshaudit;
    m.doc() = "meshaudit's compiled core; use the meshaudit package instead.";
    // The version of the library this module was built with, which is also
    // the command's (`meshaudit --version`).
    m.attr("__version__") = std::to_string(MESHAUDIT_VERSION_MAJOR) + "." + std::to_string(MESHAUDIT_VERSION_MINOR) +
                            "." + std::to_string(MESHAUDIT_VERSION_PATCH);
    // A mesh report's sections, in the command's order ("points", ...,
    // "solid", "quality"), so that the package names each category once.
    py::tuple categories(cli::kMeshCategories.size());
    for (size_t i = 0; i < cli::kMeshCategories.size(); ++i) {
        categories[i] = cli::CategoryKey(cli::kMeshCategories[i]);
    }
    m.attr("CATEGORIES") = categories;
    // A reading error names the file and the line or byte; file names are
    // bytes, so the message is made valid UTF-8 before Python sees it.
    static py::exception<cli::LoadError> readError(m, "ReadError", PyExc_ValueError);
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) {
                std::rethrow_exception(p);
            }
        } catch (const cli::LoadError& e) {
            readError(cli::Utf8Escaped(e.what()).c_str());
        } catch (const cli::SettingsError& e) {
            PyErr_SetString(PyExc_ValueError, cli::Utf8Escaped(e.what()).c_str());
        }
    });
    python::AddRead(m);
    python::AddCheck(m);
    python::AddRepairs(m);
}
