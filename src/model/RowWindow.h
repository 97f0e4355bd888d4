// The vertex triangle rows of the end points of elements scanned in index
// order, looked up a fixed number of elements ahead of their use.
//
// A scan over triangles or edges in index order merges the rows of each
// element's end points. On meshes whose neighbouring elements lie far apart
// in the arrays, every row lookup and every first read of a row waits for
// main memory; done element by element, those waits come one after another.
// Looking up an element's rows and asking for their entries kWindow elements
// before it is read lets the waits overlap and gives the entries time to
// arrive; asking for a few rows per element keeps the requests within what
// the memory system has room for at once. The lookup itself reads each end
// point's row offsets, as scattered as the rows, so those are asked for
// another kWindow elements earlier: waited for in the lookup, they would
// hold up the whole scan. Only the order of the reads changes, never a
// value.
#pragma once

#include "model/MeshTopology.h"

#include <cstdint>

namespace meshaudit {

// The rows of an element's end points: rows[k] and counts[k] for end k.
template <int Ends>
struct EndRows {
    const uint32_t* rows[Ends];
    uint32_t counts[Ends];
};

// Calls process(e, rows) for e = 0 .. count - 1 in order, rows being the
// EndRows of element e, whose end point k is endOf(e, k). Stops as soon as
// process returns false, and returns whether every element was processed.
template <int Ends, typename EndOf, typename Process>
bool ForEachElementRows(const IncidenceLists& vertexTriangles, uint32_t count, const EndOf& endOf,
                        const Process& process)
{
    constexpr uint32_t kWindow = 32;  // a power of two: slots go round by mask
    EndRows<Ends> window[kWindow];
    const auto lookUp = [&](uint32_t e) {
        EndRows<Ends>& slot = window[e & (kWindow - 1)];
        for (int k = 0; k < Ends; ++k) {
            const uint32_t p = endOf(e, k);
            slot.rows[k] = vertexTriangles.Row(p);
            slot.counts[k] = vertexTriangles.Count(p);
            __builtin_prefetch(slot.rows[k]);
        }
    };
    // Ends' row offsets for the lookup kWindow elements later.
    const auto askStarts = [&](uint32_t e) {
        for (int k = 0; k < Ends; ++k) {
            __builtin_prefetch(vertexTriangles.starts + endOf(e, k));
        }
    };
    for (uint32_t e = 0; e < count && e < 2 * kWindow; ++e) {
        askStarts(e);
    }
    for (uint32_t e = 0; e < count && e < kWindow; ++e) {
        lookUp(e);
    }
    for (uint32_t e = 0; e < count; ++e) {
        const EndRows<Ends> rows = window[e & (kWindow - 1)];
        if (count - e > 2 * kWindow) {
            askStarts(e + 2 * kWindow);
        }
        if (count - e > kWindow) {
            lookUp(e + kWindow);
        }
        if (!process(e, rows)) {
            return false;
        }
    }
    return true;
}

}  // namespace meshaudit
