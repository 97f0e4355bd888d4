// Compute functions of the quantities that this version announces but does
// not compute: each stores its slot's not-computed mark.
#pragma once

#include "analysis/AnalysisContext.h"
#include "model/BlockMarks.h"

namespace meshaudit {

inline int32_t NotComputedCount(AnalysisContext&)
{
    return static_cast<int32_t>(NOT_COMPUTED);
}

inline double NotComputedReal(AnalysisContext&)
{
    return kDoubleNotComputed;
}

inline int8_t NotComputedFlag(AnalysisContext&)
{
    return kFlagNotComputed;
}

}  // namespace meshaudit
