// The OFF reader's keyword variants: the first byte picks the keyword's
// prefixes ([ST][C][N][4][n]), the rest is the file after the keyword. The
// reader must throw LoadError or return corners that all name points.
#include "LoadError.h"
#include "Readers.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    const uint8_t pick = data[0];
    std::string bytes = pick & 32 ? "# leading comment\n" : "";
    bytes += std::string(pick & 1 ? "ST" : "") + (pick & 2 ? "C" : "") + (pick & 4 ? "N" : "") +
             (pick & 8 ? "4" : "") + (pick & 16 ? "n" : "") + "OFF";
    bytes.append(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        const meshaudit::cli::MeshData mesh = meshaudit::cli::ReadOff(bytes, "mesh.off");
        for (const TRIANGLE& t : mesh.triangles) {
            if (t.a >= mesh.points.size() || t.b >= mesh.points.size() || t.c >= mesh.points.size()) {
                std::abort();
            }
        }
    } catch (const meshaudit::cli::LoadError&) {
    }
    return 0;
}
