// Duplicate counting on keys of two or three unsigned 32-bit values (point
// indices, or point ranks standing for coordinates): the keys are packed
// into 64-bit integers wherever they fit (a little wider, split into
// buckets by the bits beyond), radix sorted, and each run of equal keys is
// one key with its number of occurrences. The values of a key
// arrive in the canonical order the caller gives them; keys compare
// lexicographically on them, which packing with the first value highest
// preserves.
#pragma once

#include "containers/CountDuplicates.h"
#include "containers/Memory.h"
#include "containers/RadixSort.h"
#include "containers/SortedRuns.h"

#include <cstdint>
#include <type_traits>

namespace meshaudit {

// What a key function says about one item.
enum class TupleKey {
    Skip,    // the item has no key and is left out
    Use,     // the key was filled
    HasNaN,  // the key would hold a NaN: nothing can be counted this way
};

namespace detail {

// Members and classes of the runs of equal values in a sorted array.
template <typename Record, typename Equal>
void SumRuns(const Record* sorted, uint32_t n, Equal equal, uint32_t& members, uint32_t& classes)
{
    uint32_t runMembers = 0;
    uint32_t runClasses = 0;
    uint32_t first = 0;
    while (first < n) {
        uint32_t end = first + 1;
        while (end < n && equal(sorted[first], sorted[end])) {
            ++end;
        }
        if (end - first > 1) {
            ++runClasses;
            runMembers += end - first;
        }
        first = end;
    }
    members = runMembers;
    classes = runClasses;
}

// Number of bits needed for values up to `v`.
inline uint32_t BitWidth(uint32_t v)
{
    uint32_t bits = 0;
    while (v != 0) {
        ++bits;
        v >>= 1;
    }
    return bits;
}

struct WideKey {
    uint64_t high;  // first and second value
    uint64_t low;   // third value
};

// Collects the key of every item that has one: `keyOf(i, key)` fills key
// and says whether to use it (TupleKey). The keys share one block with the
// radix sort's scratch (2 * itemCount records, keys first). Null, with
// `outcome` saying why, when the block cannot be had or a key has a NaN.
template <typename Key, typename KeyOf>
Key* CollectKeys(uint32_t itemCount, KeyOf keyOf, uint32_t& n, SortedRunsOutcome& outcome)
{
    Key* keys = AllocateArray<Key>(2 * uint64_t{itemCount});
    if (keys == nullptr) {
        outcome = SortedRunsOutcome::OutOfMemory;
        return nullptr;
    }
    n = 0;
    for (uint32_t i = 0; i < itemCount; ++i) {
        Key key{};
        const TupleKey use = keyOf(i, key);
        if (use == TupleKey::HasNaN) {
            Free(keys);
            outcome = SortedRunsOutcome::HasNaN;
            return nullptr;
        }
        if (use == TupleKey::Use) {
            keys[n++] = key;
        }
    }
    outcome = SortedRunsOutcome::Counted;
    return keys;
}

// Marks, in firstOf, the items of every run of two or more equal records of
// a sorted array with their run's first item (the smallest index: the sort
// keeps equal records in item order), and every other item with kNoClass.
// Items without a key must have been marked kNoClass before.
template <typename Record, typename Equal>
void MarkRuns(const Record* sorted, uint32_t n, Equal equal, uint32_t* firstOf)
{
    uint32_t first = 0;
    while (first < n) {
        uint32_t end = first + 1;
        while (end < n && equal(sorted[first], sorted[end])) {
            ++end;
        }
        const uint32_t head = end - first > 1 ? sorted[first].index : kNoClass;
        for (uint32_t k = first; k < end; ++k) {
            firstOf[sorted[k].index] = head;
        }
        first = end;
    }
}

// A packed key with its item, for the counts that also give the classes.
struct IndexedKey {
    uint64_t key;
    uint32_t index;
    uint32_t pad;
};

struct IndexedWideKey {
    uint64_t high;
    uint64_t low;
    uint32_t index;
    uint32_t pad;
};

// The count of CountPackedKeys below with each key's item kept beside it:
// `packedOf(i, key)` packs item i's key (a TupleKey as CollectKeys takes).
// Fills firstOf as MarkRuns does.
template <typename PackedOf>
SortedRunsOutcome CountIndexedKeys(uint32_t itemCount, PackedOf packedOf, uint32_t& members,
                                   uint32_t& classes, uint32_t* firstOf)
{
    uint32_t n = 0;
    SortedRunsOutcome outcome = SortedRunsOutcome::Counted;
    IndexedKey* keys = CollectKeys<IndexedKey>(
        itemCount,
        [&](uint32_t i, IndexedKey& record) {
            firstOf[i] = kNoClass;
            record.index = i;
            return packedOf(i, record.key);
        },
        n, outcome);
    if (keys == nullptr) {
        return outcome;
    }
    const IndexedKey* sorted =
        RadixSort(keys, keys + itemCount, n, [](const IndexedKey& r) { return r.key; });
    const auto equal = [](const IndexedKey& x, const IndexedKey& y) { return x.key == y.key; };
    SumRuns(sorted, n, equal, members, classes);
    MarkRuns(sorted, n, equal, firstOf);
    Free(keys);
    return SortedRunsOutcome::Counted;
}

// Sorts n packed keys (scratch behind them), sums their runs, frees them.
inline void CountPackedKeys(uint64_t* keys, uint32_t n, uint32_t itemCount, uint32_t& members,
                            uint32_t& classes)
{
    const uint64_t* sorted = RadixSort(keys, keys + itemCount, n, [](uint64_t k) { return k; });
    SumRuns(sorted, n, [](uint64_t x, uint64_t y) { return x == y; }, members, classes);
    Free(keys);
}

}  // namespace detail

// Counts the duplicates among the keys `pairOf(i, first, second)` gives for
// i = 0 .. itemCount-1, every value at most `maxValue`. Sums untouched
// unless the outcome is Counted. Unless `firstOf` is null, firstOf[i]
// becomes the first item of item i's class, or kNoClass; that count keeps
// each key's item beside it, in twice the memory.
template <typename PairOf>
SortedRunsOutcome CountPairDuplicates(uint32_t itemCount, uint32_t maxValue, PairOf pairOf,
                                      uint32_t& members, uint32_t& classes,
                                      uint32_t* firstOf = nullptr)
{
    // Two values side by side, as narrow as they allow: fewer radix passes.
    const uint32_t bits = detail::BitWidth(maxValue);
    const auto packedOf = [&](uint32_t i, uint64_t& key) {
        uint32_t a = 0;
        uint32_t b = 0;
        const TupleKey use = pairOf(i, a, b);
        key = (uint64_t{a} << bits) | b;
        return use;
    };
    if (firstOf != nullptr) {
        return detail::CountIndexedKeys(itemCount, packedOf, members, classes, firstOf);
    }
    uint32_t n = 0;
    SortedRunsOutcome outcome = SortedRunsOutcome::Counted;
    uint64_t* keys = detail::CollectKeys<uint64_t>(itemCount, packedOf, n, outcome);
    if (keys != nullptr) {
        detail::CountPackedKeys(keys, n, itemCount, members, classes);
    }
    return outcome;
}

// The triple count for values too wide to pack into one integer: keys of
// two integers, sorted by the third value, then (stably) by the first two.
// Record is WideKey, or IndexedWideKey to fill firstOf as MarkRuns does.
template <typename Record, typename TripleOf>
SortedRunsOutcome CountWideTriples(uint32_t itemCount, TripleOf tripleOf, uint32_t& members,
                                   uint32_t& classes, uint32_t* firstOf)
{
    uint32_t n = 0;
    SortedRunsOutcome outcome = SortedRunsOutcome::Counted;
    Record* keys = detail::CollectKeys<Record>(
        itemCount,
        [&](uint32_t i, Record& key) {
            uint32_t a = 0;
            uint32_t b = 0;
            uint32_t c = 0;
            const TupleKey use = tripleOf(i, a, b, c);
            key.high = (uint64_t{a} << 32) | b;
            key.low = c;
            if constexpr (!std::is_same_v<Record, detail::WideKey>) {
                key.index = i;
                firstOf[i] = kNoClass;
            }
            return use;
        },
        n, outcome);
    if (keys == nullptr) {
        return outcome;
    }
    Record* scratch = keys + itemCount;
    Record* byLow = RadixSort(keys, scratch, n, [](const Record& k) { return k.low; });
    Record* other = byLow == keys ? scratch : keys;
    const Record* sorted = RadixSort(byLow, other, n, [](const Record& k) { return k.high; });
    const auto equal = [](const Record& x, const Record& y) {
        return x.high == y.high && x.low == y.low;
    };
    detail::SumRuns(sorted, n, equal, members, classes);
    if constexpr (!std::is_same_v<Record, detail::WideKey>) {
        detail::MarkRuns(sorted, n, equal, firstOf);
    }
    Free(keys);
    return SortedRunsOutcome::Counted;
}

namespace detail {

// The bucketed count below pays a pass over every bucket's histograms, so it
// needs buckets of a few hundred records on average, and their numbers fit
// 16 bits.
inline constexpr uint32_t kMostBucketBits = 16;
inline constexpr uint32_t kLeastRecordsPerBucket = 256;

inline uint64_t KeyOfRecord(uint64_t record)
{
    return record;
}

inline uint64_t KeyOfRecord(const IndexedKey& record)
{
    return record.key;
}

// The triple count for keys of 65 to 64 + kMostBucketBits bits. The bits
// beyond one integer are the top of the first value: they put each item in
// a bucket, in item order, and each bucket's records, holding the other 64
// bits, are sorted and counted on their own. Equal keys share a bucket, so
// the runs are those of one sort of whole keys, and a run's first record is
// still its smallest item. Against keys of two integers this takes half the
// memory and fewer passes over records half as wide.
// Record is uint64_t, or IndexedKey to fill firstOf as MarkRuns does.
template <typename Record, typename TripleOf>
SortedRunsOutcome CountBucketedTriples(uint32_t itemCount, uint32_t bits, TripleOf tripleOf,
                                       uint32_t& members, uint32_t& classes, uint32_t* firstOf)
{
    const uint32_t lowShift = 64 - 2 * bits;  // the first value's bits below its bucket's
    const uint32_t bucketCount = uint32_t{1} << (3 * bits - 64);
    // One block: the records, the sort's scratch, the bucket ends, and each
    // record's bucket.
    const uint64_t recordBytes = 2 * uint64_t{itemCount} * sizeof(Record);
    auto* block = AllocateArray<unsigned char>(recordBytes + 4 * uint64_t{bucketCount} +
                                               2 * uint64_t{itemCount});
    if (block == nullptr) {
        return SortedRunsOutcome::OutOfMemory;
    }
    Record* keys = reinterpret_cast<Record*>(block);
    Record* scratch = keys + itemCount;
    uint32_t* ends = reinterpret_cast<uint32_t*>(block + recordBytes);
    uint16_t* bucketOf = reinterpret_cast<uint16_t*>(ends + bucketCount);
    for (uint32_t b = 0; b < bucketCount; ++b) {
        ends[b] = 0;
    }
    uint32_t n = 0;
    for (uint32_t i = 0; i < itemCount; ++i) {
        uint32_t a = 0;
        uint32_t b = 0;
        uint32_t c = 0;
        const TupleKey use = tripleOf(i, a, b, c);
        if constexpr (!std::is_same_v<Record, uint64_t>) {
            firstOf[i] = kNoClass;
        }
        if (use == TupleKey::HasNaN) {
            Free(block);
            return SortedRunsOutcome::HasNaN;
        }
        if (use == TupleKey::Use) {
            const uint64_t low = (uint64_t{a} << (2 * bits)) | (uint64_t{b} << bits) | c;
            if constexpr (std::is_same_v<Record, uint64_t>) {
                keys[n] = low;
            } else {
                keys[n] = IndexedKey{low, i, 0};
            }
            bucketOf[n] = static_cast<uint16_t>(a >> lowShift);
            ++ends[bucketOf[n]];
            ++n;
        }
    }
    uint32_t start = 0;
    for (uint32_t b = 0; b < bucketCount; ++b) {
        const uint32_t size = ends[b];
        ends[b] = start;
        start += size;
    }
    for (uint32_t k = 0; k < n; ++k) {
        scratch[ends[bucketOf[k]]++] = keys[k];
    }
    // Each bucket now ends where the next begins.
    const auto equal = [](const Record& x, const Record& y) {
        return KeyOfRecord(x) == KeyOfRecord(y);
    };
    members = 0;
    classes = 0;
    uint32_t begin = 0;
    for (uint32_t b = 0; b < bucketCount; ++b) {
        const uint32_t size = ends[b] - begin;
        if (size > 1) {
            const Record* sorted = RadixSort(scratch + begin, keys + begin, size,
                                             [](const Record& r) { return KeyOfRecord(r); });
            uint32_t runMembers = 0;
            uint32_t runClasses = 0;
            SumRuns(sorted, size, equal, runMembers, runClasses);
            members += runMembers;
            classes += runClasses;
            if constexpr (!std::is_same_v<Record, uint64_t>) {
                MarkRuns(sorted, size, equal, firstOf);
            }
        }
        begin = ends[b];
    }
    Free(block);
    return SortedRunsOutcome::Counted;
}

}  // namespace detail

// Counts the duplicates among the keys `tripleOf(i, first, second, third)`
// gives for i = 0 .. itemCount-1, every value at most `maxValue`. Sums
// untouched unless the outcome is Counted. firstOf as for
// CountPairDuplicates.
template <typename TripleOf>
SortedRunsOutcome CountTripleDuplicates(uint32_t itemCount, uint32_t maxValue, TripleOf tripleOf,
                                        uint32_t& members, uint32_t& classes,
                                        uint32_t* firstOf = nullptr)
{
    const uint32_t bits = detail::BitWidth(maxValue);
    uint32_t n = 0;
    SortedRunsOutcome outcome = SortedRunsOutcome::Counted;
    if (3 * bits <= 64) {
        // Three values side by side in one integer.
        const auto packedOf = [&](uint32_t i, uint64_t& key) {
            uint32_t a = 0;
            uint32_t b = 0;
            uint32_t c = 0;
            const TupleKey use = tripleOf(i, a, b, c);
            key = (((uint64_t{a} << bits) | b) << bits) | c;
            return use;
        };
        if (firstOf != nullptr) {
            return detail::CountIndexedKeys(itemCount, packedOf, members, classes, firstOf);
        }
        uint64_t* keys = detail::CollectKeys<uint64_t>(itemCount, packedOf, n, outcome);
        if (keys != nullptr) {
            detail::CountPackedKeys(keys, n, itemCount, members, classes);
        }
        return outcome;
    }
    // Too wide for one integer: in buckets by the bits beyond it, or where
    // that would make too many buckets, sorted by the third value, then
    // (stably) by the first two.
    const uint32_t topBits = 3 * bits - 64;
    if (topBits <= detail::kMostBucketBits &&
        (uint64_t{itemCount} >> topBits) >= detail::kLeastRecordsPerBucket) {
        if (firstOf != nullptr) {
            return detail::CountBucketedTriples<detail::IndexedKey>(itemCount, bits, tripleOf,
                                                                    members, classes, firstOf);
        }
        return detail::CountBucketedTriples<uint64_t>(itemCount, bits, tripleOf, members, classes,
                                                      nullptr);
    }
    if (firstOf != nullptr) {
        return CountWideTriples<detail::IndexedWideKey>(itemCount, tripleOf, members, classes,
                                                        firstOf);
    }
    return CountWideTriples<detail::WideKey>(itemCount, tripleOf, members, classes, nullptr);
}

}  // namespace meshaudit
