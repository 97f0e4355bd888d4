// One list of located elements: the points, edges, triangles or pairs that a
// quantity counted, in the order its analysis met them. An entry is `arity`
// numbers (a point or triangle index; an edge's two points; a triangle pair;
// an element and its class). Every entry added is counted in the total, but
// only the first `cap` are kept, so a list never grows past what the caller
// asked for; its storage grows through the allocation seam.
#pragma once

#include <cstdint>

namespace meshaudit {

class LocationList {
public:
    LocationList() = default;
    ~LocationList();
    LocationList(const LocationList&) = delete;
    LocationList& operator=(const LocationList&) = delete;

    // Empties the list and sets its entry size (1 to 3) and its cap on kept
    // entries.
    void Open(uint32_t arity, uint64_t cap);
    // Forgets the entries (an analysis that failed part way starts again).
    void Clear()
    {
        stored_ = 0;
        total_ = 0;
        sealed_ = false;
    }
    // Marks the list complete: filled by a search that another quantity's
    // step ran, which the step of this list's own quantity must keep.
    void Seal() { sealed_ = true; }
    bool Sealed() const { return sealed_; }

    void Add(uint32_t a)
    {
        const uint32_t entry[1] = {a};
        Append(entry);
    }
    void Add(uint32_t a, uint32_t b)
    {
        const uint32_t entry[2] = {a, b};
        Append(entry);
    }
    void Add(uint32_t a, uint32_t b, uint32_t c)
    {
        const uint32_t entry[3] = {a, b, c};
        Append(entry);
    }

    const uint32_t* Items() const { return items_; }
    uint64_t Stored() const { return stored_; }
    uint64_t Total() const { return total_; }
    uint32_t Arity() const { return arity_; }
    // True when room for a kept entry could not be allocated, or the
    // analysis could not get the scratch memory that listing needs.
    bool Failed() const { return failed_; }
    void MarkFailed() { failed_ = true; }

private:
    void Append(const uint32_t* entry)
    {
        ++total_;
        if (stored_ < cap_ && (stored_ < capacity_ || Grow())) {
            for (uint32_t i = 0; i < arity_; ++i) {
                items_[stored_ * arity_ + i] = entry[i];
            }
            ++stored_;
        }
    }
    bool Grow();

    uint32_t* items_ = nullptr;
    uint64_t capacity_ = 0;  // entries the storage holds
    uint64_t stored_ = 0;
    uint64_t total_ = 0;
    uint64_t cap_ = 0;
    uint32_t arity_ = 1;
    bool failed_ = false;
    bool sealed_ = false;
};

}  // namespace meshaudit
