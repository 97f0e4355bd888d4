// Grouping equal points with one open-addressing hash table of group
// numbers, probed linearly; a group's key is its first point, kept in
// `firsts`. Points are visited in index order, so a new group's number is
// the next one.
#include "repair/EqualPointGroups.h"

#include "containers/Keys.h"
#include "containers/Memory.h"

#include <algorithm>
#include <cstring>

namespace meshaudit {

namespace {

constexpr uint32_t kEmptySlot = UINT32_MAX;

// How many points ahead the slot of a point is fetched.
constexpr uint32_t kLookahead = 16;

// The longest run of slots a lookup may probe. At a load of one half real
// coordinates stay far below it; coordinates crafted to share their hash
// would otherwise make the grouping quadratic.
constexpr uint32_t kMaxProbes = 128;

class GroupTable {
public:
    ~GroupTable() { Free(slots_); }

    // Room for group number `existing` (0-based) at a load of at most one
    // half. The table starts small and, when full, doubles: a mesh whose
    // points are mostly copies needs room for its distinct points only,
    // never more than `most`. The groups made so far are placed again.
    GroupingOutcome MakeRoom(uint32_t existing, uint32_t most, const T3DVECF* firsts)
    {
        if ((uint64_t{existing} + 1) * 2 <= capacity_) {
            return GroupingOutcome::Grouped;
        }
        const uint64_t groups = std::min<uint64_t>(most, uint64_t{existing} * 2 + 2048);
        uint32_t shift = 64 - 12;
        uint64_t capacity = uint64_t{1} << 12;
        while (capacity < groups * 2) {
            capacity *= 2;
            --shift;
        }
        auto* slots = AllocateArray<uint32_t>(capacity);
        if (slots == nullptr) {
            return GroupingOutcome::OutOfMemory;
        }
        std::memset(slots, 0xFF, sizeof(uint32_t) * capacity);
        Free(slots_);
        slots_ = slots;
        capacity_ = capacity;
        shift_ = shift;
        for (uint32_t g = 0; g < existing; ++g) {
            uint32_t* slot = FindSlot(firsts[g], firsts);
            if (slot == nullptr) {
                return GroupingOutcome::Crowded;
            }
            *slot = g;
        }
        return GroupingOutcome::Grouped;
    }

    // Starts fetching the first slot that FindSlot(p) will probe.
    void Prefetch(const T3DVECF& p) const { __builtin_prefetch(&slots_[PointHash(p) >> shift_]); }

    // The slot holding the group of `p`, or the empty slot where it goes;
    // null when neither lies within kMaxProbes slots.
    uint32_t* FindSlot(const T3DVECF& p, const T3DVECF* firsts)
    {
        const uint64_t mask = capacity_ - 1;
        uint64_t at = PointHash(p) >> shift_;
        for (uint32_t probes = 0; probes < kMaxProbes; ++probes) {
            if (slots_[at] == kEmptySlot || firsts[slots_[at]] == p) {
                return &slots_[at];
            }
            at = (at + 1) & mask;
        }
        return nullptr;
    }

private:
    uint32_t* slots_ = nullptr;
    uint64_t capacity_ = 0;
    uint32_t shift_ = 0;
};

}  // namespace

GroupingOutcome GroupEqualPoints(const T3DVECF* points, uint32_t count, uint32_t* groups, T3DVECF* firsts,
                                 uint32_t* sizes, uint32_t& groupCount, NewGroupCheck check, const void* context)
{
    groupCount = 0;
    GroupTable table;
    for (uint32_t i = 0; i < count; ++i) {
        const T3DVECF& p = points[i];
        if (!IsFinite(p)) {
            return GroupingOutcome::NotFinite;
        }
        const GroupingOutcome room = table.MakeRoom(groupCount, count, firsts);
        if (room != GroupingOutcome::Grouped) {
            return room;
        }
        // The slots are probed at random; fetching ahead hides most of the
        // wait.
        if (i + kLookahead < count) {
            table.Prefetch(points[i + kLookahead]);
        }
        uint32_t* slot = table.FindSlot(p, firsts);
        if (slot == nullptr) {
            return GroupingOutcome::Crowded;
        }
        if (*slot == kEmptySlot) {
            *slot = groupCount;
            firsts[groupCount] = p;
            sizes[groupCount] = 0;
            ++groupCount;
            if (check != nullptr && !check(firsts, groupCount - 1, context)) {
                return GroupingOutcome::Stopped;
            }
        }
        const uint32_t g = *slot;
        groups[i] = g;
        ++sizes[g];
    }
    return GroupingOutcome::Grouped;
}

}  // namespace meshaudit
