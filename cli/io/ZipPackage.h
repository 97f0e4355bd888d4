// The ZIP container of a 3MF package: its parts read from bytes in memory,
// and a package written from parts (ZipInMemory.cpp, for the command and
// the WebAssembly page alike).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace meshaudit::cli {

class ZipReader {
public:
    // Opens the archive in `bytes`, which must outlive the reader; `file`
    // names it in errors. Throws LoadError(file, "not a readable 3MF
    // archive: REASON") when the bytes are no ZIP archive.
    ZipReader(std::string_view bytes, const std::string& file);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // The bytes of the part `name` (found without regard to case), or
    // nullopt when the archive has no such part. A part whose entry claims
    // more than `mostBytes` is refused, and so is a damaged one: LoadError
    // naming the file and the part.
    std::optional<std::string> Read(const std::string& name, uint64_t mostBytes) const;

private:
    struct State;
    std::unique_ptr<State> state_;
    std::string file_;
};

// One part of a package to write: its name and its bytes (not owned).
using ZipPart = std::pair<const char*, const std::string*>;

// The bytes of a ZIP archive of `parts`, in that order, each with the same
// fixed time stamp so that the same parts give the same bytes. A part is
// deflated where the build has a compressor (Deflate.h) and that makes it
// smaller, and stored otherwise. A size or offset of `zip64From` or more
// (at most 2^32 - 1, the default), and 65,535 parts or more, are written
// in ZIP64 records, as readers expect; tests lower the bound to see those
// records without gigabytes of data. Throws LoadError("3MF", "could not
// build the archive: REASON") for a part's name too long for ZIP, and
// std::bad_alloc when memory runs short.
std::string WriteZip(std::span<const ZipPart> parts, uint64_t zip64From = 0xFFFFFFFFu);

}  // namespace meshaudit::cli
