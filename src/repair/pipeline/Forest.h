// The repair's disjoint sets: the smallest element of a set is its root,
// the representative every merge keeps.
#pragma once

#include "containers/SmallestRootForest.h"
#include "containers/WorkArray.h"

#include <cstdint>
#include <vector>

namespace meshaudit::pipeline {

using Forest = SmallestRootForest<WorkArray<uint32_t>>;

}  // namespace meshaudit::pipeline
