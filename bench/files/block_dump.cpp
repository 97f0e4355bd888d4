// Prints the four result blocks of one analysis as hex, for comparing two
// builds byte for byte: `block_dump FILE [all]` analyses FILE with the
// library's defaults, or with every Enable byte 1, and leaves the progress
// line on standard error untouched so that a caller can compare it too.
#include "MeshFiles.h"
#include "support/AllSettings.h"
#include "meshaudit.h"

#include <cstdio>
#include <cstring>
#include <exception>

namespace {

void PrintHex(const char* name, const void* block, std::size_t size)
{
    std::printf("%s ", name);
    const auto* bytes = static_cast<const unsigned char*>(block);
    for (std::size_t i = 0; i < size; ++i) {
        std::printf("%02x", bytes[i]);
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: block_dump FILE [all]\n");
        return 2;
    }
    meshaudit::cli::MeshData data;
    try {
        data = meshaudit::cli::ReadMeshFile(argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "block_dump: %s\n", error.what());
        return 2;
    }
    meshaudit::testing::AllSettings(argc > 2 && std::strcmp(argv[2], "all") == 0).Apply();
    MeshRecord mesh{data.points.data(), static_cast<uint32_t>(data.points.size()),
                    data.triangles.data(), static_cast<uint32_t>(data.triangles.size())};
    const int32_t code = analyse(&mesh);
    std::printf("analyse %d\n", code);
    PointResults pr;
    EdgeResults er;
    TriangleResults tr;
    MeshResults mr;
    get_pnt_params(&pr);
    get_edg_params(&er);
    get_tri_params(&tr);
    get_msh_params(&mr);
    PrintHex("points", &pr, sizeof pr);
    PrintHex("edges", &er, sizeof er);
    PrintHex("triangles", &tr, sizeof tr);
    PrintHex("mesh", &mr, sizeof mr);
    return 0;
}
