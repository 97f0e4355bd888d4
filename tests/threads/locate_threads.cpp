// Two threads locate on different meshes at once, repeatedly, and must get
// exactly what one thread alone gets. Built with ThreadSanitizer, which
// fails the run on any data race between the two (shared counters, block
// reuse, progress state).
#include "meshaudit.hpp"
#include "support/AllSettings.h"
#include "support/TestMeshes.h"

#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using meshaudit::testing::TestMesh;

// The bytes of the four blocks and the list totals of every triangle and
// point quantity (none when locate fails).
std::vector<uint8_t> Locate(TestMesh& mesh)
{
    meshaudit::testing::AllSettings s;
    std::memset(s.m.Enable, 1, sizeof s.m.Enable);
    meshaudit::LocateRequest request;
    request.maxItems = 50;
    meshaudit::Locations where;
    std::vector<uint8_t> answer;
    if (meshaudit::locate(mesh.Record(), s.p, s.e, s.t, s.m, request, where) != 1) {
        return answer;
    }
    const auto append = [&](const auto& value) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
        answer.insert(answer.end(), bytes, bytes + sizeof value);
    };
    append(where.points);
    append(where.edges);
    append(where.triangles);
    append(where.mesh);
    for (int k = 0; k < TRI_QUANTITIES; ++k) {
        append(where.of(static_cast<TriangleQuantity>(k)).total);
    }
    for (int k = 0; k < PNT_QUANTITIES; ++k) {
        append(where.of(static_cast<PointQuantity>(k)).total);
    }
    return answer;
}

}  // namespace

int main()
{
    // Large enough for the block reuse to keep blocks (a megabyte and more).
    TestMesh meshes[2] = {meshaudit::testing::Torus(250, 120),
                          meshaudit::testing::RandomSoup(3000, 10.0, 7)};
    meshaudit::testing::Append(meshes[1], meshaudit::testing::Sphere(40, 20));
    const std::vector<uint8_t> alone[2] = {Locate(meshes[0]), Locate(meshes[1])};
    if (alone[0].empty() || alone[1].empty() || alone[0] == alone[1]) {
        std::fprintf(stderr, "locate failed, or the two meshes are not different enough\n");
        return 1;
    }
    bool mismatch[2] = {false, false};
    const auto rounds = [&](int i) {
        for (int round = 0; round < 2; ++round) {
            mismatch[i] = mismatch[i] || Locate(meshes[i]) != alone[i];
        }
    };
    std::thread first(rounds, 0), second(rounds, 1);
    first.join();
    second.join();
    if (mismatch[0] || mismatch[1]) {
        std::fprintf(stderr, "a thread's answer differs from the same mesh located alone\n");
        return 1;
    }
    std::printf("2 passed, 0 failed\n");
    return 0;
}
