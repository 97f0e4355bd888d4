// The vertex triangle rows of a block of elements' end points, looked up
// together before any of them is read through.
//
// A scan over triangles or edges in index order merges the rows of each
// element's end points. On meshes whose neighbouring elements lie far apart
// in the arrays, every row lookup and every first read of a row waits for
// main memory; done element by element, those waits come one after another.
// Looking up a whole block's rows first, then asking for their entries, lets
// the waits overlap. Only the order of the reads changes, never a value.
#pragma once

#include "model/MeshTopology.h"

#include <cstdint>

namespace meshaudit {

template <int Ends>
struct RowBlock {
    static constexpr uint32_t kSize = 32;

    const uint32_t* rows[kSize][Ends];
    uint32_t counts[kSize][Ends];

    // Looks up the rows of the points endOf(b, k) (b < size <= kSize, k <
    // Ends), then asks for their first entries.
    template <typename EndOf>
    void Load(const IncidenceLists& vertexTriangles, uint32_t size, const EndOf& endOf)
    {
        for (uint32_t b = 0; b < size; ++b) {
            for (int k = 0; k < Ends; ++k) {
                const uint32_t p = endOf(b, k);
                rows[b][k] = vertexTriangles.rows[p];
                counts[b][k] = vertexTriangles.counts[p];
            }
        }
        for (uint32_t b = 0; b < size; ++b) {
            for (int k = 0; k < Ends; ++k) {
                __builtin_prefetch(rows[b][k]);
            }
        }
    }
};

}  // namespace meshaudit
