#include "CommandBlocks.h"

#include <cstring>

namespace meshaudit::cli {

#define DEFAULT_FIELD(P, k, name, label, SLOT, CRIT, field, min, max, judged, enable, gate, where) \
    blocks.field = {min, max};                                                                      \
    blocks.Enable[k] = enable;
#define NOT_COMPUTED_COUNT NOT_COMPUTED
#define NOT_COMPUTED_REAL -1.0
#define NOT_COMPUTED_VALUE(P, k, name, label, SLOT, CRIT, field, min, max, judged, enable, gate, where) \
    blocks.name = NOT_COMPUTED_##SLOT;

// A category's defaults (everything zero but what its list gives, then
// `more`) and its results before anything is computed (the not-computed
// marks, and every other byte 0xFF as the library's blocks have them), both
// from its list.
#define BLOCK_DEFAULTS(Name, LIST, more)            \
    Name##Settings Default##Name##Settings()        \
    {                                               \
        Name##Settings blocks;                      \
        std::memset(&blocks, 0, sizeof blocks);     \
        LIST(DEFAULT_FIELD)                         \
        more;                                       \
        return blocks;                              \
    }                                               \
    Name##Results NotComputed##Name##Results()      \
    {                                               \
        Name##Results blocks;                       \
        std::memset(&blocks, 0xFF, sizeof blocks);  \
        LIST(NOT_COMPUTED_VALUE)                    \
        return blocks;                              \
    }

BLOCK_DEFAULTS(Solid, MESHAUDIT_SOLID_QUANTITIES, )
BLOCK_DEFAULTS(Quality, MESHAUDIT_QUALITY_QUANTITIES, blocks.SkinnyAngle = kDefaultSkinnyAngle)
BLOCK_DEFAULTS(Build, MESHAUDIT_BUILD_QUANTITIES, )

#undef BLOCK_DEFAULTS
#undef NOT_COMPUTED_VALUE
#undef NOT_COMPUTED_REAL
#undef NOT_COMPUTED_COUNT
#undef DEFAULT_FIELD

}  // namespace meshaudit::cli
