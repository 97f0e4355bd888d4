#include "PlateCheck.h"

#include "BuildPlate.h"
#include "Verdict.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace meshaudit::cli {

// The list's third number is the kind as CommandBlocks.h documents it.
static_assert(static_cast<int>(ItemOverlap::Kind::Meet) == 0 && static_cast<int>(ItemOverlap::Kind::AInsideB) == 1 &&
              static_cast<int>(ItemOverlap::Kind::BInsideA) == 2);

bool WantsPlate(const SettingsBlocks& settings)
{
    return EnableByte(settings, QuantitiesOf(Category::Build)[BLD_CountOverlappingItems]) != 0;
}

FileOutcome CheckPlate(const std::string& path, std::span<const BuildItem> items, const Settings& settings,
                       bool lists, uint64_t maxItems)
{
    FileOutcome outcome;
    outcome.file = path;
    outcome.format = "3MF build";
    // Relative sizes have no bearing on the plate: none is resolved.
    outcome.used = Resolve(settings, MeshScale{});
    outcome.reportOnly = settings.reportOnly;
    for (const BuildItem& item : items) {
        outcome.plateItems.push_back({item.objectId, item.objectName, item.mirrored});
        outcome.pointCount += item.mesh.points.size();
        outcome.triangleCount += item.mesh.triangles.size();
    }
    const Quantity& q = QuantitiesOf(Category::Build)[BLD_CountOverlappingItems];
    if (!WantsPlate(outcome.used)) {
        outcome.status = FileOutcome::Status::Analysed;
        return outcome;
    }
    PlateOverlaps found;
    try {
        found = FindOverlaps(items);
    } catch (const std::bad_alloc&) {
        outcome.error = path + ": out of memory while looking for overlapping build items";
        return outcome;
    } catch (const std::exception& e) {
        outcome.error = path + ": the build plate could not be checked: " + e.what();
        return outcome;
    }
    const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(found.pairCount, UINT32_MAX - 1));
    std::memcpy(ResultBytes(outcome.results, Category::Build) + q.valueOffset, &count, sizeof count);
    SetInRangeByte(outcome.results, q, JudgedInRange(outcome.results, outcome.used, q));
    if (!found.mirrored.empty()) {
        outcome.notes.push_back(std::to_string(found.mirrored.size()) +
                                " items mirror their objects: their triangles face the other way once placed");
    }
    if (found.skippedTriangles != 0) {
        outcome.notes.push_back(std::to_string(found.skippedTriangles) +
                                " placed triangles have a corner that is not finite and were left out");
    }
    if (lists) {
        ElementList list;
        list.category = static_cast<uint8_t>(Category::Build);
        list.k = static_cast<uint8_t>(q.k);
        list.arity = 5;
        list.total = found.overlaps.size();
        for (const ItemOverlap& o : found.overlaps) {
            if (list.Stored() >= maxItems) {
                break;
            }
            list.data.insert(list.data.end(),
                             {o.itemA, o.itemB, static_cast<uint32_t>(o.kind), o.triangleA, o.triangleB});
        }
        outcome.where.push_back(std::move(list));
    }
    outcome.status = FileOutcome::Status::Analysed;
    return outcome;
}

}  // namespace meshaudit::cli
