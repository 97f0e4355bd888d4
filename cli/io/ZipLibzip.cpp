// ZipPackage.h on libzip.
#include "ZipPackage.h"

#include "LoadError.h"

#include <zip.h>

#include <ctime>

namespace meshaudit::cli {

struct ZipReader::State {
    zip_t* archive = nullptr;
};

ZipReader::ZipReader(std::string_view bytes, const std::string& file) : state_(std::make_unique<State>()), file_(file)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    state_->archive = source == nullptr ? nullptr : zip_open_from_source(source, ZIP_RDONLY, &error);
    if (state_->archive == nullptr) {
        if (source != nullptr) {
            zip_source_free(source);
        }
        std::string reason = zip_error_strerror(&error);
        zip_error_fini(&error);
        throw LoadError(file, "not a readable 3MF archive: " + reason);
    }
    zip_error_fini(&error);
}

ZipReader::~ZipReader()
{
    zip_discard(state_->archive);
}

std::optional<std::string> ZipReader::Read(const std::string& name, uint64_t mostBytes) const
{
    zip_t* archive = state_->archive;
    const zip_int64_t index = zip_name_locate(archive, name.c_str(), ZIP_FL_NOCASE);
    if (index < 0) {
        return std::nullopt;
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0 ||
        (stat.valid & ZIP_STAT_SIZE) == 0) {
        throw LoadError(file_, "part '" + name + "': " + zip_strerror(archive));
    }
    if (stat.size > mostBytes) {
        throw LoadError(file_, "part '" + name + "' claims " + std::to_string(stat.size) +
                                   " bytes, more than the reader takes");
    }
    std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> part(
        zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0), zip_fclose);
    if (!part) {
        throw LoadError(file_, "part '" + name + "': " + zip_strerror(archive));
    }
    std::string bytes(static_cast<size_t>(stat.size), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const zip_int64_t got = zip_fread(part.get(), bytes.data() + done, bytes.size() - done);
        if (got <= 0) {
            const char* reason = got < 0 ? zip_file_strerror(part.get()) : "it ends early";
            throw LoadError(file_, "part '" + name + "' at offset " + std::to_string(done) + ": " + reason);
        }
        done += static_cast<size_t>(got);
    }
    return bytes;
}

std::string WriteZip(std::span<const ZipPart> parts)
{
    zip_error_t error;
    zip_error_init(&error);
    auto fail = [&](const std::string& reason) -> LoadError {
        zip_error_fini(&error);
        return LoadError("3MF", "could not build the archive: " + reason);
    };
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (buffer == nullptr) {
        throw fail(zip_error_strerror(&error));
    }
    std::unique_ptr<zip_source_t, void (*)(zip_source_t*)> keep(buffer, zip_source_free);
    zip_source_keep(buffer);  // the archive's close must leave the bytes
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        zip_source_free(buffer);
        throw fail(zip_error_strerror(&error));
    }
    for (const auto& [name, bytes] : parts) {
        zip_source_t* part = zip_source_buffer(archive, bytes->data(), bytes->size(), 0);
        const zip_int64_t index = part == nullptr ? -1 : zip_file_add(archive, name, part, ZIP_FL_ENC_UTF_8);
        // A fixed time stamp, so that the same mesh gives the same bytes.
        constexpr time_t kStamp = 1577836800;  // 2020-01-01
        if (index < 0 || zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), kStamp, 0) != 0) {
            if (part != nullptr && index < 0) {
                zip_source_free(part);
            }
            const std::string reason = zip_strerror(archive);
            zip_discard(archive);
            throw fail(reason);
        }
    }
    if (zip_close(archive) != 0) {
        const std::string reason = zip_strerror(archive);
        zip_discard(archive);
        throw fail(reason);
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_stat(buffer, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0 || zip_source_open(buffer) != 0) {
        throw fail("the written archive cannot be read back");
    }
    std::string out(static_cast<size_t>(stat.size), '\0');
    const zip_int64_t got = zip_source_read(buffer, out.data(), out.size());
    zip_source_close(buffer);
    if (got != static_cast<zip_int64_t>(out.size())) {
        throw fail("the written archive cannot be read back");
    }
    zip_error_fini(&error);
    return out;
}

}  // namespace meshaudit::cli
