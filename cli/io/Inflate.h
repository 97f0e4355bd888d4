// Raw DEFLATE data (RFC 1951) decompressed, for the ZIP reader
// (ZipInMemory.cpp): the same code in the command and in the WebAssembly
// build, which has no zlib; the tests hold it against zlib.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace meshaudit::cli {

// Decompresses `in` into `out` (replaced), which must come to exactly
// `size` bytes: a stream that would write more, ends early, or is damaged
// (a bad block type, code or distance) leaves `out` unspecified and returns
// a message saying why; "" on success. Linear in the input and output.
std::string Inflate(std::string_view in, size_t size, std::string& out);

}  // namespace meshaudit::cli
