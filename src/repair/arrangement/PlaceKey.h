// A point's place as a hash key: its three coordinates' bits, -0.0 taken as
// 0.0, so that points of equal coordinates, and only they, have equal keys.
// The registry of points and the check before the arrangement both find
// points of equal coordinates by it, in time linear in their number.
#pragma once

#include "containers/Keys.h"
#include "containers/MixBits.h"

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

// Every bit of the three coordinates reaches the low bits FlatMap takes its
// slot from: points of round coordinates (a grid of halves, the corners of
// machined parts) differ in their high bits alone.
struct PlaceHash {
    size_t operator()(const PlaceKey& k) const
    {
        return static_cast<size_t>(MixBits(k.bits[0] ^ MixBits(k.bits[1] ^ MixBits(k.bits[2]))));
    }
};

}  // namespace meshaudit::arrangement
