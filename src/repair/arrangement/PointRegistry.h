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
    // entered before, else a new id (the point packed into the registry).
    uint32_t Add(const ExactPoint& p);

    // The id under which a point made as segment a b through the plane of
    // planeIds[0..2] (ids; see ExactPoint's recipe) was added before, or
    // kNoId: the same recipe is the same exact point, so a caller can skip
    // building it again.
    uint32_t Known(uint32_t a, uint32_t b, const uint32_t* planeIds) const;

    // The point of an id (made on the fly: input points from their
    // doubles, constructed ones from their packed form).
    ExactPoint Get(uint32_t id) const;

    uint32_t InputCount() const { return inputCount_; }
    // The constructed points, in id order from InputCount() on: k from 0
    // to NewPointCount() - 1; NewRounded is a point's rounded coordinates.
    uint32_t NewPointCount() const { return newCount_; }
    ExactPoint NewPoint(uint32_t k) const;
    const double* NewRounded(uint32_t k) const { return Packed(k).rounded; }

private:
    // Add for a point without an id, found by its value.
    uint32_t AddByValue(const ExactPoint& p);
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

    // A constructed point as kept: its rounded coordinates and recipe as
    // they are, and its four exact coordinates (x, y, z, w) each as the
    // exponent, sign and count of the limbs of its mantissa, the limbs
    // themselves one after another in a chunk of limbs_. An ExactPoint has
    // room for each mantissa's longest inline form, most of it unused
    // (hundreds of bytes a point); a mesh of a million triangles makes
    // about as many points, and held whole they would be the round's largest
    // block of memory.
    struct PackedPoint {
        double rounded[3];
        uint32_t lines[2][2];
        uint32_t plane[3];
        int32_t exponent[4];
        uint32_t limbCount[4];
        uint32_t limbChunk;
        uint32_t firstLimb;
        uint8_t negative;  // bit k: coordinate k's sign
        bool input;
    };
    const PackedPoint& Packed(uint32_t k) const { return newPoints_[k / kChunk][k % kChunk]; }

    const T3DVECF* points_;
    uint32_t inputCount_;
    // Constructed points in chunks of kChunk, and their limbs in chunks of
    // at least kLimbChunk: arrays that never move, where one would copy
    // everything each time it grew, into fresh pages.
    static constexpr uint32_t kChunk = 4096;
    static constexpr size_t kLimbChunk = size_t{1} << 18;
    void Keep(const ExactPoint& p);
    WorkArray<WorkArray<PackedPoint>> newPoints_;
    WorkArray<WorkArray<uint32_t>> limbs_;
    uint32_t newCount_ = 0;
    // First id entered under a key; later ones with the same key (different
    // points rounding alike) are chained through next_.
    FlatMap<PlaceKey, PlaceHash> first_;
    FlatMap<uint32_t, IdHash> next_;
    // The id of each full recipe of a point added.
    FlatMap<RecipeKey, RecipeHash> recipes_;
};

}  // namespace meshaudit::arrangement
