// Reuse of large blocks within one call. A fresh block from the system costs
// a page fault on the first write of every page, and on a large mesh that
// costs more than the work done in the block; one call allocates and
// releases many blocks of the same few sizes (per point, per triangle), so
// keeping freed blocks for later requests spares most of those faults.
#pragma once

#include <cstddef>

namespace meshaudit {

// While at least one scope is open, large blocks that the library frees are
// kept and handed out again for later requests that they fit, instead of
// going back to the system. What is kept is bounded (see BlockReuse.cpp),
// and everything kept is released when the outermost scope closes, so
// nothing outlives a call. Outside any scope every block goes straight back.
// Scopes nest.
class BlockReuseScope {
public:
    BlockReuseScope();
    ~BlockReuseScope();
    BlockReuseScope(const BlockReuseScope&) = delete;
    BlockReuseScope& operator=(const BlockReuseScope&) = delete;
};

// The allocation seam's side of the reuse. All of them are cheap no-ops
// where reuse does not apply (no open scope, a small block, or an allocator
// that cannot tell a block's size).
namespace block_reuse {

// Whether a request of `bytes` goes through the kept blocks.
bool Applies(std::size_t bytes);

// A kept block that fits `bytes` without wasting more than half of it again,
// now counted as in use; null when there is none.
void* Take(std::size_t bytes);

// Before a fresh block of `bytes`: releases kept blocks until the blocks in
// use, the kept ones and the new one fit the bound.
void MakeRoomFor(std::size_t bytes);

// Counts a fresh block as in use.
void CountInUse(void* block);

// Takes a block that is being freed into the kept set; false when it is not
// kept (the caller then frees it).
bool Keep(void* block);

}  // namespace block_reuse

namespace memory_testing {

// Bytes of the blocks a BlockReuseScope keeps for reuse right now.
std::size_t KeptBlockBytes();

}  // namespace memory_testing

}  // namespace meshaudit
