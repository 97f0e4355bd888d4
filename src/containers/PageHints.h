// Hints to the system about how the library's large blocks will be used.
#pragma once

#include <cstddef>

namespace meshaudit {

// Large blocks come fresh from the system, and every 4 KiB page costs a
// fault on its first write; on a large mesh those faults take more time than
// the work done in the block. Asking for huge pages makes them 512 times
// fewer, and a block read at random keeps far more of itself within reach of
// the address cache. But a huge page costs more to fault in than its 512
// small pages where the system must first find or clear 2 MiB at once, as on
// a virtual machine whose free memory goes back to its host; the system time
// of many hinted blocks of a few MiB then varies far more than it saves. So
// only blocks of 64 MiB or more are hinted: the triangle tree of a million
// triangles, and at ten million the point tree and the larger per-element
// arrays, whose random reads gain the most. A block read mostly in order
// gains less than its faults cost at that size, and takes the hint back
// (WithdrawHugePages: the triangle tree's entries beyond 256 MiB). The price
// is paid by a process that analyses mesh after mesh in memory it already
// has: its walks over neighbour lists below the bound, unhinted, miss the
// address cache more. Zeroed blocks get the hint too: a large calloc maps
// pages that are not touched yet, so the first write faults them in the same
// way. Only a hint: the block is used the same way whether the system
// follows it or not, and a null block is left alone.
void HintHugePages(void* block, std::size_t bytes);

// Takes the hint back for a block that gains less from huge pages than their
// faults cost: one written and read mostly in order, in place before its
// first write. Only a hint too.
void WithdrawHugePages(void* block, std::size_t bytes);

}  // namespace meshaudit
