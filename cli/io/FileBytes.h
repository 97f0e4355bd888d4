// Whole-file input and atomic whole-file output.
#pragma once

#include <string>

namespace meshaudit::cli {

// The bytes of the file at `path`. Throws LoadError naming the path when it
// cannot be opened or read, or is a directory.
std::string ReadFileBytes(const std::string& path);

// Writes `bytes` to `path` through a temporary file in the same directory
// that is renamed over `path` at the end, so that a failed write never leaves
// a half-written file behind (nor damages the file it replaces). Throws
// LoadError naming the path on failure.
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace meshaudit::cli
