// Feeds arbitrary bytes to the command's mesh readers. The first byte picks
// the file name (and so the extension the format detection sees); a reader
// must either throw LoadError or return a mesh whose corners all name
// existing points, with counts that fit the library's 32-bit fields.
#include "LoadError.h"
#include "MeshFiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char* const kNames[] = {"mesh.stl", "mesh.obj", "mesh.ply", "mesh.off", "mesh"};
    if (size == 0) {
        return 0;
    }
    const char* name = kNames[data[0] % (sizeof kNames / sizeof kNames[0])];
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        const meshaudit::cli::MeshData mesh = meshaudit::cli::ReadMeshBytes(bytes, name);
        if (mesh.points.empty() || mesh.triangles.empty() || mesh.points.size() > UINT32_MAX) {
            std::abort();
        }
        for (const TRIANGLE& t : mesh.triangles) {
            if (t.a >= mesh.points.size() || t.b >= mesh.points.size() || t.c >= mesh.points.size()) {
                std::abort();
            }
        }
    } catch (const meshaudit::cli::LoadError&) {
    }
    return 0;
}
