// Binds analyses to the analysis context, so that a category's table names
// its analyses directly instead of wrapping each in a function of its own.
#pragma once

#include "analysis/AnalysisContext.h"
#include "analysis/DuplicateMemo.h"

#include <cstdint>
#include <type_traits>

namespace meshaudit {

// The step of analysis F, which takes the mesh, or the mesh and its
// topology. Its value goes to the slot as it is, except that a yes/no
// answer becomes the flag 1 or 0.
template <auto F>
auto Step(AnalysisContext& c)
{
    if constexpr (std::is_invocable_v<decltype(F), const MeshRecord&, MeshTopology&>) {
        if constexpr (std::is_same_v<decltype(F(c.mesh, c.topology)), bool>) {
            return static_cast<int8_t>(F(c.mesh, c.topology) ? 1 : 0);
        } else {
            return F(c.mesh, c.topology);
        }
    } else {
        return F(c.mesh);
    }
}

// The member count (classes false) or the class count (classes true) of a
// duplicate search F, which takes the mesh (and the topology, where it needs
// it) and fills the sums. Both counts of one key, and the mesh flag that
// reads them again, share one run through the context's memo.
template <DuplicateSearch search, auto F, bool classes>
int32_t DuplicateStep(AnalysisContext& c)
{
    DuplicateSums sums;
    const int32_t code = c.duplicates.Sums(
        search,
        [&c](DuplicateSums& s) {
            if constexpr (std::is_invocable_v<decltype(F), const MeshRecord&, MeshTopology&,
                                              DuplicateSums&>) {
                return F(c.mesh, c.topology, s);
            } else {
                return F(c.mesh, s);
            }
        },
        sums);
    if (code != 0) {
        return code;
    }
    return static_cast<int32_t>(classes ? sums.classes : sums.members);
}

}  // namespace meshaudit
