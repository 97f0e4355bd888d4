// A point's place as a hash key: its three coordinates' bits, -0.0 taken as
// 0.0, so that points of equal coordinates, and only they, have equal keys.
// The registry of points and the check before the arrangement both find
// points of equal coordinates by it, in time linear in their number.
#pragma once

#include "containers/Keys.h"

#include <cstddef>
#include <cstdint>

namespace meshaudit::arrangement {

struct PlaceKey {
    uint64_t bits[3];

    static PlaceKey Of(const double* xyz)
    {
        return PlaceKey{{CoordinateBits(xyz[0]), CoordinateBits(xyz[1]), CoordinateBits(xyz[2])}};
    }
    bool operator==(const PlaceKey& o) const
    {
        return bits[0] == o.bits[0] && bits[1] == o.bits[1] && bits[2] == o.bits[2];
    }
};

struct PlaceHash {
    size_t operator()(const PlaceKey& k) const
    {
        uint64_t h = k.bits[0] * 0x9E3779B97F4A7C15ull;
        h ^= (h >> 29) + k.bits[1] * 0xBF58476D1CE4E5B9ull;
        h ^= (h >> 31) + k.bits[2] * 0x94D049BB133111EBull;
        return static_cast<size_t>(h ^ (h >> 32));
    }
};

}  // namespace meshaudit::arrangement
