// Arbitrary bytes for the command's readers. The first byte picks the way
// in: 0 the format detection (the next byte picks the file name it sees),
// 1 the OFF keyword variants, 2 PLY triangle strips, 3 a 3MF package (its
// objects, then its build's items and the pairs of them that overlap). Every
// reader must throw LoadError or return meshes whose corners all name
// existing points; through detection the mesh is then located with every
// quantity enabled and every list asked for, within a memory limit (the
// seeds include fans, books and copies of one triangle, which crowd many
// triangles at one place).
#include "BuildPlate.h"
#include "LoadError.h"
#include "MeshFiles.h"
#include "MeshWriters.h"
#include "Readers.h"
#include "meshaudit.hpp"
#include "support/AllSettings.h"

#include <cstdlib>
#include <string>
#include <utility>

namespace {

using meshaudit::cli::MeshData;

void CheckCorners(const MeshData& mesh)
{
    const size_t n = mesh.points.size();
    for (const TRIANGLE& t : mesh.triangles) {
        if (t.a >= n || t.b >= n || t.c >= n) {
            std::abort();
        }
    }
}

void Detected(uint8_t pick, std::string_view rest)
{
    static const char* const kNames[] = {"mesh.stl", "mesh.obj", "mesh.ply", "mesh.off", "mesh"};
    MeshData mesh = meshaudit::cli::ReadMeshBytes(rest, kNames[pick % 5]);
    CheckCorners(mesh);
    const size_t n = mesh.points.size();
    if (n == 0 || mesh.triangles.empty() || n > UINT32_MAX) {
        std::abort();
    }
    const meshaudit::testing::AllSettings all(true);
    meshaudit::LocateRequest request;
    request.memoryLimit = 64u << 20;
    meshaudit::Locations where;
    const MeshRecord record{mesh.points.data(), static_cast<uint32_t>(n), mesh.triangles.data(),
                            static_cast<uint32_t>(mesh.triangles.size())};
    const int32_t code = meshaudit::locate(record, all.p, all.e, all.t, all.m, request, where);
    if (code != 1 && code != -5) {
        std::abort();
    }
}

// The pick's bits choose the keyword's prefixes ([ST][C][N][4][n]) and a
// comment before it; the rest is the file after the keyword.
void OffKeywords(uint8_t pick, std::string_view rest)
{
    std::string bytes = pick & 32 ? "# leading comment\n" : "";
    bytes += std::string(pick & 1 ? "ST" : "") + (pick & 2 ? "C" : "") + (pick & 4 ? "N" : "") +
             (pick & 8 ? "4" : "") + (pick & 16 ? "n" : "") + "OFF";
    bytes += rest;
    CheckCorners(meshaudit::cli::ReadOff(bytes, "mesh.off"));
}

// The pick chooses the encoding and the strip's list types, the next two
// bytes the vertex and strip counts; the rest is the body.
void PlyStrips(uint8_t pick, std::string_view rest)
{
    if (rest.size() < 2) {
        return;
    }
    static const char* const kFormats[] = {"ascii", "binary_little_endian", "binary_big_endian"};
    static const char* const kLists[] = {"int int", "uchar int", "int short", "ushort uint"};
    std::string bytes = std::string("ply\nformat ") + kFormats[pick % 3] + " 1.0\nelement vertex " +
                        std::to_string(uint8_t(rest[0])) +
                        "\nproperty float x\nproperty float y\nproperty float z\nelement tristrips " +
                        std::to_string(uint8_t(rest[1])) + "\nproperty list " + kLists[(pick / 3) % 4] +
                        " vertex_indices\n" + (pick & 64 ? "element face 1\nproperty list uchar int vertex_index\n" : "") +
                        "end_header\n";
    bytes += rest.substr(2);
    const MeshData mesh = meshaudit::cli::ReadPly(bytes, "mesh.ply");
    CheckCorners(mesh);
    for (const TRIANGLE& t : mesh.triangles) {
        // Strips skip the triangles that repeat a corner; faces keep them.
        if (!(pick & 64) && (t.a == t.b || t.b == t.c || t.a == t.c)) {
            std::abort();
        }
    }
}

// With an even pick the rest is the archive itself; with an odd one it is
// the model part, packed into a valid archive so that the XML and the
// objects behind it are reached.
void ThreeMf(uint8_t pick, std::string_view rest)
{
    const std::string bytes = pick & 1 ? meshaudit::cli::Write3mfPackage(std::string(rest)) : std::string(rest);
    for (const MeshData& mesh : meshaudit::cli::Read3mfObjects(bytes, "mesh.3mf")) {
        if (mesh.points.empty() || mesh.triangles.empty()) {
            std::abort();
        }
        CheckCorners(mesh);
    }
    // The build's items, placed, and the pairs of them that overlap.
    const std::vector<meshaudit::cli::BuildItem> items = meshaudit::cli::Read3mfBuildItems(bytes, "mesh.3mf");
    const meshaudit::cli::PlateOverlaps plate = meshaudit::cli::FindOverlaps(items);
    for (size_t i = 0; i < plate.overlaps.size(); ++i) {
        const meshaudit::cli::ItemOverlap& o = plate.overlaps[i];
        if (o.itemA >= o.itemB || o.itemB >= items.size() || o.triangleA >= items[o.itemA].mesh.triangles.size() ||
            o.triangleB >= items[o.itemB].mesh.triangles.size() ||
            (i > 0 && std::pair(plate.overlaps[i - 1].itemA, plate.overlaps[i - 1].itemB) >= std::pair(o.itemA, o.itemB))) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) {
        return 0;
    }
    const std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    try {
        switch (data[0] % 4) {
        case 0: Detected(data[1], rest); break;
        case 1: OffKeywords(data[1], rest); break;
        case 2: PlyStrips(data[1], rest); break;
        default: ThreeMf(data[1], rest); break;
        }
    } catch (const meshaudit::cli::LoadError&) {
    }
    return 0;
}
