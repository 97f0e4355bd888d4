// The points of one arrangement round, each exact point under one id: the
// input points keep theirs, and a constructed point gets the id of the
// input point or earlier constructed point it equals exactly, or a new one
// (after the input points, in order of first construction). The same point
// reached from different constructions (a triple point found from each of
// its three triangles, an edge crossing found from both edges) is thereby
// one point of the output.
//
// Equal points have equal rounded coordinates, so candidates are found by
// those (a hash table) and confirmed by exact comparison.
#pragma once

#include "containers/WorkArray.h"
#include "containers/FlatMap.h"
#include "meshaudit.h"
#include "repair/arrangement/ExactPoint.h"
#include "repair/arrangement/PlaceKey.h"

#include <cstdint>
#include <vector>

namespace meshaudit::arrangement {

class PointRegistry {
public:
    // Over `count` input points (the caller's array, which must outlive the
    // registry).
    PointRegistry(const T3DVECF* points, uint32_t count);

    // Enters input point `id` as the one point of its coordinates, unless an
    // input point of the same coordinates (0.0 and -0.0 alike) was entered
    // before; returns the id that stands for them.
    uint32_t AddInput(uint32_t id);

    // The id of an exact point: p.id when set, else that of an equal point
    // entered before, else a new id. Taken by value: a new point is moved
    // into the registry, not copied (its exact coordinates are hundreds of
    // bytes).
    uint32_t Add(ExactPoint p);

    // The id under which a point made as segment a b through the plane of
    // planeIds[0..2] (ids; see ExactPoint's recipe) was added before, or
    // kNoId: the same recipe is the same exact point, so a caller can skip
    // building it again.
    uint32_t Known(uint32_t a, uint32_t b, const uint32_t* planeIds) const;

    // The point of an id (a copy: input points are made on the fly).
    ExactPoint Get(uint32_t id) const;

    uint32_t InputCount() const { return inputCount_; }
    // The constructed points, in id order from InputCount() on: k from 0
    // to NewPointCount() - 1.
    uint32_t NewPointCount() const { return newCount_; }
    const ExactPoint& NewPoint(uint32_t k) const { return newPoints_[k / kChunk][k % kChunk]; }

private:
    // Add for a point without an id, found by its value.
    uint32_t AddByValue(ExactPoint p);
    // A segment through a plane as five sorted ids: the segment's two, then
    // the plane's three.
    struct RecipeKey {
        uint32_t ids[5];
        bool operator==(const RecipeKey& o) const
        {
            return ids[0] == o.ids[0] && ids[1] == o.ids[1] && ids[2] == o.ids[2] && ids[3] == o.ids[3] &&
                   ids[4] == o.ids[4];
        }
    };
    struct RecipeHash {
        size_t operator()(const RecipeKey& k) const;
    };

    const T3DVECF* points_;
    uint32_t inputCount_;
    // Constructed points in chunks of kChunk that never move: one array
    // would copy its big points each time it grew, into fresh pages.
    static constexpr uint32_t kChunk = 4096;
    void Keep(ExactPoint&& p);
    WorkArray<WorkArray<ExactPoint>> newPoints_;
    uint32_t newCount_ = 0;
    // First id entered under a key; later ones with the same key (different
    // points rounding alike) are chained through next_.
    FlatMap<PlaceKey, PlaceHash> first_;
    FlatMap<uint32_t, IdHash> next_;
    // The id of each full recipe of a point added.
    FlatMap<RecipeKey, RecipeHash> recipes_;
};

}  // namespace meshaudit::arrangement
