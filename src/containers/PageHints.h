// Hints to the system about how the library's large blocks will be used.
#pragma once

#include <cstddef>

namespace meshaudit {

// Large blocks come fresh from the system, and every 4 KiB page costs a
// fault on its first write; on a large mesh those faults take more time than
// the work done in the block. Asking for huge pages makes them 512 times
// fewer. Zeroed blocks get the hint too: a large calloc maps pages that are
// not touched yet, so the first write faults them in the same way. Only a
// hint: the block is used the same way whether the system follows it or not,
// and blocks under 8 MiB or a null block are left alone.
void HintHugePages(void* block, std::size_t bytes);

}  // namespace meshaudit
