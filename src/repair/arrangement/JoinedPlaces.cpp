#include "repair/arrangement/JoinedPlaces.h"

#include "containers/FlatMap.h"
#include "repair/arrangement/PlaceKey.h"

namespace meshaudit::arrangement {

uint32_t JoinEqualPlaces(const T3DVECF* points, uint32_t pointCount, const TRIANGLE* triangles, uint32_t count,
                         WorkArray<TRIANGLE>& joined, WorkArray<uint32_t>& from)
{
    WorkArray<uint32_t> first(pointCount);
    FlatMap<PlaceKey, PlaceHash> places;
    places.Reserve(pointCount);
    for (uint32_t p = 0; p < pointCount; ++p) {
        const double place[3] = {points[p].x, points[p].y, points[p].z};
        first[p] = places.Emplace(PlaceKey::Of(place), p).first;
    }
    joined.clear();
    from.clear();
    for (uint32_t t = 0; t < count; ++t) {
        const TRIANGLE& g = triangles[t];
        const TRIANGLE j{first[g.a], first[g.b], first[g.c]};
        if (j.a != j.b && j.b != j.c && j.a != j.c) {
            joined.push_back(j);
            from.push_back(t);
        }
    }
    return count - static_cast<uint32_t>(joined.size());
}

}  // namespace meshaudit::arrangement
