// Merging points within a tolerance of a seed: one ball query per seed on a
// point tree, seeds in index order, each class replaced by the mean of what
// its seed's query found.
#include "repair/MergePoints.h"

#include "containers/Memory.h"
#include "geometry/PntAabbTree.h"

#include <cstring>

namespace meshaudit {

namespace {

// "No class yet": all bits set; a class number is stored zero-extended.
constexpr uint64_t kNoClass = ~uint64_t{0};

// The merged points, one per class in class order, growing by doubling. There
// are never more classes than points, which caps the capacity.
class MergedPoints {
public:
    explicit MergedPoints(uint32_t limit) : limit_(limit) {}
    ~MergedPoints() { Free(data_); }
    MergedPoints(const MergedPoints&) = delete;
    MergedPoints& operator=(const MergedPoints&) = delete;

    bool Append(const T3DVECF& p)
    {
        if (count_ == capacity_ && !Grow()) {
            return false;
        }
        data_[count_++] = p;
        return true;
    }

    const T3DVECF* Data() const { return data_; }
    uint32_t Count() const { return count_; }

private:
    bool Grow()
    {
        uint64_t capacity = capacity_ == 0 ? 1024 : uint64_t{capacity_} * 2;
        if (capacity > limit_) {
            capacity = limit_;
        }
        if (capacity <= capacity_) {
            return false;
        }
        T3DVECF* grown = AllocateArray<T3DVECF>(capacity);
        if (grown == nullptr) {
            return false;
        }
        if (count_ != 0) {
            std::memcpy(grown, data_, sizeof(T3DVECF) * count_);
        }
        Free(data_);
        data_ = grown;
        capacity_ = static_cast<uint32_t>(capacity);
        return true;
    }

    T3DVECF* data_ = nullptr;
    uint32_t count_ = 0;
    uint32_t capacity_ = 0;
    uint32_t limit_;
};

// The working arrays, released on every path out of the merge.
struct Scratch {
    uint64_t* classes = nullptr;
    uint32_t* found = nullptr;

    ~Scratch()
    {
        Free(classes);
        Free(found);
    }
};

}  // namespace

bool MergeDuplicatedPoints(MeshRecord& record, const double* tolerance)
{
    const T3DVECF* points = record.points;
    const uint32_t pointCount = record.pointCount;
    TRIANGLE* triangles = record.triangles;
    const uint32_t triangleCount = record.triangleCount;
    if (points == nullptr || triangles == nullptr || pointCount == 0 || triangleCount == 0 ||
        tolerance == nullptr) {
        return false;
    }
    C3DPntAABBTree tree;
    if (tree.Build(record) == 0) {
        return false;
    }
    Scratch scratch;
    scratch.classes = AllocateArray<uint64_t>(pointCount);
    scratch.found = AllocateArray<uint32_t>(pointCount);
    if (scratch.classes == nullptr || scratch.found == nullptr) {
        return false;
    }
    uint64_t* classes = scratch.classes;
    uint32_t* found = scratch.found;
    for (uint32_t i = 0; i < pointCount; ++i) {
        classes[i] = kNoClass;
    }

    const PntEntry* entries = tree.Entries();
    MergedPoints merged(pointCount);
    uint32_t classCount = 0;
    for (uint32_t seed = 0; seed < pointCount; ++seed) {
        if (classes[seed] != kNoClass) {
            continue;
        }
        const T3DSPHERE ball{points[seed], *tolerance};
        uint32_t count = 0;
        tree.CollectEntriesInBall(ball, found, count);
        if (count == 0) {
            return false;
        }
        // Every point found joins this class, also one that an earlier seed
        // took; the sum runs in the order the query found the points. The
        // entries hold exact copies of the coordinates, near one another.
        T3DVECF sum{0.0, 0.0, 0.0};
        for (uint32_t k = 0; k < count; ++k) {
            const PntEntry& e = entries[found[k]];
            classes[e.index] = classCount;
            sum.x += e.point.x;
            sum.y += e.point.y;
            sum.z += e.point.z;
        }
        const double n = static_cast<double>(count);
        if (!merged.Append(T3DVECF{sum.x / n, sum.y / n, sum.z / n})) {
            return false;
        }
        ++classCount;
    }

    // The new point array comes before any change to the record, so that a
    // failure leaves the record as it was given.
    T3DVECF* newPoints = AllocateArray<T3DVECF>(classCount);
    if (newPoints == nullptr) {
        return false;
    }
    std::memcpy(newPoints, merged.Data(), sizeof(T3DVECF) * classCount);

    // An index beyond the point count has no class; it is kept as it is and
    // stays out of range, since the merge never adds points.
    for (uint32_t t = 0; t < triangleCount; ++t) {
        TRIANGLE& tri = triangles[t];
        if (tri.a < pointCount) {
            tri.a = static_cast<uint32_t>(classes[tri.a]);
        }
        if (tri.b < pointCount) {
            tri.b = static_cast<uint32_t>(classes[tri.b]);
        }
        if (tri.c < pointCount) {
            tri.c = static_cast<uint32_t>(classes[tri.c]);
        }
    }
    Free(record.points);
    record.points = newPoints;
    record.pointCount = classCount;
    return true;
}

}  // namespace meshaudit
