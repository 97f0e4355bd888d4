// The outcome of checking one file, as a worker process hands it back to the
// command (its verdict: Verdict.h).
#pragma once

#include "Quantities.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace meshaudit::cli {

// The elements listed for one quantity: `stored` entries of `arity`
// numbers each, out of `total`.
struct ElementList {
    uint8_t category = 0;  // Category as a number
    uint8_t k = 0;
    uint32_t arity = 0;
    uint64_t total = 0;
    std::vector<uint32_t> data;
    // A file of polygons: for each triangle the stored entries name (one, or
    // two for a pair), its face in the file's numbering and its part, 1-based
    // among the triangles the face was split into (0 when the face was one
    // triangle). Empty when the file's faces are its triangles.
    std::vector<uint32_t> faces{};

    uint64_t Stored() const { return arity == 0 ? 0 : data.size() / arity; }
    // The quantity the list belongs to; nullptr for one the command does not
    // know (a list decoded from elsewhere).
    const Quantity* QuantityOf() const;
};

struct FileOutcome {
    enum class Status : uint32_t { Analysed = 1, Failed = 2 };

    std::string file;
    Status status = Status::Failed;
    // Failed: one line that names the file and what went wrong.
    std::string error;
    // Analysed: how the file was read and what the library published.
    std::string format;
    std::vector<std::string> notes;
    uint64_t pointCount = 0;
    uint64_t triangleCount = 0;
    ResultBlocks results = NotComputedResults();
    // The settings the library judged with: relative values made absolute
    // for this mesh's bounding box, whose diagonal and volume these are.
    SettingsBlocks used = DefaultSettings();
    // The quantities reported but left out of the verdict.
    ReportOnly reportOnly{};
    double diagonal = 0.0;
    double boxVolume = 0.0;
    // The elements behind the quantities, when they were asked for.
    std::vector<ElementList> where{};
    // A file the check was asked to write and could not (exit status 2).
    std::string writeError{};

    const ElementList* WhereOf(const Quantity& quantity) const;
    // A 3MF object, checked on its own: its id and name; empty otherwise.
    std::string objectId{};
    std::string objectName{};
    // A 3MF build plate, checked as a whole (the build category): its items
    // in the order of the file's <item> elements. Empty for a mesh.
    struct PlateItem {
        std::string objectId;
        std::string objectName;
        bool mirrored = false;
    };
    std::vector<PlateItem> plateItems{};

    bool IsPlate() const { return !plateItems.empty(); }
};

// The categories an outcome reports: a mesh's six, or the build plate's.
inline std::span<const Category> CategoriesOf(const FileOutcome& outcome)
{
    return outcome.IsPlate() ? kPlateCategories : kMeshCategories;
}

// A byte string for the pipe from a worker, and back. Decode returns false
// for anything that is not a whole encoded outcome (a worker that died while
// writing).
std::string EncodeOutcome(const FileOutcome& outcome);
bool DecodeOutcome(std::string_view bytes, FileOutcome& outcome);
// The outcomes of one file's objects, the same way.
std::string EncodeOutcomes(const std::vector<FileOutcome>& outcomes);
bool DecodeOutcomes(std::string_view bytes, std::vector<FileOutcome>& outcomes);

}  // namespace meshaudit::cli
