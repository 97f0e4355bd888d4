// Every pair of boxes that are not apart, among n boxes, in
// O(n log^3 n + k) for k such pairs, whatever the boxes' shapes: a segment
// tree built on the fly, one dimension after the other.
//
// A tree of boxes walked against itself visits every pair of nodes whose
// boxes meet, and where many large flat triangles nest (boxes in boxes,
// shells in shells) nearly every node's box meets nearly every other's
// although few entry boxes do: the walk turns quadratic. The pair searches
// hand over to this sweep when the walk runs long (IntersectingPairs.cpp).
//
// Two boxes a, b are apart on an axis when b.min > a.max or a.min > b.max;
// otherwise they meet on it, and they meet when they meet on all three. On
// one axis, meeting boxes have exactly one "contains" relation: a contains
// b when b.min lies in a's range, (a.min, a.max] with ties of min broken by
// position (a.min == b.min and a before b). Keys make that one comparison:
// a box's low key is its min and its position, its high key its max and the
// largest position, each a 64-bit integer ordered as the pairs are.
//
// On axis d, boxes in the role of intervals are laid on the sorted low keys
// of boxes in the role of points, halved at their median: an interval that
// spans a whole half contains every point in it, and those pairs are then
// sorted out on the axes below with both roles tried (exactly one contains
// the other there), down to axis 0, where spanning means meeting on every
// axis: each such pair is reported, one by one. Each unordered pair is found
// once: the first axis decides which box is the interval, and the half on
// the point's path where the interval first spans is unique.
#pragma once

#include "containers/BitCast.h"
#include "containers/Memory.h"
#include "geometry/TriAabbTree.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace meshaudit {

namespace box_sweep_detail {

// A float's order as an unsigned integer; -0.0 is taken as +0.0, the two
// being equal for the comparisons that decide apart boxes.
inline uint32_t OrderedBits(float f)
{
    const float g = f == 0.0f ? 0.0f : f;
    const auto u = BitCast<uint32_t>(g);
    return (u & 0x80000000u) != 0 ? ~u : (u | 0x80000000u);
}

struct Keys {
    uint64_t low[3];   // (min, position): exclusive lower end as an interval; a point's place
    uint64_t high[3];  // (max, all ones): inclusive upper end as an interval
};

inline bool Contains(const Keys& i, const Keys& p, int d)
{
    return i.low[d] < p.low[d] && p.low[d] <= i.high[d];
}

inline bool Meet(const Keys& a, const Keys& b, int d)
{
    return Contains(a, b, d) || Contains(b, a, d);
}

// Below this many intervals or points, a scan along axis 0 takes over.
inline constexpr uint32_t kScanBelow = 16;

// A stack of uint32_t arrays on the allocation seam, in blocks that are
// kept until the end: the recursion takes an array per level and gives it
// back in the reverse order.
class Scratch {
public:
    ~Scratch()
    {
        for (uint32_t k = 0; k < blockCount_; ++k) {
            Free(blocks_[k].data);
        }
    }
    // Room for n values, or null.
    uint32_t* Take(uint64_t n)
    {
        while (current_ < blockCount_ && blocks_[current_].size - blocks_[current_].used < n) {
            ++current_;
        }
        if (depth_ == kMaxDepth) {
            return nullptr;
        }
        if (current_ == blockCount_) {
            if (blockCount_ == kMaxBlocks) {
                return nullptr;
            }
            const uint64_t size = std::max<uint64_t>(n, blockCount_ == 0 ? uint64_t{1} << 16 : blocks_[blockCount_ - 1].size * 2);
            uint32_t* data = AllocateArray<uint32_t>(size);
            if (data == nullptr) {
                return nullptr;
            }
            blocks_[blockCount_++] = Block{data, size, 0};
        }
        Block& b = blocks_[current_];
        uint32_t* at = b.data + b.used;
        b.used += n;
        marks_[depth_++] = Mark{current_, n};
        return at;
    }
    // Gives back the last array taken (Take succeeded).
    void Give()
    {
        const Mark m = marks_[--depth_];
        blocks_[m.block].used -= m.size;
        current_ = m.block;
    }

private:
    struct Block {
        uint32_t* data;
        uint64_t size;
        uint64_t used;
    };
    struct Mark {
        uint32_t block;
        uint64_t size;
    };
    static constexpr uint32_t kMaxBlocks = 40;
    static constexpr uint32_t kMaxDepth = 1024;
    Block blocks_[kMaxBlocks] = {};
    Mark marks_[kMaxDepth] = {};
    uint32_t blockCount_ = 0;
    uint32_t current_ = 0;
    uint32_t depth_ = 0;
};

enum class Outcome { Completed, Stopped, OutOfMemory };

template <typename OnPair>
class Sweep {
public:
    Sweep(const Keys* keys, const OnPair& onPair) : keys_(keys), onPair_(onPair) {}

    // Pairs of an interval of I[0..ni) and a point of P[0..np) that meet,
    // given that every such pair meets on the axes above d and every point
    // lies in (lo, hi] on axis d. P is reordered.
    Outcome Run(const uint32_t* I, uint32_t ni, uint32_t* P, uint32_t np, uint64_t lo, uint64_t hi, int d)
    {
        if (ni == 0 || np == 0) {
            return Outcome::Completed;
        }
        if (ni < kScanBelow || np < kScanBelow) {
            return Scan(I, ni, P, np, d);
        }
        // The intervals spanning (lo, hi] contain every point here.
        uint32_t* spanning = scratch_.Take(ni);
        if (spanning == nullptr) {
            return Outcome::OutOfMemory;
        }
        uint32_t ns = 0;
        for (uint32_t k = 0; k < ni; ++k) {
            const Keys& i = keys_[I[k]];
            spanning[ns] = I[k];
            ns += static_cast<uint32_t>(i.low[d] <= lo && hi <= i.high[d]);
        }
        Outcome outcome = Outcome::Completed;
        if (ns != 0) {
            if (d == 0) {
                outcome = ReportAll(spanning, ns, P, np);
            } else {
                outcome = Run(spanning, ns, P, np, 0, ~uint64_t{0}, d - 1);
                if (outcome == Outcome::Completed) {
                    outcome = Run(P, np, spanning, ns, 0, ~uint64_t{0}, d - 1);
                }
            }
        }
        if (outcome == Outcome::Completed) {
            outcome = Halves(I, ni, P, np, lo, hi, d);
        }
        scratch_.Give();
        return outcome;
    }

private:
    // The points split at their median low key; each half with the
    // intervals that reach into it and do not span all of (lo, hi].
    Outcome Halves(const uint32_t* I, uint32_t ni, uint32_t* P, uint32_t np, uint64_t lo, uint64_t hi, int d)
    {
        const uint32_t half = np / 2;
        std::nth_element(P, P + half - 1, P + np,
                         [this, d](uint32_t a, uint32_t b) { return keys_[a].low[d] < keys_[b].low[d]; });
        const uint64_t mid = keys_[P[half - 1]].low[d];
        uint32_t* side = scratch_.Take(ni);
        if (side == nullptr) {
            return Outcome::OutOfMemory;
        }
        Outcome outcome = Outcome::Completed;
        for (int right = 0; right < 2 && outcome == Outcome::Completed; ++right) {
            const uint64_t from = right ? mid : lo;
            const uint64_t to = right ? hi : mid;
            uint32_t n = 0;
            for (uint32_t k = 0; k < ni; ++k) {
                const Keys& i = keys_[I[k]];
                const bool spans = i.low[d] <= lo && hi <= i.high[d];
                side[n] = I[k];
                n += static_cast<uint32_t>(!spans && i.low[d] < to && i.high[d] > from);
            }
            outcome = right ? Run(side, n, P + half, np - half, mid, hi, d) : Run(side, n, P, half, lo, mid, d);
        }
        scratch_.Give();
        return outcome;
    }

    // Both lists sorted on axis 0 and merged: each box in turn is compared
    // with the boxes of the other list whose low keys follow its own within
    // its range there, so every pair that meets on axis 0 is compared once,
    // from the one with the lower key; then the containment on axis d (the
    // interval's role) and the meeting on the axes between are checked.
    Outcome Scan(const uint32_t* I, uint32_t ni, uint32_t* P, uint32_t np, int d)
    {
        uint32_t* sorted = scratch_.Take(ni);
        if (sorted == nullptr) {
            return Outcome::OutOfMemory;
        }
        std::memcpy(sorted, I, sizeof(uint32_t) * ni);
        const auto byLow = [this](uint32_t a, uint32_t b) { return keys_[a].low[0] < keys_[b].low[0]; };
        std::sort(sorted, sorted + ni, byLow);
        std::sort(P, P + np, byLow);
        Outcome outcome = Outcome::Completed;
        uint32_t a = 0;
        uint32_t b = 0;
        while (a < ni && b < np && outcome == Outcome::Completed) {
            const bool intervalFirst = keys_[sorted[a]].low[0] < keys_[P[b]].low[0];
            const uint32_t* other = intervalFirst ? P : sorted;
            const uint32_t from = intervalFirst ? b : a;
            const uint32_t end = intervalFirst ? np : ni;
            const uint32_t box = intervalFirst ? sorted[a++] : P[b++];
            const uint64_t high = keys_[box].high[0];
            for (uint32_t k = from; k < end && keys_[other[k]].low[0] <= high; ++k) {
                const uint32_t i = intervalFirst ? box : other[k];
                const uint32_t p = intervalFirst ? other[k] : box;
                if (Report(i, p, d)) {
                    outcome = Outcome::Stopped;
                    break;
                }
            }
        }
        scratch_.Give();
        return outcome;
    }

    // Whether to stop, after reporting the pair if interval i contains
    // point p on axis d and the two meet on the axes from 1 to d - 1 (axis
    // 0 is the scan's).
    bool Report(uint32_t i, uint32_t p, int d)
    {
        const Keys& ki = keys_[i];
        const Keys& kp = keys_[p];
        bool meet = d == 0 ? Contains(ki, kp, 0) : Contains(ki, kp, d);
        for (int e = 1; e < d; ++e) {
            meet = meet && Meet(ki, kp, e);
        }
        return meet && onPair_(i, p);
    }

    Outcome ReportAll(const uint32_t* I, uint32_t ni, const uint32_t* P, uint32_t np)
    {
        for (uint32_t a = 0; a < ni; ++a) {
            for (uint32_t b = 0; b < np; ++b) {
                if (onPair_(I[a], P[b])) {
                    return Outcome::Stopped;
                }
            }
        }
        return Outcome::Completed;
    }

    const Keys* keys_;
    const OnPair& onPair_;
    Scratch scratch_;
};

}  // namespace box_sweep_detail

// Calls onPair(i, j) once for every unordered pair i != j of positions in
// `boxes` (count of them) whose boxes are not apart, in no particular order
// but always the same for the same boxes; onPair returns true to stop.
// Returns 1 when all were reported, 0 when onPair stopped it, -1 when memory
// ran out (some pairs may have been reported). Boxes must hold no NaN.
template <typename OnPair>
int ForEachMeetingBoxPair(const FloatBox* boxes, uint32_t count, const OnPair& onPair)
{
    using namespace box_sweep_detail;
    if (count < 2) {
        return 1;
    }
    Keys* keys = AllocateArray<Keys>(count);
    uint32_t* intervals = AllocateArray<uint32_t>(count);
    uint32_t* points = AllocateArray<uint32_t>(count);
    int result = -1;
    if (keys != nullptr && intervals != nullptr && points != nullptr) {
        for (uint32_t k = 0; k < count; ++k) {
            const FloatBox& b = boxes[k];
            const float mins[3] = {b.minX, b.minY, b.minZ};
            const float maxs[3] = {b.maxX, b.maxY, b.maxZ};
            for (int d = 0; d < 3; ++d) {
                keys[k].low[d] = (uint64_t{OrderedBits(mins[d])} << 32) | k;
                keys[k].high[d] = (uint64_t{OrderedBits(maxs[d])} << 32) | 0xFFFFFFFFu;
            }
            intervals[k] = k;
            points[k] = k;
        }
        Sweep<OnPair> sweep(keys, onPair);
        switch (sweep.Run(intervals, count, points, count, 0, ~uint64_t{0}, 2)) {
        case Outcome::Completed:
            result = 1;
            break;
        case Outcome::Stopped:
            result = 0;
            break;
        default:
            result = -1;
        }
    }
    Free(keys);
    Free(intervals);
    Free(points);
    return result;
}

}  // namespace meshaudit
