#include "geometry/ModerateRange.h"

#include "containers/BitCast.h"
#include "geometry/Predicates.h"

#include <cstdint>

namespace meshaudit {

namespace {

// Whether the `count` doubles from `c` on are moderate. The size of a
// double orders as the bits of its absolute value do, NaN above infinity.
// Zero is taken as 2^-200; the largest and the smallest size then tell,
// found without a branch.
bool ModerateRun(const double* c, int count)
{
    constexpr uint64_t kSign = uint64_t{1} << 63;
    const uint64_t low = BitCast<uint64_t>(0x1p-200);
    const uint64_t high = BitCast<uint64_t>(0x1p200);
    uint64_t largest = 0;
    uint64_t smallest = high;
    for (int k = 0; k < count; ++k) {
        uint64_t size = BitCast<uint64_t>(c[k]) & ~kSign;
        size = size == 0 ? low : size;
        largest = size > largest ? size : largest;
        smallest = size < smallest ? size : smallest;
    }
    return largest <= high && smallest >= low;
}

}  // namespace

bool ModeratePoint(const T3DVECF& p)
{
    return ModerateRun(Coordinates(p), 3);
}

bool Moderate(const T3DVECF* t)
{
    // The nine coordinates lie one after the other.
    return ModerateRun(Coordinates(t[0]), 9);
}

}  // namespace meshaudit
