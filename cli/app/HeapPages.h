// The command's heap on huge pages, for a process that reads one mesh,
// works on it and ends.
#pragma once

#include <cstddef>

namespace meshaudit::cli {

// Grows the allocator's heap at once by at least `bytes` (64 MiB by
// default) and asks the system to back that new part with huge pages; the
// allocator keeps that much spare at the top of the heap from then on, so
// later growth comes in steps of that size too.
//
// Why: every 4 KiB page a process writes first costs a fault, and on the
// virtual machines the command runs on one fault costs about as much as
// reading a thousand triangles. A repair of a mesh of a few ten thousand
// triangles writes a few MiB of fresh heap, so those faults were a third of
// its time; a 2 MiB page is one fault and one clearing of 2 MiB. The heap
// grows only in address space: a page is taken from the system when first
// written, as before. Blocks above the allocator's mapping threshold (32 MiB,
// set in main) are mapped on their own and not covered; the library hints
// its largest ones itself (containers/PageHints.h).
//
// Only a hint: nothing changes when the allocator is not glibc's, the system
// has no huge pages or refuses the hint, or the heap cannot grow (the
// allocator then maps blocks as it would have). Call it once, early, before
// the large allocations; never throws.
void HeapOnHugePages(std::size_t bytes = std::size_t{64} << 20) noexcept;

}  // namespace meshaudit::cli
