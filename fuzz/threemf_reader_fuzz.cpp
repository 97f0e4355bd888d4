// The 3MF reader: with an even first byte the rest is the archive itself;
// with an odd one it is the model part, packed into a valid archive so that
// the XML and the objects behind it are reached. The reader must throw
// LoadError or return meshes whose corners all name points.
#include "LoadError.h"
#include "MeshWriters.h"
#include "Readers.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        const std::string bytes = data[0] & 1 ? meshaudit::cli::Write3mfPackage(rest) : rest;
        for (const meshaudit::cli::MeshData& mesh : meshaudit::cli::Read3mfObjects(bytes, "mesh.3mf")) {
            if (mesh.points.empty() || mesh.triangles.empty()) {
                std::abort();
            }
            for (const TRIANGLE& t : mesh.triangles) {
                if (t.a >= mesh.points.size() || t.b >= mesh.points.size() || t.c >= mesh.points.size()) {
                    std::abort();
                }
            }
        }
    } catch (const meshaudit::cli::LoadError&) {
    }
    return 0;
}
