// Sorting the few elements round one point of a mesh (six or so, for most
// points), where a call to std::sort costs more than the sort itself.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>

namespace meshaudit {

// Sorts [begin, end) by `less`: by insertion when it holds at most `most`
// elements, which keeps equal elements in their order, else by std::sort.
template <typename T, typename Less = std::less<T>>
void SortFew(T* begin, T* end, std::ptrdiff_t most, Less less = Less{})
{
    if (end - begin < 2) {
        return;  // nothing to order; begin + 1 could point past the range
    }
    if (end - begin > most) {
        std::sort(begin, end, less);
        return;
    }
    for (T* i = begin + 1; i < end; ++i) {
        const T item = *i;
        T* j = i;
        for (; j > begin && less(item, j[-1]); --j) {
            *j = j[-1];
        }
        *j = item;
    }
}

}  // namespace meshaudit
