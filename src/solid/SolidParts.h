// The steps of solids(), each in a file of its own, and what they share.
#pragma once

#include "meshaudit_solid.hpp"

#include <cstdint>
#include <vector>

namespace meshaudit::solid {

// The sides of the triangles grouped by edge: sides[first[g] .. first[g+1])
// are the sides (triangle * 3 + corner of the side's start) of edge group g,
// every group's sides on one unordered pair of distinct point indices.
struct EdgeGroups {
    std::vector<uint32_t> first;
    std::vector<uint32_t> sides;
};
EdgeGroups GroupSides(const MeshRecord& mesh);

// Shells, their border flags and each triangle's shell, into `out`.
void LabelShells(const MeshRecord& mesh, const EdgeGroups& groups, Solids& out);

// Points whose triangles form more than one fan round them.
std::vector<uint32_t> PinchedPoints(const MeshRecord& mesh, const EdgeGroups& groups);

// Depth, parent and volume sign of every closed shell, and the nested and
// inside-out lists; shells in out.shellPairs are never inside each other.
void NestShells(const MeshRecord& mesh, Solids& out);

// Pairs of different shells that cross or touch.
void PairShells(const MeshRecord& mesh, Solids& out);

// Angles, aspect ratios and skinny triangles.
void MeasureQuality(const MeshRecord& mesh, double skinnyAngle, Solids& out);

// A disjoint-set forest with path halving and union by index: the smaller
// root wins, so that a set's root is its first element.
class Forest {
public:
    explicit Forest(size_t count) : up_(count)
    {
        for (size_t i = 0; i < count; ++i) {
            up_[i] = static_cast<uint32_t>(i);
        }
    }
    uint32_t Root(uint32_t i)
    {
        while (up_[i] != i) {
            up_[i] = up_[up_[i]];
            i = up_[i];
        }
        return i;
    }
    void Join(uint32_t a, uint32_t b)
    {
        a = Root(a);
        b = Root(b);
        if (a < b) {
            up_[b] = a;
        } else if (b < a) {
            up_[a] = b;
        }
    }

private:
    std::vector<uint32_t> up_;
};

}  // namespace meshaudit::solid
