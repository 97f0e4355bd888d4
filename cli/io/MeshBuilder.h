// Collects a reader's points and faces into a MeshData: splits faces into
// triangles, keeps track of what had to be changed to do so, and checks the
// indices before anything reaches the library.
#pragma once

#include "MeshData.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace meshaudit::cli {

class KnownElements;

class MeshBuilder {
public:
    // `file` names the file in messages; `indexBase` is how the format counts
    // its points in messages (1 for OBJ, 0 otherwise).
    MeshBuilder(std::string file, int64_t indexBase);

    // Room for so many points and triangles. Readers call these only with
    // counts they have checked against the size of the file.
    void ReservePoints(uint64_t count);
    void ReserveTriangles(uint64_t count);

    void AddPoint(double x, double y, double z);

    // A face of `count` corners given by 0-based point indices as the file
    // wrote them (they may lie outside the points: that is reported by
    // Finish). Three corners make a triangle; more are split into count - 2
    // triangles by Finish (SplitPolygon, which repeats no edge or triangle
    // of the faces where it can help it); fewer are skipped, and both are
    // counted for the notes and numbered in MeshData::faces. `where` locates
    // the face in the file.
    void AddFace(const int64_t* corners, size_t count, SourceLocation where);

    // A note to show beside the results.
    void AddNote(std::string note);

    size_t PointCount() const { return mesh_.points.size(); }
    // A point added so far, as added.
    const T3DVECF& Point(size_t index) const { return mesh_.points[index]; }
    size_t TriangleCount() const { return mesh_.triangles.size(); }

    // The mesh. Throws LoadError when a corner lies outside the points (with
    // how many triangles do so, located at the first of them), when there
    // are no points or no triangles, or when a count does not fit the
    // library's 32-bit counts.
    MeshData Finish(std::string formatName);

private:
    // Adds the edges and triangles of the file's faces (edges round
    // polygons, triangles and their edges) among the points polygons use.
    void CollectFaceElements(KnownElements& known) const;

    // A triangle with a corner outside the points known when its face was
    // read, with its corners as the file wrote them.
    struct OutOfRange {
        uint64_t triangle;
        int64_t corners[3];
        SourceLocation where;
    };

    std::string file_;
    int64_t indexBase_;
    MeshData mesh_;
    // Finish checks these again against the final count, since an OBJ face
    // may name a point that a later line defines.
    std::vector<OutOfRange> suspects_;
    // Faces of more than three corners: where their triangles start, and
    // their corners in polygonCorners_ from `first` on.
    struct Polygon {
        uint64_t triangle;
        uint64_t first;
        uint64_t count;
    };
    std::vector<Polygon> polygonList_;
    std::vector<int64_t> polygonCorners_;
    uint64_t polygons_ = 0;
    uint64_t polygonTriangles_ = 0;
    // Faces so far, and whether MeshData::faces and parts are kept: from the
    // first face that is not a triangle on.
    uint64_t faceCount_ = 0;
    bool numbered_ = false;
    uint64_t shortFaces_ = 0;
    SourceLocation firstShortFace_;
};

}  // namespace meshaudit::cli
