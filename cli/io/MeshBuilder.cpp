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
    const uint64_t face = faceCount_++;
    if (count != 3 && !numbered_) {
        // Every face so far was a triangle: each triangle is its own face.
        numbered_ = true;
        const size_t triangles = mesh_.triangles.size();
        mesh_.faces.reserve(mesh_.triangles.capacity());
        mesh_.parts.reserve(mesh_.triangles.capacity());
        for (size_t t = 0; t < triangles; ++t) {
            mesh_.faces.push_back(static_cast<uint32_t>(t));
        }
        mesh_.parts.assign(triangles, 0);
    }
    if (numbered_ && count >= 3) {
        // Numbers past 32 bits are refused by Finish.
        mesh_.faces.insert(mesh_.faces.end(), count - 2, static_cast<uint32_t>(face));
        for (size_t i = 1; i + 1 < count; ++i) {
            mesh_.parts.push_back(count == 3 ? 0 : static_cast<uint32_t>(i));
        }
    }
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

// Only points that polygons use can be corners of a split, so edges and
// triangles elsewhere are left out: a file of triangles with a few polygons
// pays for the polygons alone.
void MeshBuilder::CollectFaceElements(KnownElements& known) const
{
    std::vector<bool> used(mesh_.points.size(), false);
    for (int64_t corner : polygonCorners_) {
        used[static_cast<size_t>(corner)] = true;
    }
    // About: the sides of polygons, each shared, and their diagonals; their
    // triangles.
    known.Reserve(polygonCorners_.size(), polygonCorners_.size() / 2);
    size_t next = 0;  // the next polygon, whose triangles are its split's
    for (uint64_t t = 0; t < mesh_.triangles.size();) {
        if (next < polygonList_.size() && polygonList_[next].triangle == t) {
            t += polygonList_[next++].count - 2;
            continue;
        }
        const TRIANGLE& triangle = mesh_.triangles[t++];
        const uint32_t c[3] = {triangle.a, triangle.b, triangle.c};
        if (used[c[0]] && used[c[1]] && used[c[2]]) {
            known.AddTriangle(triangle);
        }
        for (int i = 0; i < 3; ++i) {
            if (used[c[i]] && used[c[(i + 1) % 3]]) {
                known.AddEdge(c[i], c[(i + 1) % 3]);
            }
        }
    }
    for (const Polygon& polygon : polygonList_) {
        const int64_t* corners = polygonCorners_.data() + polygon.first;
        for (uint64_t i = 0; i < polygon.count; ++i) {
            known.AddEdge(static_cast<uint32_t>(corners[i]),
                          static_cast<uint32_t>(corners[(i + 1) % polygon.count]));
        }
    }
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
    if (numbered_ && faceCount_ > std::numeric_limits<uint32_t>::max()) {
        throw LoadError(file_, "too many faces to number (" + std::to_string(faceCount_) + ")");
    }
    // Every corner is known to be inside now: the fans AddFace wrote are
    // replaced by splits that repeat no edge or triangle of the faces (nor of
    // earlier splits) where another split does not.
    uint64_t ears = 0;
    uint64_t notPlanar = 0;
    uint64_t failed = 0;
    KnownElements known;
    if (!polygonList_.empty()) {
        CollectFaceElements(known);
    }
    for (const Polygon& polygon : polygonList_) {
        TRIANGLE* out = mesh_.triangles.data() + polygon.triangle;
        const PolygonSplit split =
            SplitPolygon(mesh_.points, polygonCorners_.data() + polygon.first, polygon.count, known, out);
        // What later polygons must not repeat: the split's triangles and
        // diagonals (its sides are known already).
        for (uint64_t i = 0; i + 2 < polygon.count && &polygon != &polygonList_.back(); ++i) {
            known.AddTriangle(out[i]);
            if (i + 3 < polygon.count) {
                known.AddEdge(out[i].c, out[i].a);
            }
        }
        ears += split == PolygonSplit::Ears;
        notPlanar += split == PolygonSplit::NotPlanar;
        failed += split == PolygonSplit::Failed;
    }
    auto counted = [](uint64_t n) { return std::to_string(n) + (n == 1 ? " face" : " faces"); };
    if (polygons_ > 0) {
        mesh_.notes.push_back(counted(polygons_) + " with more than three corners split into " +
                              std::to_string(polygonTriangles_) + " triangles" +
                              (ears == 0 ? "" : " (" + std::to_string(ears) + " not convex, by ear clipping in " +
                                                    (ears == 1 ? "its" : "their") + " plane)"));
    }
    if (notPlanar > 0) {
        mesh_.notes.push_back(counted(notPlanar) + " with more than three corners " +
                              (notPlanar == 1 ? "is not planar; it was" : "are not planar; they were") +
                              " split all the same");
    }
    if (failed > 0) {
        mesh_.notes.push_back(counted(failed) + " with more than three corners could not be split cleanly "
                              "(self-crossing, degenerate, or too many corners to clip) and " +
                              (failed == 1 ? "became a fan" : "became fans"));
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
