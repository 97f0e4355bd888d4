#include "repair/arrangement/PointRegistry.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace meshaudit::arrangement {

PointRegistry::PointRegistry(const T3DVECF* points, uint32_t count) : points_(points), inputCount_(count)
{
    // Every input point a triangle names is entered: room for them at once,
    // rather than a dozen rehashes of a table of millions on the way.
    first_.Reserve(count);
}

size_t PointRegistry::RecipeHash::operator()(const RecipeKey& k) const
{
    uint64_t h = 0;
    for (uint32_t v : k.ids) {
        h = (h ^ v) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 29;
    }
    return static_cast<size_t>(h);
}

uint32_t PointRegistry::Known(uint32_t a, uint32_t b, const uint32_t* planeIds) const
{
    if (recipes_.Size() == 0) {
        return kNoId;
    }
    // The normal form of ExactPoint's recipe (SetRecipe): both parts
    // sorted, built here without a point to hold it.
    if (a == kNoId || b == kNoId || a == b || planeIds == nullptr || planeIds[0] == kNoId ||
        planeIds[1] == kNoId || planeIds[2] == kNoId) {
        return kNoId;
    }
    uint32_t plane[3] = {planeIds[0], planeIds[1], planeIds[2]};
    std::sort(plane, plane + 3);
    return recipes_.Find(RecipeKey{{std::min(a, b), std::max(a, b), plane[0], plane[1], plane[2]}});
}

uint32_t PointRegistry::AddInput(uint32_t id)
{
    const double* c = reinterpret_cast<const double*>(&points_[id]);
    // Input points equal exactly when their doubles do: the first one
    // entered stands for all.
    return first_.Emplace(PlaceKey::Of(c), id).first;
}

ExactPoint PointRegistry::Get(uint32_t id) const
{
    return id < inputCount_ ? InputPoint(points_[id], id) : NewPoint(id - inputCount_);
}

uint32_t PointRegistry::Add(ExactPoint p)
{
    if (p.id != kNoId) {
        return p.id;
    }
    const bool recipe = !p.input && p.plane[0] != kNoId && p.lines[0][0] != kNoId;
    const RecipeKey recipeKey{{p.lines[0][0], p.lines[0][1], p.plane[0], p.plane[1], p.plane[2]}};
    const uint32_t id = AddByValue(std::move(p));
    if (recipe) {
        recipes_.Emplace(recipeKey, id);
    }
    return id;
}

void PointRegistry::Keep(ExactPoint&& p)
{
    if (newCount_ % kChunk == 0) {
        newPoints_.emplace_back();
        newPoints_.back().reserve(kChunk);
    }
    newPoints_.back().push_back(std::move(p));
    ++newCount_;
}

uint32_t PointRegistry::AddByValue(ExactPoint p)
{
    const PlaceKey key = PlaceKey::Of(p.rounded);
    const auto [held, added] = first_.Emplace(key, inputCount_ + newCount_);
    if (added) {
        p.id = kNoId;
        Keep(std::move(p));
        return held;
    }
    uint32_t id = held;
    for (;;) {
        // A constructed point compared in place: a copy of its exact
        // coordinates would cost more than the comparison.
        if (id < inputCount_ ? SamePoint(InputPoint(points_[id], id), p) : SamePoint(NewPoint(id - inputCount_), p)) {
            return id;
        }
        const uint32_t chained = next_.Find(id);
        if (chained == kNoId) {
            break;
        }
        id = chained;
    }
    const uint32_t created = inputCount_ + newCount_;
    next_.Emplace(id, created);
    Keep(std::move(p));
    return created;
}

}  // namespace meshaudit::arrangement
