// Arbitrary bytes for the command's mesh readers; the first byte picks the
// file name (and so the extension that detection sees). A reader must throw
// LoadError or return a mesh whose corners all name existing points.
#include "LoadError.h"
#include "MeshFiles.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char* const kNames[] = {"mesh.stl", "mesh.obj", "mesh.ply", "mesh.off", "mesh"};
    if (size == 0) {
        return 0;
    }
    try {
        const meshaudit::cli::MeshData mesh = meshaudit::cli::ReadMeshBytes(
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
    } catch (const meshaudit::cli::LoadError&) {
    }
    return 0;
}
