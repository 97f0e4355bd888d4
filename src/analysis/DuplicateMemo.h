// The duplicate searches of one analysis, each run at most once with
// success: the member count and the class count of one key (and the mesh
// flag that reads them again) share one search instead of repeating it.
#pragma once

#include "containers/CountDuplicates.h"

#include <cstddef>
#include <cstdint>

namespace meshaudit {

enum class DuplicateSearch : uint8_t {
    PointsGeometrical,
    EdgesTopological,
    EdgesGeometrical,
    TrianglesTopological,
    TrianglesGeometrical,
};

class DuplicateMemo {
public:
    // The sums of `search`: kept ones, or those of `run(sums)`, which returns
    // 0 or a failure code. A failure is returned and not kept, so the next
    // request runs the search again.
    template <typename Run>
    int32_t Sums(DuplicateSearch search, Run run, DuplicateSums& sums)
    {
        const auto i = static_cast<std::size_t>(search);
        if (!known_[i]) {
            DuplicateSums fresh;
            const int32_t code = run(fresh);
            if (code != 0) {
                return code;
            }
            sums_[i] = fresh;
            known_[i] = true;
        }
        sums = sums_[i];
        return 0;
    }

    // The kept sums of `search`, when a run of it succeeded; false otherwise.
    bool Known(DuplicateSearch search, DuplicateSums& sums) const
    {
        const auto i = static_cast<std::size_t>(search);
        if (known_[i]) {
            sums = sums_[i];
        }
        return known_[i];
    }

private:
    static constexpr std::size_t kSearches = 5;
    bool known_[kSearches] = {};
    DuplicateSums sums_[kSearches] = {};
};

}  // namespace meshaudit
