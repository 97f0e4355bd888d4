#include "CommandBlocks.h"

#include <cstring>

namespace meshaudit::cli {

#define DEFAULT_FIELD(P, k, name, label, SLOT, CRIT, field, min, max, judged, enable, gate, where) \
    blocks.field = {min, max};                                                                      \
    blocks.Enable[k] = enable;

SolidSettings DefaultSolidSettings()
{
    SolidSettings blocks;
    std::memset(&blocks, 0, sizeof blocks);
    MESHAUDIT_SOLID_QUANTITIES(DEFAULT_FIELD)
    return blocks;
}

QualitySettings DefaultQualitySettings()
{
    QualitySettings blocks;
    std::memset(&blocks, 0, sizeof blocks);
    MESHAUDIT_QUALITY_QUANTITIES(DEFAULT_FIELD)
    blocks.SkinnyAngle = kDefaultSkinnyAngle;
    return blocks;
}
BuildSettings DefaultBuildSettings()
{
    BuildSettings blocks;
    std::memset(&blocks, 0, sizeof blocks);
    MESHAUDIT_BUILD_QUANTITIES(DEFAULT_FIELD)
    return blocks;
}
#undef DEFAULT_FIELD

#define NOT_COMPUTED_COUNT NOT_COMPUTED
#define NOT_COMPUTED_REAL -1.0
#define NOT_COMPUTED_VALUE(P, k, name, label, SLOT, CRIT, field, min, max, judged, enable, gate, where) \
    blocks.name = NOT_COMPUTED_##SLOT;

SolidResults NotComputedSolidResults()
{
    SolidResults blocks;
    std::memset(&blocks, 0xFF, sizeof blocks);
    MESHAUDIT_SOLID_QUANTITIES(NOT_COMPUTED_VALUE)
    return blocks;
}

QualityResults NotComputedQualityResults()
{
    QualityResults blocks;
    std::memset(&blocks, 0xFF, sizeof blocks);
    MESHAUDIT_QUALITY_QUANTITIES(NOT_COMPUTED_VALUE)
    return blocks;
}
BuildResults NotComputedBuildResults()
{
    BuildResults blocks;
    std::memset(&blocks, 0xFF, sizeof blocks);
    MESHAUDIT_BUILD_QUANTITIES(NOT_COMPUTED_VALUE)
    return blocks;
}
#undef NOT_COMPUTED_VALUE
#undef NOT_COMPUTED_REAL
#undef NOT_COMPUTED_COUNT

}  // namespace meshaudit::cli
