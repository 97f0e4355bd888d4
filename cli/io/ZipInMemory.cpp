// ZipPackage.h on its own, for the command and the WebAssembly page alike:
// the central directory read straight from the bytes (ZIP64 too), parts
// stored or deflated (Inflate.h) and checked against their CRC-32; packages
// written with deflated parts where the build has a compressor (Deflate.h),
// stored where it has none, and ZIP64 records where a size or offset needs
// them. The messages for a broken archive are libzip's, the library this
// code replaced, so that earlier reports still match.
#include "ZipPackage.h"

#include "Deflate.h"
#include "Inflate.h"
#include "LoadError.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace meshaudit::cli {

namespace {

uint32_t Crc32(std::string_view bytes)
{
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc = table[(crc ^ static_cast<uint8_t>(c)) & 0xFFu] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

// Little-endian fields at `at` of `bytes`; the caller checks the bounds.
uint64_t Field(std::string_view bytes, size_t at, int size)
{
    uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
    }
    return value;
}

struct Entry {
    std::string name;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint64_t packed = 0;
    uint64_t size = 0;
    uint64_t local = 0;
};

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

class Failure {
public:
    explicit Failure(const char* reason) : reason_(reason) {}
    const char* reason_;
};

constexpr const char* kNotZip = "Not a zip archive";
constexpr const char* kInconsistent = "Zip archive inconsistent";

// The entries of the central directory; Failure with libzip's words.
std::vector<Entry> ReadDirectory(std::string_view bytes)
{
    if (bytes.size() < 22) {
        throw Failure(kNotZip);
    }
    size_t end = std::string_view::npos;
    const size_t lowest = bytes.size() > 22 + 65535 ? bytes.size() - 22 - 65535 : 0;
    for (size_t at = bytes.size() - 22 + 1; at-- > lowest;) {
        if (Field(bytes, at, 4) == 0x06054b50u) {
            end = at;
            break;
        }
    }
    if (end == std::string_view::npos) {
        throw Failure(kNotZip);
    }
    uint64_t count = Field(bytes, end + 10, 2);
    uint64_t directorySize = Field(bytes, end + 12, 4);
    uint64_t offset = Field(bytes, end + 16, 4);
    // ZIP64: the end record's locator just before it names the real one.
    if (end >= 20 && Field(bytes, end - 20, 4) == 0x07064b50u) {
        const uint64_t at = Field(bytes, end - 20 + 8, 8);
        if (at > bytes.size() || bytes.size() - at < 56 || Field(bytes, static_cast<size_t>(at), 4) != 0x06064b50u) {
            throw Failure(kInconsistent);
        }
        count = Field(bytes, static_cast<size_t>(at) + 32, 8);
        directorySize = Field(bytes, static_cast<size_t>(at) + 40, 8);
        offset = Field(bytes, static_cast<size_t>(at) + 48, 8);
    }
    if (offset > bytes.size() || directorySize > bytes.size() - offset || count > directorySize / 46) {
        throw Failure(kInconsistent);
    }
    std::vector<Entry> entries;
    entries.reserve(static_cast<size_t>(count));
    size_t at = static_cast<size_t>(offset);
    const size_t stop = static_cast<size_t>(offset + directorySize);
    for (uint64_t i = 0; i < count; ++i) {
        if (stop - at < 46 || Field(bytes, at, 4) != 0x02014b50u) {
            throw Failure(kInconsistent);
        }
        Entry entry;
        entry.flags = static_cast<uint16_t>(Field(bytes, at + 8, 2));
        entry.method = static_cast<uint16_t>(Field(bytes, at + 10, 2));
        entry.crc = static_cast<uint32_t>(Field(bytes, at + 16, 4));
        entry.packed = Field(bytes, at + 20, 4);
        entry.size = Field(bytes, at + 24, 4);
        entry.local = Field(bytes, at + 42, 4);
        const size_t nameLength = static_cast<size_t>(Field(bytes, at + 28, 2));
        const size_t extraLength = static_cast<size_t>(Field(bytes, at + 30, 2));
        const size_t commentLength = static_cast<size_t>(Field(bytes, at + 32, 2));
        if (stop - at - 46 < nameLength + extraLength + commentLength) {
            throw Failure(kInconsistent);
        }
        entry.name.assign(bytes.substr(at + 46, nameLength));
        // The ZIP64 extra field holds, in order, the values whose 32-bit
        // fields are all ones.
        for (size_t e = at + 46 + nameLength; e + 4 <= at + 46 + nameLength + extraLength;) {
            const uint64_t id = Field(bytes, e, 2);
            const size_t length = static_cast<size_t>(Field(bytes, e + 2, 2));
            size_t field = e + 4;
            const size_t fieldEnd = std::min(field + length, at + 46 + nameLength + extraLength);
            if (id == 1) {
                for (uint64_t* value : {&entry.size, &entry.packed, &entry.local}) {
                    if (*value == 0xFFFFFFFFu) {
                        if (fieldEnd - field < 8) {
                            throw Failure(kInconsistent);
                        }
                        *value = Field(bytes, field, 8);
                        field += 8;
                    }
                }
            }
            e += 4 + length;
        }
        entries.push_back(std::move(entry));
        at += 46 + nameLength + extraLength + commentLength;
    }
    return entries;
}

}  // namespace

struct ZipReader::State {
    std::string_view bytes;
    std::vector<Entry> entries;
};

ZipReader::ZipReader(std::string_view bytes, const std::string& file) : state_(std::make_unique<State>()), file_(file)
{
    state_->bytes = bytes;
    try {
        state_->entries = ReadDirectory(bytes);
    } catch (const Failure& failure) {
        throw LoadError(file, std::string("not a readable 3MF archive: ") + failure.reason_);
    }
}

ZipReader::~ZipReader() = default;

std::optional<std::string> ZipReader::Read(const std::string& name, uint64_t mostBytes) const
{
    const auto found = std::find_if(state_->entries.begin(), state_->entries.end(),
                                    [&name](const Entry& e) { return SameIgnoringCase(e.name, name); });
    if (found == state_->entries.end()) {
        return std::nullopt;
    }
    const Entry& entry = *found;
    if (entry.size > mostBytes) {
        throw LoadError(file_, "part '" + name + "' claims " + std::to_string(entry.size) +
                                   " bytes, more than the reader takes");
    }
    const auto fail = [&](const char* reason) { return LoadError(file_, "part '" + name + "': " + reason); };
    if ((entry.flags & 1u) != 0) {
        throw fail("Encryption method not supported");
    }
    if (entry.method != 0 && entry.method != 8) {
        throw fail("Compression method not supported");
    }
    const std::string_view bytes = state_->bytes;
    if (entry.local > bytes.size() || bytes.size() - entry.local < 30 ||
        Field(bytes, static_cast<size_t>(entry.local), 4) != 0x04034b50u) {
        throw fail(kInconsistent);
    }
    const size_t start = static_cast<size_t>(entry.local) + 30 +
                         static_cast<size_t>(Field(bytes, static_cast<size_t>(entry.local) + 26, 2)) +
                         static_cast<size_t>(Field(bytes, static_cast<size_t>(entry.local) + 28, 2));
    if (start > bytes.size() || bytes.size() - start < entry.packed) {
        throw fail(kInconsistent);
    }
    const std::string_view packed = bytes.substr(start, static_cast<size_t>(entry.packed));
    std::string out;
    if (entry.method == 0) {
        if (entry.packed != entry.size) {
            throw fail(kInconsistent);
        }
        out.assign(packed);
    } else if (const std::string error = Inflate(packed, static_cast<size_t>(entry.size), out); !error.empty()) {
        throw LoadError(file_, "part '" + name + "': Zlib error: " + error);
    }
    if (Crc32(out) != entry.crc) {
        throw fail("CRC error");
    }
    return out;
}

namespace {

void Put(std::string& out, uint64_t value, int size)
{
    for (int i = 0; i < size; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFFu);
    }
}

}  // namespace

std::string WriteZip(std::span<const ZipPart> parts, uint64_t zip64From)
{
    // 2020-01-01 00:00 in MS-DOS time and date.
    constexpr uint16_t kTime = 0;
    constexpr uint16_t kDate = (2020 - 1980) << 9 | 1 << 5 | 1;
    constexpr uint64_t kAllOnes = 0xFFFFFFFFu;
    zip64From = std::min(zip64From, kAllOnes);
    const auto fail = [](const char* reason) { return LoadError("3MF", std::string("could not build the archive: ") + reason); };
    std::string out, directory, packed;
    for (const auto& [name, bytes] : parts) {
        const size_t nameLength = std::strlen(name);
        if (nameLength > 0xFFFFu) {
            throw fail("a part's name is longer than ZIP allows");
        }
        const uint32_t crc = Crc32(*bytes);
        // Stored where compression does not pay (or the build has none).
        const bool deflated = Deflate(*bytes, packed) && packed.size() < bytes->size();
        const std::string_view data = deflated ? std::string_view(packed) : std::string_view(*bytes);
        const uint64_t size = bytes->size(), packedSize = data.size(), local = out.size();
        // A local header holds both sizes in ZIP64 or neither; the directory
        // holds in ZIP64 each value too large for its own field, in the
        // order size, packed size, offset.
        const bool localWide = size >= zip64From || packedSize >= zip64From;
        std::string wide;
        for (const uint64_t value : {size, packedSize, local}) {
            if (value >= zip64From) {
                Put(wide, value, 8);
            }
        }
        const auto narrow = [zip64From](uint64_t value) { return value >= zip64From ? kAllOnes : value; };
        const auto common = [&](std::string& to, bool wideSizes, size_t extra) {
            Put(to, wideSizes || !wide.empty() ? 45 : 20, 2);  // version needed: 4.5 for ZIP64, else 2.0
            Put(to, 1u << 11, 2);                                 // names in UTF-8
            Put(to, deflated ? 8 : 0, 2);
            Put(to, kTime, 2);
            Put(to, kDate, 2);
            Put(to, crc, 4);
            Put(to, wideSizes ? kAllOnes : narrow(packedSize), 4);
            Put(to, wideSizes ? kAllOnes : narrow(size), 4);
            Put(to, nameLength, 2);
            Put(to, extra, 2);
        };
        Put(directory, 0x02014b50u, 4);
        Put(directory, wide.empty() ? 20 : 45, 2);  // made by
        common(directory, false, wide.empty() ? 0 : 4 + wide.size());
        Put(directory, 0, 2);  // comment
        Put(directory, 0, 2);  // disk
        Put(directory, 0, 2);  // internal attributes
        Put(directory, 0, 4);  // external attributes
        Put(directory, narrow(local), 4);
        directory.append(name, nameLength);
        if (!wide.empty()) {
            Put(directory, 1, 2);  // the ZIP64 extra field
            Put(directory, wide.size(), 2);
            directory += wide;
        }
        Put(out, 0x04034b50u, 4);
        common(out, localWide, localWide ? 20 : 0);
        out.append(name, nameLength);
        if (localWide) {
            Put(out, 1, 2);
            Put(out, 16, 2);
            Put(out, size, 8);
            Put(out, packedSize, 8);
        }
        out += data;
    }
    const uint64_t offset = out.size(), count = parts.size(), directorySize = directory.size();
    out += directory;
    if (count >= std::min<uint64_t>(zip64From, 0xFFFFu) || directorySize >= zip64From || offset >= zip64From) {
        const uint64_t record = out.size();
        Put(out, 0x06064b50u, 4);
        Put(out, 44, 8);  // the record's size after this field
        Put(out, 45, 2);  // made by
        Put(out, 45, 2);  // needed
        Put(out, 0, 4);   // this disk
        Put(out, 0, 4);   // the directory's disk
        Put(out, count, 8);
        Put(out, count, 8);
        Put(out, directorySize, 8);
        Put(out, offset, 8);
        Put(out, 0x07064b50u, 4);  // its locator
        Put(out, 0, 4);
        Put(out, record, 8);
        Put(out, 1, 4);  // disks in all
        Put(out, 0x06054b50u, 4);
        Put(out, 0, 4);
        Put(out, 0xFFFFu, 2);
        Put(out, 0xFFFFu, 2);
        Put(out, kAllOnes, 4);
        Put(out, kAllOnes, 4);
    } else {
        Put(out, 0x06054b50u, 4);
        Put(out, 0, 4);  // this disk, the directory's disk
        Put(out, count, 2);
        Put(out, count, 2);
        Put(out, directorySize, 4);
        Put(out, offset, 4);
    }
    Put(out, 0, 2);  // no comment
    return out;
}

}  // namespace meshaudit::cli
