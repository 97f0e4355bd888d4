// The number of edges, counted without building the edge list: from the
// point neighbour lists or the edges when either is built already (the edges
// free the lists they are built from), otherwise each point in turn
// is the centre, and its neighbours through its incident triangles are marked
// so that each is counted once per centre and each pair once overall.
#include "analysis/edges/EdgeAnalyses.h"
#include "analysis/edges/EdgeInputs.h"
#include "containers/Memory.h"

namespace meshaudit {

namespace {

constexpr uint8_t kCentre = 'c';   // has been the centre: its pairs are counted
constexpr uint8_t kReached = 'r';  // counted from the current centre
constexpr uint8_t kCleared = '0';  // reached by an earlier centre, mark undone

}  // namespace

int32_t CountEdges(const MeshRecord& mesh, MeshTopology& topology)
{
    EdgeMesh m;
    const int32_t code = ReadRecord(mesh, m);
    if (code != 0) {
        return code;
    }
    const IncidenceLists& incident = topology.VertexTriangles();
    if (topology.Status() != 0) {
        return -5;
    }
    // When the point neighbour lists are at hand they hold each point's
    // distinct neighbours (itself too when a triangle repeats it): every pair
    // is counted once, from its smaller point.
    if (const IncidenceLists* neighbours = topology.BuiltVertexNeighbours()) {
        uint32_t count = 0;
        for (uint32_t v = 0; v < m.pointCount; ++v) {
            const uint32_t* row = neighbours->Row(v);
            const uint32_t rowCount = neighbours->Count(v);
            for (uint32_t i = 0; i < rowCount; ++i) {
                count += row[i] > v ? 1u : 0u;
            }
        }
        return static_cast<int32_t>(count);
    }
    // The edges, built from those lists, hold the same pairs, and a point
    // paired with itself besides.
    uint32_t edgeCount = 0;
    if (const T3DEDGE* edges = topology.BuiltEdges(edgeCount)) {
        uint32_t count = 0;
        for (uint32_t e = 0; e < edgeCount; ++e) {
            count += edges[e].first != edges[e].second ? 1u : 0u;
        }
        return static_cast<int32_t>(count);
    }
    uint8_t* marks = AllocateZeroedArray<uint8_t>(m.pointCount);
    if (marks == nullptr) {
        return -6;
    }
    uint32_t count = 0;
    for (uint32_t v = 0; v < m.pointCount; ++v) {
        marks[v] = kCentre;
        const uint32_t* row = incident.Row(v);
        const uint32_t rowCount = incident.Count(v);
        for (uint32_t i = 0; i < rowCount; ++i) {
            const TRIANGLE& t = m.triangles[row[i]];
            for (const uint32_t w : {t.a, t.b, t.c}) {
                if (w != v && marks[w] != kCentre && marks[w] != kReached) {
                    marks[w] = kReached;
                    ++count;
                }
            }
        }
        // Undo this centre's marks along the same triangles, so that the
        // next centre starts clean without clearing the whole array.
        for (uint32_t i = 0; i < rowCount; ++i) {
            const TRIANGLE& t = m.triangles[row[i]];
            for (const uint32_t w : {t.a, t.b, t.c}) {
                if (marks[w] == kReached) {
                    marks[w] = kCleared;
                }
            }
        }
    }
    Free(marks);
    return static_cast<int32_t>(count);
}

}  // namespace meshaudit
