// The element lists of one location request: one per quantity whose list
// was asked for, sized by the quantity's `where` column in meshaudit.h.
#pragma once

#include "analysis/LocationList.h"
#include "analysis/QuantityTable.h"
#include "meshaudit.h"

#include <cstddef>
#include <cstdint>

namespace meshaudit {

class LocationStore {
public:
    static constexpr std::size_t kLists = std::size_t{PNT_QUANTITIES} + std::size_t{EDG_QUANTITIES} +
                                          std::size_t{TRI_QUANTITIES} + std::size_t{MSH_QUANTITIES};

    // Opens the list of quantity k of each category whose bit k is set in
    // the category's mask and that has elements to list; each keeps at most
    // `cap` entries.
    void Open(const uint32_t masks[4], uint64_t cap);
    // The open list of quantity k, or null.
    LocationList* List(Category category, uint8_t k);
    const LocationList* List(Category category, uint8_t k) const;
    // Empties every open list.
    void Clear();
    // True when a list could not keep an entry for want of memory.
    bool Failed() const;

    // Numbers per entry of a quantity's list; 0 when it has none.
    static uint32_t Arity(Category category, uint8_t k);

private:
    static std::size_t Slot(Category category, uint8_t k);

    LocationList lists_[kLists];
    bool open_[kLists] = {};
};

}  // namespace meshaudit
