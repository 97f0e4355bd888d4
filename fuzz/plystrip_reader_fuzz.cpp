// The PLY reader's triangle strips: the first byte picks the encoding and
// the strip's list types, the next two the vertex and strip counts; the
// rest is the body. The reader must throw LoadError or return corners that
// all name points.
#include "LoadError.h"
#include "Readers.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3) {
        return 0;
    }
    static const char* const kFormats[] = {"ascii", "binary_little_endian", "binary_big_endian"};
    static const char* const kLists[] = {"int int", "uchar int", "int short", "ushort uint"};
    std::string bytes = std::string("ply\nformat ") + kFormats[data[0] % 3] + " 1.0\nelement vertex " +
                        std::to_string(data[1]) + "\nproperty float x\nproperty float y\nproperty float z\n" +
                        "element tristrips " + std::to_string(data[2]) + "\nproperty list " +
                        kLists[(data[0] / 3) % 4] + " vertex_indices\n" +
                        (data[0] & 64 ? "element face 1\nproperty list uchar int vertex_index\n" : "") +
                        "end_header\n";
    bytes.append(reinterpret_cast<const char*>(data) + 3, size - 3);
    try {
        const meshaudit::cli::MeshData mesh = meshaudit::cli::ReadPly(bytes, "mesh.ply");
        const size_t n = mesh.points.size();
        for (const TRIANGLE& t : mesh.triangles) {
            if (t.a >= n || t.b >= n || t.c >= n) {
                std::abort();
            }
            // Strips skip the triangles that repeat a corner; faces keep them.
            if (!(data[0] & 64) && (t.a == t.b || t.b == t.c || t.a == t.c)) {
                std::abort();
            }
        }
    } catch (const meshaudit::cli::LoadError&) {
    }
    return 0;
}
