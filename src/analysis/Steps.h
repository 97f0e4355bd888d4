// Binds analyses to the analysis context, so that a category's table names
// its analyses directly instead of wrapping each in a function of its own.
#pragma once

#include "analysis/AnalysisContext.h"
#include "analysis/DuplicateMemo.h"

#include <cstdint>
#include <initializer_list>
#include <type_traits>

namespace meshaudit {

// The two quantities whose lists a duplicate search fills.
struct DuplicateLists {
    Category category;
    uint8_t members;  // the count of duplicated elements
    uint8_t classes;  // the count of their classes
};

constexpr DuplicateLists ListsOf(DuplicateSearch search)
{
    switch (search) {
    case DuplicateSearch::PointsGeometrical:
        return {Category::Points, PNT_CountDuplicatedGeometrical, PNT_CountClassesOfDuplicatedGeometrical};
    case DuplicateSearch::EdgesTopological:
        return {Category::Edges, EDG_CountDuplicatedTopological, EDG_CountClassesOfDuplicatedTopological};
    case DuplicateSearch::EdgesGeometrical:
        return {Category::Edges, EDG_CountDuplicatedGeometrical, EDG_CountClassesOfDuplicatedGeometrical};
    case DuplicateSearch::TrianglesTopological:
        return {Category::Triangles, TRI_CountDuplicatedTopological,
                TRI_CountClassesOfDuplicatedTopological};
    case DuplicateSearch::TrianglesGeometrical:
        return {Category::Triangles, TRI_CountDuplicatedGeometrical,
                TRI_CountClassesOfDuplicatedGeometrical};
    }
    return {Category::Points, 0, 0};
}

// Calls analysis F with what it takes: the mesh, then the topology where it
// needs it, then the list of the quantity being computed where it can fill
// one (null when none is being filled).
template <auto F>
auto Call(AnalysisContext& c)
{
    using Fn = decltype(F);
    if constexpr (std::is_invocable_v<Fn, const MeshRecord&, MeshTopology&, LocationList*>) {
        return F(c.mesh, c.topology, c.CurrentList());
    } else if constexpr (std::is_invocable_v<Fn, const MeshRecord&, MeshTopology&>) {
        return F(c.mesh, c.topology);
    } else if constexpr (std::is_invocable_v<Fn, const MeshRecord&, LocationList*>) {
        return F(c.mesh, c.CurrentList());
    } else {
        return F(c.mesh);
    }
}

// The step of analysis F. Its value goes to the slot as it is, except that
// a yes/no answer becomes the flag 1 or 0.
template <auto F>
auto Step(AnalysisContext& c)
{
    if constexpr (std::is_same_v<decltype(Call<F>(c)), bool>) {
        return static_cast<int8_t>(Call<F>(c) ? 1 : 0);
    } else {
        return Call<F>(c);
    }
}

// The search by point indices of the elements whose coordinates `search`
// compares, or `search` itself when it compares no coordinates of corners.
constexpr DuplicateSearch IndexTwin(DuplicateSearch search)
{
    switch (search) {
    case DuplicateSearch::EdgesGeometrical:
        return DuplicateSearch::EdgesTopological;
    case DuplicateSearch::TrianglesGeometrical:
        return DuplicateSearch::TrianglesTopological;
    default:
        return search;
    }
}

// The member count (classes false) or the class count (classes true) of a
// duplicate search F, which takes the mesh (and the topology, where it needs
// it) and fills the sums. Both counts of one key, and the mesh flag that
// reads them again, share one run through the context's memo.
//
// A search that can list its elements takes two lists after the sums: the
// members (each with its class) and one element per class. Both are filled
// by the one run, whichever of the two quantities asks first; they are
// emptied before each run, since a failed run may have left entries, and
// sealed after a successful one, so that the other quantity's step keeps
// what the run listed instead of running the search again.
//
// A search by coordinates whose twin by indices has run already takes the
// twin's sums, unlisted, when the topology's point ranks tell that no two
// points are equal (MeshTopology::PointsRankedApart): the keys then have the
// same classes, and on such a mesh the sort of a million keys would only
// find again what the twin found.
template <DuplicateSearch search, auto F, bool classes>
int32_t DuplicateStep(AnalysisContext& c)
{
    using Fn = decltype(F);
    const DuplicateLists lists = ListsOf(search);
    LocationList* const members = c.List(lists.category, lists.members);
    LocationList* const classLists = c.List(lists.category, lists.classes);
    DuplicateSums sums;
    DuplicateSums twin;
    bool byTwin = IndexTwin(search) != search && members == nullptr && classLists == nullptr &&
                  c.Memo().Duplicates().Known(IndexTwin(search), twin) && c.topology.PointsRankedApart();
    const int32_t code = c.Memo().Duplicates().Sums(
        search,
        [&c, members, classLists, byTwin, &twin](DuplicateSums& s) {
            if (byTwin) {
                s = twin;
                return int32_t{0};
            }
            for (LocationList* list : {members, classLists}) {
                if (list != nullptr) {
                    list->Clear();
                }
            }
            if constexpr (std::is_invocable_v<Fn, const MeshRecord&, MeshTopology&, DuplicateSums&,
                                              LocationList*, LocationList*>) {
                return F(c.mesh, c.topology, s, members, classLists);
            } else if constexpr (std::is_invocable_v<Fn, const MeshRecord&, DuplicateSums&,
                                                     LocationList*, LocationList*>) {
                return F(c.mesh, s, members, classLists);
            } else if constexpr (std::is_invocable_v<Fn, const MeshRecord&, MeshTopology&,
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
    for (LocationList* list : {members, classLists}) {
        if (list != nullptr) {
            list->Seal();
        }
    }
    return static_cast<int32_t>(classes ? sums.classes : sums.members);
}

}  // namespace meshaudit
