// Builds PLY files of any layout for the reader tests: element and property
// types, encodings and extra elements that the command's own writer never
// produces.
#pragma once

#include "PlyHeader.h"

#include <string>
#include <vector>

namespace meshaudit::cli::testing {

struct PlyTestProperty {
    std::string name;
    PlyType type = PlyType::Float32;
    bool isList = false;
    PlyType countType = PlyType::UInt8;
};

struct PlyTestElement {
    std::string name;
    std::vector<PlyTestProperty> properties;
    // One row per instance, one entry per property: a scalar is a vector of
    // one value, a list the vector of its items.
    std::vector<std::vector<std::vector<double>>> rows;
};

std::string BuildPly(PlyEncoding encoding, const std::vector<PlyTestElement>& elements);

}  // namespace meshaudit::cli::testing
