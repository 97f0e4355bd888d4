/*
 * meshaudit.hpp -- where the defects are: the C++ location API.
 *
 * locate() analyses a mesh exactly as analyse() does and fills the same four
 * result blocks, and it also lists, for every quantity that has elements
 * behind its value, the elements themselves: which points are duplicated,
 * which edges are singular, which triangles intersect, and so on. Each
 * quantity's list is described by the `where` column of its category's list
 * in meshaudit.h.
 *
 * Unlike the twelve C functions it is reentrant: it reads no process-wide
 * block and writes none, and two threads may locate on different meshes at
 * the same time. It prints nothing unless the request names a progress
 * callback. It is not part of libmeshaudit.so (whose twelve exports stay as
 * they are): link the static library meshaudit-cpp (CMake target
 * meshaudit::meshaudit_cpp), built from the same sources.
 *
 *   meshaudit::LocateRequest request;          // every list, uncapped
 *   request.maxItems = 100;                    // keep at most 100 entries each
 *   meshaudit::Locations where;
 *   PointSettings ps; ... meshaudit_default_point_settings(&ps); ...
 *   if (meshaudit::locate(mesh, ps, es, ts, ms, request, where) == 1) {
 *       meshaudit::ElementSpan bad = where.of(TRI_CountIntersected);
 *       // where.triangles.CountIntersected == bad.total
 *       for (uint64_t i = 0; i < bad.stored; ++i) use(bad.entry(i)[0]);
 *   }
 */
#ifndef MESHAUDIT_HPP
#define MESHAUDIT_HPP

#include "meshaudit.h"

#include <cstddef>
#include <cstdint>

namespace meshaudit {

/*
 * The categories of quantities: the library's four, numbered as its own
 * tables number them; the two that solids() answers (meshaudit_solid.hpp)
 * and the build plate of a 3MF file, as the command and the bindings built
 * on it report and judge them. The one category type of the library, the
 * command and the bindings. analyse() and locate() know the first four only;
 * analyse()'s category 5 ("all of them") is an argument, not a Category.
 */
enum class Category : uint32_t { Points = 1, Edges = 2, Triangles = 3, Mesh = 4, Solid = 5, Quality = 6, Build = 7 };

/*
 * One quantity's list. The numbers belong to the Locations that returned the
 * span and stay valid until it is destroyed, moved from or filled again.
 *
 *   data     stored * arity numbers: entry i is data[i * arity ...]
 *   stored   entries kept: at most the request's maxItems
 *   total    entries counted: for a count, equal to the count in the result
 *            block whenever that count succeeded; more than `stored` when
 *            the cap cut the list
 *   arity    numbers per entry (see the `where` column in meshaudit.h)
 *   located  false when the list was not requested, the quantity has no
 *            elements to list, or it was not computed (disabled, or not
 *            computed in this version)
 *
 * Order: the order in which the analysis met the elements; points, triangles
 * and edges ascending by index unless the `where` column says otherwise.
 */
struct ElementSpan {
    const uint32_t* data = nullptr;
    uint64_t stored = 0;
    uint64_t total = 0;
    uint32_t arity = 0;
    bool located = false;

    bool capped() const { return total > stored; }
    const uint32_t* entry(uint64_t i) const { return data + i * arity; }
};

/*
 * Called before each step of the analysis with the steps done so far, their
 * total and the step's label ("edge::CountSingular"); `user` is the
 * request's progressUser. It must not call back into the library.
 */
typedef void (*ProgressFunction)(void* user, uint32_t done, uint32_t total, const char* label);

/*
 * What to list. Bit k of each mask asks for the list of quantity k of that
 * category (PNT_CountNAN and so on); a quantity without elements ignores its
 * bit. Only enabled quantities (Enable[k] == 1 in the settings) are computed,
 * so only their lists can be filled.
 *
 *   maxItems  the cap on each list's kept entries [no cap]; the total is
 *             counted to the end either way
 *   progress  the progress callback [none: nothing is reported]
 *   memoryLimit  the most bytes the call may hold at once [0: no limit]. An
 *             allocation past it fails as if the system had no memory: the
 *             quantities that needed it store their allocation-failure codes
 *             (and their lists are cut), exactly as analyse() does when
 *             memory runs out; Locations::refusedAllocations says so.
 */
struct LocateRequest {
    uint32_t points = 0xFFFFFFFFu;
    uint32_t edges = 0xFFFFFFFFu;
    uint32_t triangles = 0xFFFFFFFFu;
    uint32_t mesh = 0xFFFFFFFFu;
    uint64_t maxItems = UINT64_MAX;
    ProgressFunction progress = nullptr;
    void* progressUser = nullptr;
    uint64_t memoryLimit = 0;
};

/*
 * The answer of locate(): the four result blocks and the lists. It owns the
 * lists' memory and releases it when destroyed. Movable, not copyable.
 */
class Locations {
public:
    Locations() noexcept;
    ~Locations();
    Locations(Locations&& other) noexcept;
    Locations& operator=(Locations&& other) noexcept;
    Locations(const Locations&) = delete;
    Locations& operator=(const Locations&) = delete;

    /* The result blocks, byte for byte what analyse() publishes for the same
       mesh and settings; not-computed until a locate() fills them. */
    PointResults points;
    EdgeResults edges;
    TriangleResults triangles;
    MeshResults mesh;

    /* How many allocations the request's memoryLimit refused (0: the call
       never reached it). */
    uint64_t refusedAllocations = 0;

    /* The list of a quantity; an empty span (located false) for an index out
       of range. */
    ElementSpan of(PointQuantity k) const;
    ElementSpan of(EdgeQuantity k) const;
    ElementSpan of(TriangleQuantity k) const;
    ElementSpan of(MeshQuantity k) const;

private:
    friend int32_t locate(const MeshRecord&, const PointSettings&, const EdgeSettings&,
                          const TriangleSettings&, const MeshSettings&, const LocateRequest&,
                          Locations&) noexcept;
    ElementSpan Span(uint32_t category, uint32_t k) const;
    void* store_;
};

/*
 * Analyses `mesh` with the four settings blocks (as set_*_params would set
 * them) and fills `out`: its result blocks and the requested lists. The mesh
 * and the settings stay the caller's and are only read; whatever `out` held
 * before is released first.
 *
 * Returns, the first failing check deciding:
 *   -1..-4  as analyse(): no points array, no triangles array, no points, no
 *           triangles; out then holds not-computed blocks and no list
 *    1      the analysis ran; the blocks hold exactly what analyse() gives,
 *           every list is complete up to its cap
 *   -5      the analysis ran and the blocks are valid, but memory for a
 *           list ran out: that list holds fewer entries than it should
 *           (Failed lists are cut, never wrong)
 * Allocation failures inside the analysis itself store their codes in the
 * quantities' slots, exactly as analyse() does. Never throws.
 */
int32_t locate(const MeshRecord& mesh, const PointSettings& pointSettings,
               const EdgeSettings& edgeSettings, const TriangleSettings& triangleSettings,
               const MeshSettings& meshSettings, const LocateRequest& request,
               Locations& out) noexcept;

}  // namespace meshaudit

#endif /* MESHAUDIT_HPP */
