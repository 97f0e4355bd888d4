// A 64-bit mix for hashing: every bit of the input reaches every bit of the
// output (the finalizer of splitmix64). Keys built from coordinates of round
// values (integers, halves, the grids of machined parts) have their low bits
// all zero, and a table that takes its slot from the low bits of a plain
// product sends them all to a few slots.
#pragma once

#include <cstdint>

namespace meshaudit {

inline uint64_t MixBits(uint64_t v)
{
    v += 0x9e3779b97f4a7c15ull;
    v = (v ^ (v >> 30)) * 0xbf58476d1ce4e5b9ull;
    v = (v ^ (v >> 27)) * 0x94d049bb133111ebull;
    return v ^ (v >> 31);
}

}  // namespace meshaudit
