#include "analysis/LocationStore.h"

namespace meshaudit {

namespace {

constexpr uint32_t kArityNONE = 0;
constexpr uint32_t kArityPOINTS = 1;
constexpr uint32_t kArityEDGES = 2;
constexpr uint32_t kArityTRIANGLES = 1;
constexpr uint32_t kArityPOINT_CLASSES = 2;
constexpr uint32_t kArityEDGE_CLASSES = 3;
constexpr uint32_t kArityTRIANGLE_CLASSES = 2;
constexpr uint32_t kArityCOMPONENTS = 1;
constexpr uint32_t kArityLOOPS = 2;
constexpr uint32_t kArityTRIANGLE_PAIRS = 2;

#define ARITY(P, k, name, label, SLOT, CRIT, field, min, max, judged, enable, gate, where) \
    table[k] = kArity##where;

struct Arities {
    uint32_t points[PNT_QUANTITIES] = {};
    uint32_t edges[EDG_QUANTITIES] = {};
    uint32_t triangles[TRI_QUANTITIES] = {};
    uint32_t mesh[MSH_QUANTITIES] = {};
};

constexpr Arities MakeArities()
{
    Arities a;
    {
        uint32_t* table = a.points;
        MESHAUDIT_POINT_QUANTITIES(ARITY)
    }
    {
        uint32_t* table = a.edges;
        MESHAUDIT_EDGE_QUANTITIES(ARITY)
    }
    {
        uint32_t* table = a.triangles;
        MESHAUDIT_TRIANGLE_QUANTITIES(ARITY)
    }
    {
        uint32_t* table = a.mesh;
        MESHAUDIT_MESH_QUANTITIES(ARITY)
    }
    return a;
}
#undef ARITY

constexpr Arities kAritys = MakeArities();

constexpr std::size_t CategoryIndex(Category category)
{
    return static_cast<std::size_t>(category) - 1;
}

constexpr uint32_t kQuantityCounts[4] = {PNT_QUANTITIES, EDG_QUANTITIES, TRI_QUANTITIES,
                                         MSH_QUANTITIES};

}  // namespace

uint32_t LocationStore::Arity(Category category, uint8_t k)
{
    if (category < Category::Points || category > Category::Mesh ||
        k >= kQuantityCounts[CategoryIndex(category)]) {
        return 0;
    }
    switch (category) {
    case Category::Points:
        return kAritys.points[k];
    case Category::Edges:
        return kAritys.edges[k];
    case Category::Triangles:
        return kAritys.triangles[k];
    default:
        return kAritys.mesh[k];
    }
}

std::size_t LocationStore::Slot(Category category, uint8_t k)
{
    std::size_t first = 0;
    for (std::size_t c = 0; c < CategoryIndex(category); ++c) {
        first += kQuantityCounts[c];
    }
    return first + k;
}

void LocationStore::Open(const uint32_t masks[4], uint64_t cap)
{
    for (std::size_t c = 0; c < 4; ++c) {
        const auto category = static_cast<Category>(c + 1);
        for (uint32_t k = 0; k < kQuantityCounts[c]; ++k) {
            const uint32_t arity = Arity(category, static_cast<uint8_t>(k));
            const std::size_t slot = Slot(category, static_cast<uint8_t>(k));
            open_[slot] = arity != 0 && (masks[c] >> k & 1u) != 0;
            if (open_[slot]) {
                lists_[slot].Open(arity, cap);
            }
        }
    }
}

LocationList* LocationStore::List(Category category, uint8_t k)
{
    if (Arity(category, k) == 0) {
        return nullptr;
    }
    const std::size_t slot = Slot(category, k);
    return open_[slot] ? &lists_[slot] : nullptr;
}

const LocationList* LocationStore::List(Category category, uint8_t k) const
{
    return const_cast<LocationStore*>(this)->List(category, k);
}

void LocationStore::Clear()
{
    for (LocationList& list : lists_) {
        list.Clear();
    }
}

bool LocationStore::Failed() const
{
    for (std::size_t i = 0; i < kLists; ++i) {
        if (open_[i] && lists_[i].Failed()) {
            return true;
        }
    }
    return false;
}

}  // namespace meshaudit
