// The one kind of failure the readers and writers report: a message of one
// line that names the file and, where there is one, the place in it.
#pragma once

#include "MeshData.h"

#include <stdexcept>
#include <string>

namespace meshaudit::cli {

class LoadError : public std::runtime_error {
public:
    // "FILE: line 12: MESSAGE", "FILE: byte 84: MESSAGE" or "FILE: MESSAGE".
    LoadError(const std::string& file, SourceLocation where, const std::string& message);
    LoadError(const std::string& file, const std::string& message);
};

}  // namespace meshaudit::cli
