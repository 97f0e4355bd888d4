// Arbitrary bytes for the command's mesh readers; the first byte picks the
// file name (and so the extension that detection sees). A reader must throw
// LoadError or return a mesh whose corners all name existing points, which
// is then analysed with every quantity enabled and every list asked for,
// within a memory limit: the seeds include fans, books and copies of one
// triangle, the shapes that crowd many triangles at one place.
#include "LoadError.h"
#include "MeshFiles.h"
#include "meshaudit.hpp"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char* const kNames[] = {"mesh.stl", "mesh.obj", "mesh.ply", "mesh.off", "mesh"};
    if (size == 0) {
        return 0;
    }
    try {
        meshaudit::cli::MeshData mesh = meshaudit::cli::ReadMeshBytes(
            std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), kNames[data[0] % 5]);
        const size_t n = mesh.points.size();
        for (const TRIANGLE& t : mesh.triangles) {
            if (t.a >= n || t.b >= n || t.c >= n) {
                std::abort();
            }
        }
        if (n == 0 || mesh.triangles.empty() || n > UINT32_MAX) {
            std::abort();
        }
        PointSettings ps;
        EdgeSettings es;
        TriangleSettings ts;
        MeshSettings ms;
        meshaudit_default_point_settings(&ps);
        meshaudit_default_edge_settings(&es);
        meshaudit_default_triangle_settings(&ts);
        meshaudit_default_mesh_settings(&ms);
        std::memset(ps.Enable, 1, sizeof ps.Enable);
        std::memset(es.Enable, 1, sizeof es.Enable);
        std::memset(ts.Enable, 1, sizeof ts.Enable);
        std::memset(ms.Enable, 1, sizeof ms.Enable);
        meshaudit::LocateRequest request;
        request.memoryLimit = 64u << 20;
        meshaudit::Locations where;
        const MeshRecord record{mesh.points.data(), static_cast<uint32_t>(n), mesh.triangles.data(),
                                static_cast<uint32_t>(mesh.triangles.size())};
        const int32_t code = meshaudit::locate(record, ps, es, ts, ms, request, where);
        if (code != 1 && code != -5) {
            std::abort();
        }
    } catch (const meshaudit::cli::LoadError&) {
    }
    return 0;
}
