// One item of a 3MF build: an object placed on the build plate by a
// transform. A file may place one object several times.
#pragma once

#include "MeshData.h"

#include <array>
#include <cstdint>
#include <string>

namespace meshaudit::cli {

// 3MF's affine transform as the file writes it: twelve numbers m00 m01 m02
// m10 m11 m12 m20 m21 m22 m30 m31 m32, row by row, that place a point
// (x y z) at the row vector (x y z 1) times the 4x3 matrix they form.
using ThreeMfTransform = std::array<double, 12>;
inline constexpr ThreeMfTransform kIdentityTransform = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};

struct BuildItem {
    // 0-based, in the order of the <item> elements in the document.
    uint32_t item = 0;
    // The object it places: its id as the file writes it, and its name
    // (empty when it has none).
    std::string objectId;
    std::string objectName;
    // The item's own transform; the identity when the item has none.
    ThreeMfTransform transform = kIdentityTransform;
    // The transform's determinant is negative: the object is mirrored. The
    // placed triangles keep the object's corner order, so that a closed
    // shell that faced outward faces inward once placed.
    bool mirrored = false;
    // The object flattened through its components exactly as
    // Read3mfObjects flattens it (the same points and triangles, in the same
    // order, so that triangle i here is triangle i of the object), every
    // point then moved by `transform`. objectId and objectName are set.
    MeshData mesh;
};

}  // namespace meshaudit::cli
