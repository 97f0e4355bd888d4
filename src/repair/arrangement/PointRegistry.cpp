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

ExactPoint PointRegistry::NewPoint(uint32_t k) const
{
    const PackedPoint& packed = Packed(k);
    ExactPoint p;
    std::memcpy(p.rounded, packed.rounded, sizeof p.rounded);
    p.input = packed.input;
    p.id = kNoId;
    std::memcpy(p.lines, packed.lines, sizeof p.lines);
    std::memcpy(p.plane, packed.plane, sizeof p.plane);
    const uint32_t* limbs = limbs_[packed.limbChunk].data() + packed.firstLimb;
    Dyadic* coordinates[4] = {&p.x[0], &p.x[1], &p.x[2], &p.w};
    for (int c = 0; c < 4; ++c) {
        coordinates[c]->mantissa = BigInt::FromLimbs(limbs, packed.limbCount[c], ((packed.negative >> c) & 1) != 0);
        coordinates[c]->exponent = packed.exponent[c];
        limbs += packed.limbCount[c];
    }
    return p;
}

uint32_t PointRegistry::Add(const ExactPoint& p)
{
    if (p.id != kNoId) {
        return p.id;
    }
    const bool recipe = !p.input && p.plane[0] != kNoId && p.lines[0][0] != kNoId;
    const RecipeKey recipeKey{{p.lines[0][0], p.lines[0][1], p.plane[0], p.plane[1], p.plane[2]}};
    const uint32_t id = AddByValue(p);
    if (recipe) {
        recipes_.Emplace(recipeKey, id);
    }
    return id;
}

void PointRegistry::Keep(const ExactPoint& p)
{
    const Dyadic* coordinates[4] = {&p.x[0], &p.x[1], &p.x[2], &p.w};
    size_t limbCount = 0;
    for (const Dyadic* c : coordinates) {
        limbCount += c->mantissa.LimbCount();
    }
    if (limbs_.empty() || limbs_.back().capacity() - limbs_.back().size() < limbCount) {
        limbs_.emplace_back();
        limbs_.back().reserve(std::max(kLimbChunk, limbCount));
    }
    if (newCount_ % kChunk == 0) {
        newPoints_.emplace_back();
        newPoints_.back().reserve(kChunk);
    }
    WorkArray<uint32_t>& chunk = limbs_.back();
    PackedPoint packed{};
    std::memcpy(packed.rounded, p.rounded, sizeof packed.rounded);
    std::memcpy(packed.lines, p.lines, sizeof packed.lines);
    std::memcpy(packed.plane, p.plane, sizeof packed.plane);
    packed.limbChunk = static_cast<uint32_t>(limbs_.size() - 1);
    packed.firstLimb = static_cast<uint32_t>(chunk.size());
    packed.input = p.input;
    for (int c = 0; c < 4; ++c) {
        const BigInt& mantissa = coordinates[c]->mantissa;
        packed.exponent[c] = coordinates[c]->exponent;
        packed.limbCount[c] = static_cast<uint32_t>(mantissa.LimbCount());
        packed.negative |= static_cast<uint8_t>(mantissa.IsNegative() ? 1u << c : 0u);
        chunk.insert(chunk.end(), mantissa.LimbData(), mantissa.LimbData() + mantissa.LimbCount());
    }
    newPoints_.back().push_back(packed);
    ++newCount_;
}

uint32_t PointRegistry::AddByValue(const ExactPoint& p)
{
    const PlaceKey key = PlaceKey::Of(p.rounded);
    const auto [held, added] = first_.Emplace(key, inputCount_ + newCount_);
    if (added) {
        Keep(p);
        return held;
    }
    uint32_t id = held;
    for (;;) {
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
    Keep(p);
    return created;
}

}  // namespace meshaudit::arrangement
