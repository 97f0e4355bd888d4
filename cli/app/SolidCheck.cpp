#include "SolidCheck.h"

#include "Report.h"
#include "Verdict.h"

#include "meshaudit_solid.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace meshaudit::cli {

namespace {

// Whether quantity k of `category` is enabled.
bool On(const SettingsBlocks& used, Category category, int k)
{
    return EnableByte(used, QuantitiesOf(category)[static_cast<size_t>(k)]) != 0;
}

template <typename T>
void Store(ResultBlocks& results, const Quantity& q, T value)
{
    std::memcpy(ResultBytes(results, q.category) + q.valueOffset, &value, sizeof value);
}

// The value each quantity takes from solids()' answer.
void StoreValue(ResultBlocks& results, const Quantity& q, const Solids& s)
{
    const auto count = [](size_t n) { return static_cast<uint32_t>(std::min<size_t>(n, UINT32_MAX - 1)); };
    if (q.category == Category::Solid) {
        const uint32_t counts[SLD_QUANTITIES] = {s.shellCount, count(s.openShells.size()), count(s.nested.size()),
                                                 count(s.insideOut.size()), count(s.shellPairs.size()),
                                                 count(s.pinchedPoints.size())};
        Store(results, q, counts[q.k]);
    } else if (q.k == QLT_CountSkinny) {
        Store(results, q, count(s.skinny.size()));
    } else {
        const double numbers[3] = {s.minimalAngle, s.maximalAngle, s.maximalAspectRatio};
        Store(results, q, numbers[q.k]);
    }
}

ElementList ListOf(const Quantity& q, uint32_t arity, uint64_t total)
{
    ElementList list;
    list.category = static_cast<uint8_t>(q.category);
    list.k = static_cast<uint8_t>(q.k);
    list.arity = arity;
    list.total = total;
    return list;
}

// Appends an entry unless the list holds `maxItems` already.
void Put(ElementList& list, uint64_t maxItems, std::initializer_list<uint32_t> entry)
{
    if (list.Stored() < maxItems) {
        list.data.insert(list.data.end(), entry);
    }
}

ElementList Numbers(const Quantity& q, const std::vector<uint32_t>& numbers, uint64_t maxItems)
{
    ElementList list = ListOf(q, 1, numbers.size());
    list.data.assign(numbers.begin(), numbers.begin() + static_cast<std::ptrdiff_t>(std::min<uint64_t>(numbers.size(), maxItems)));
    return list;
}

// The triangles of the shells in `shells` (ascending), shell by shell:
// (triangle, shell) or, with the parents, (triangle, shell, parent).
ElementList ShellTriangles(const Quantity& q, const Solids& s, const std::vector<uint32_t>& shells,
                           const std::vector<uint32_t>& byShell, const std::vector<uint32_t>& firstOf,
                           bool parents, uint64_t maxItems)
{
    uint64_t total = 0;
    for (const uint32_t shell : shells) {
        total += firstOf[shell + 1] - firstOf[shell];
    }
    ElementList list = ListOf(q, parents ? 3 : 2, total);
    for (const uint32_t shell : shells) {
        for (uint32_t i = firstOf[shell]; i < firstOf[shell + 1] && list.Stored() < maxItems; ++i) {
            if (parents) {
                Put(list, maxItems, {byShell[i], shell, s.parent[shell]});
            } else {
                Put(list, maxItems, {byShell[i], shell});
            }
        }
    }
    return list;
}

void AppendLists(const FileOutcome& outcome, const Solids& s, std::vector<ElementList>& lists, uint64_t maxItems)
{
    // The triangles by shell, ascending within each: a counting sort.
    std::vector<uint32_t> firstOf(static_cast<size_t>(s.shellCount) + 1, 0), byShell(s.shellOf.size());
    for (const uint32_t shell : s.shellOf) {
        ++firstOf[shell + 1];
    }
    for (size_t i = 1; i < firstOf.size(); ++i) {
        firstOf[i] += firstOf[i - 1];
    }
    std::vector<uint32_t> next(firstOf.begin(), firstOf.end() - 1);
    for (uint32_t t = 0; t < s.shellOf.size(); ++t) {
        byShell[next[s.shellOf[t]]++] = t;
    }
    for (const Category category : {Category::Solid, Category::Quality}) {
        for (const Quantity& q : QuantitiesOf(category)) {
            if (EnableByte(outcome.used, q) == 0) {
                continue;
            }
            if (category == Category::Quality) {
                const std::vector<uint32_t>* numbers[QLT_QUANTITIES] = {
                    &s.minimalAngleTriangles, &s.maximalAngleTriangles, &s.maximalAspectRatioTriangles, &s.skinny};
                lists.push_back(Numbers(q, *numbers[q.k], maxItems));
                continue;
            }
            switch (q.k) {
            case SLD_CountShells:
                lists.push_back(Numbers(q, s.shellOf, maxItems));
                break;
            case SLD_CountOpenShells:
                lists.push_back(ShellTriangles(q, s, s.openShells, byShell, firstOf, false, maxItems));
                break;
            case SLD_CountNestedShells:
                lists.push_back(ShellTriangles(q, s, s.nested, byShell, firstOf, true, maxItems));
                break;
            case SLD_CountInsideOutShells:
                lists.push_back(ShellTriangles(q, s, s.insideOut, byShell, firstOf, false, maxItems));
                break;
            case SLD_CountIntersectingShellPairs: {
                ElementList list = ListOf(q, 4, s.shellPairs.size());
                for (const Solids::ShellPair& pair : s.shellPairs) {
                    Put(list, maxItems, {pair.triangleA, pair.triangleB, pair.shellA, pair.shellB});
                }
                lists.push_back(std::move(list));
                break;
            }
            default:
                lists.push_back(Numbers(q, s.pinchedPoints, maxItems));
                break;
            }
        }
    }
}

}  // namespace

bool WantsSolids(const SettingsBlocks& used)
{
    for (const Category category : {Category::Solid, Category::Quality}) {
        for (const Quantity& q : QuantitiesOf(category)) {
            if (EnableByte(used, q) != 0) {
                return true;
            }
        }
    }
    return false;
}

void CheckSolids(FileOutcome& outcome, const MeshRecord& record, const meshaudit::Locations* located,
                 std::vector<ElementList>* lists, uint64_t maxItems)
{
    const SettingsBlocks& used = outcome.used;
    if (!WantsSolids(used)) {
        return;
    }
    SolidRequest request;
    request.skinnyAngle = used.quality.SkinnyAngle;
    // Shells in contact are never nested, so the nesting needs the pairs too.
    request.shellPairs = On(used, Category::Solid, SLD_CountIntersectingShellPairs) ||
                         On(used, Category::Solid, SLD_CountNestedShells) ||
                         On(used, Category::Solid, SLD_CountInsideOutShells);
    // The library's pairs only when they are surely all of them: listed
    // uncut, with the flag computed and no allocation refused on the way (a
    // search that ran out of memory lists nothing).
    if (located != nullptr && located->refusedAllocations == 0) {
        const ElementSpan pairs = located->of(MSH_Selfintersection);
        const int8_t flag = located->mesh.Selfintersection;
        if (pairs.located && !pairs.capped() && (flag == 0 || flag == 1)) {
            request.intersectingPairsGiven = true;
            request.intersectingPairs = pairs.data;
            request.intersectingPairCount = pairs.stored;
        }
    }
    Solids answer;
    const int32_t code = meshaudit::solids(record, request, answer);
    for (const Category category : {Category::Solid, Category::Quality}) {
        for (const Quantity& q : QuantitiesOf(category)) {
            if (EnableByte(used, q) == 0) {
                continue;
            }
            if (code == 1) {
                StoreValue(outcome.results, q, answer);
            } else if (q.value == ValueKind::Count) {
                Store(outcome.results, q, static_cast<uint32_t>(code));
            } else {
                Store(outcome.results, q, static_cast<double>(code));
            }
            SetInRangeByte(outcome.results, q, JudgedInRange(outcome.results, used, q));
        }
    }
    if (code == -6) {
        outcome.notes.push_back("memory ran out while looking at the shells: the solid and quality quantities "
                                "could not be computed");
    } else if (code != 1) {
        outcome.notes.push_back("the shells could not be examined (solids returned " + std::to_string(code) + ")");
    }
    if (code == 1 && lists != nullptr) {
        AppendLists(outcome, answer, *lists, maxItems);
    }
}

}  // namespace meshaudit::cli
