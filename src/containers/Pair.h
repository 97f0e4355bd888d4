// A key with a value riding along. Pairs order by their keys alone, so a
// tree of pairs finds an entry by key and lets the caller update the value
// in place (the duplicate searches keep an occurrence count there).
#pragma once

namespace meshaudit {

template <typename K, typename V>
struct CPair {
    K key;
    V value;
};

template <typename K, typename V>
inline bool operator<(const CPair<K, V>& a, const CPair<K, V>& b)
{
    return a.key < b.key;
}

}  // namespace meshaudit
