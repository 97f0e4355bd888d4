#include "MeshBuilder.h"

#include "LoadError.h"
#include "Polygons.h"

#include <limits>

namespace meshaudit::cli {

MeshBuilder::MeshBuilder(std::string file, int64_t indexBase)
    : file_(std::move(file)), indexBase_(indexBase)
{
}

void MeshBuilder::ReservePoints(uint64_t count)
{
    mesh_.points.reserve(static_cast<size_t>(count));
}

void MeshBuilder::ReserveTriangles(uint64_t count)
{
    mesh_.triangles.reserve(static_cast<size_t>(count));
}

void MeshBuilder::AddPoint(double x, double y, double z)
{
    mesh_.points.push_back(T3DVECF{x, y, z});
}

void MeshBuilder::AddFace(const int64_t* corners, size_t count, SourceLocation where)
{
    if (count < 3) {
        if (shortFaces_ == 0) {
            firstShortFace_ = where;
        }
        ++shortFaces_;
        return;
    }
    if (count > 3) {
        ++polygons_;
        polygonTriangles_ += count - 2;
        polygonList_.push_back(Polygon{mesh_.triangles.size(), polygonCorners_.size(), count});
        polygonCorners_.insert(polygonCorners_.end(), corners, corners + count);
    }
    const int64_t known = static_cast<int64_t>(mesh_.points.size());
    auto inside = [known](int64_t index) { return index >= 0 && index < known; };
    for (size_t i = 1; i + 1 < count; ++i) {
        const int64_t a = corners[0];
        const int64_t b = corners[i];
        const int64_t c = corners[i + 1];
        if (inside(a) && inside(b) && inside(c)) {
            mesh_.triangles.push_back(
                TRIANGLE{static_cast<uint32_t>(a), static_cast<uint32_t>(b), static_cast<uint32_t>(c)});
            continue;
        }
        suspects_.push_back(OutOfRange{mesh_.triangles.size(), {a, b, c}, where});
        // A placeholder until Finish knows every point.
        mesh_.triangles.push_back(TRIANGLE{0, 0, 0});
    }
}

void MeshBuilder::AddNote(std::string note)
{
    mesh_.notes.push_back(std::move(note));
}

MeshData MeshBuilder::Finish(std::string formatName)
{
    const uint64_t pointCount = mesh_.points.size();
    auto inside = [pointCount](int64_t index) {
        return index >= 0 && static_cast<uint64_t>(index) < pointCount;
    };
    uint64_t outside = 0;
    const OutOfRange* first = nullptr;
    int64_t firstCorner = 0;
    for (const OutOfRange& suspect : suspects_) {
        const int64_t* c = suspect.corners;
        if (inside(c[0]) && inside(c[1]) && inside(c[2])) {
            mesh_.triangles[suspect.triangle] = TRIANGLE{
                static_cast<uint32_t>(c[0]), static_cast<uint32_t>(c[1]), static_cast<uint32_t>(c[2])};
            continue;
        }
        ++outside;
        if (first == nullptr) {
            first = &suspect;
            firstCorner = !inside(c[0]) ? c[0] : !inside(c[1]) ? c[1] : c[2];
        }
    }
    if (outside > 0) {
        std::string message = "a face refers to point " + std::to_string(firstCorner + indexBase_) +
                              ", but the file has " + std::to_string(pointCount) + " points (" +
                              std::to_string(outside) + (outside == 1 ? " triangle" : " triangles") +
                              " with corners out of range)";
        throw LoadError(file_, first->where, message);
    }
    if (pointCount == 0) {
        throw LoadError(file_, "the mesh is empty: no points");
    }
    if (mesh_.triangles.empty()) {
        throw LoadError(file_, "the mesh is empty: no triangles");
    }
    if (pointCount > std::numeric_limits<uint32_t>::max()) {
        throw LoadError(file_, "too many points for the library (" + std::to_string(pointCount) + ")");
    }
    if (mesh_.triangles.size() > std::numeric_limits<uint32_t>::max()) {
        throw LoadError(file_, "too many triangles for the library (" +
                                   std::to_string(mesh_.triangles.size()) + ")");
    }
    // Every corner is known to be inside now: the fans AddFace wrote are
    // replaced where a face is not convex.
    uint64_t ears = 0;
    uint64_t failed = 0;
    for (const Polygon& polygon : polygonList_) {
        const PolygonSplit split = SplitPolygon(mesh_.points, polygonCorners_.data() + polygon.first,
                                                polygon.count, mesh_.triangles.data() + polygon.triangle);
        ears += split == PolygonSplit::Ears;
        failed += split == PolygonSplit::Failed;
    }
    if (polygons_ > 0) {
        mesh_.notes.push_back(std::to_string(polygons_) +
                              (polygons_ == 1 ? " face" : " faces") +
                              " with more than three corners split into " +
                              std::to_string(polygonTriangles_) +
                              (ears == 0 ? " triangles (fan from the first corner)"
                                         : " triangles (" + std::to_string(ears) +
                                               " not convex by ear clipping in their plane, the others as a "
                                               "fan from the first corner)"));
    }
    if (failed > 0) {
        mesh_.notes.push_back(std::to_string(failed) + (failed == 1 ? " face" : " faces") +
                              " with more than three corners could not be split cleanly (self-crossing, far "
                              "from planar or degenerate) and became a fan from the first corner");
    }
    if (shortFaces_ > 0) {
        mesh_.notes.push_back(std::to_string(shortFaces_) +
                              (shortFaces_ == 1 ? " face" : " faces") +
                              " with fewer than three corners skipped (first at " +
                              firstShortFace_.Describe() + ")");
    }
    mesh_.formatName = std::move(formatName);
    return std::move(mesh_);
}

}  // namespace meshaudit::cli
