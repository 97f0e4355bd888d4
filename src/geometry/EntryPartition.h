// The in-place split of a node's entries around a value on one axis: the
// first step of splitting a node of the bounding-box trees.
#pragma once

#include <cstdint>
#include <utility>

namespace meshaudit {

// Partitions entries[first..last] in place around `split`, Hoare style, and
// returns the start of the right part: i runs up over entries whose centre is
// smaller than the split, j runs down over the others, the entries where both
// stop are swapped, and this repeats until i >= j. An entry that i and j both
// reach after a swap is left where it is and counts to the right part, so the
// partition is not always tight; the exact rule matters because it fixes the
// shape of the tree.
//
// The outcome is a sequence of swaps that pair the k-th misplaced entry from
// the left with the k-th misplaced entry from the right. While the unscanned
// middle is wide, those entries are found a block at a time without a branch
// per entry (block partitioning, after Edelkamp and Weiss), and swapped in the
// same pairs; the scalar loop then finishes the narrow middle, resuming where
// the scalar scans would stand. Blocks are only taken while the two blocks
// are at least two entries apart, so no swap made by blocks can leave i and j
// meeting.
//
// Traits::Centre<A>(entry) gives the value compared with the split.
template <typename Traits, int A, typename Entry>
int64_t Partition(Entry* e, int64_t first, int64_t last, double split)
{
    constexpr int kBlock = 32;
    int64_t lp = first;  // the unscanned middle is lp..rp, less the pending
    int64_t rp = last;   // offsets of a block that is not used up
    uint8_t offL[kBlock];
    uint8_t offR[kBlock];
    int numL = 0;
    int numR = 0;
    int startL = 0;
    int startR = 0;
    while (rp - lp + 1 >= 2 * kBlock + 2) {
        if (numL == 0) {
            startL = 0;
            for (int k = 0; k < kBlock; ++k) {
                offL[numL] = static_cast<uint8_t>(k);
                numL += !(Traits::template Centre<A>(e[lp + k]) < split);
            }
        }
        if (numR == 0) {
            startR = 0;
            for (int k = 0; k < kBlock; ++k) {
                offR[numR] = static_cast<uint8_t>(k);
                numR += Traits::template Centre<A>(e[rp - k]) < split;
            }
        }
        const int num = numL < numR ? numL : numR;
        for (int k = 0; k < num; ++k) {
            std::swap(e[lp + offL[startL + k]], e[rp - offR[startR + k]]);
        }
        numL -= num;
        numR -= num;
        startL += num;
        startR += num;
        if (numL == 0) {
            lp += kBlock;
        }
        if (numR == 0) {
            rp -= kBlock;
        }
    }
    int64_t i = numL > 0 ? lp + offL[startL] : lp;
    int64_t j = numR > 0 ? rp - offR[startR] : rp;
    do {
        while (i <= j && Traits::template Centre<A>(e[i]) < split) {
            ++i;
        }
        while (i <= j && !(Traits::template Centre<A>(e[j]) < split)) {
            --j;
        }
        if (i < j) {
            std::swap(e[i], e[j]);
            ++i;
            --j;
        }
    } while (i < j);
    return i;
}

}  // namespace meshaudit
