// Raw DEFLATE data (RFC 1951) compressed, for the ZIP writer
// (ZipInMemory.cpp). The command compresses with zlib (DeflateZlib.cpp);
// the WebAssembly build, which has no zlib, stores its parts as they are
// (web/DeflateNone.cpp).
#pragma once

#include <string>
#include <string_view>

namespace meshaudit::cli {

// Compresses `in` into `out` (replaced) at zlib's default level. Returns
// false, leaving `out` unspecified, when this build has no compressor or
// the compressor fails; the writer then stores the part. Throws
// std::bad_alloc when `out` cannot be had.
bool Deflate(std::string_view in, std::string& out);

}  // namespace meshaudit::cli
