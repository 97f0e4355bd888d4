// ZipPackage.h on libzip, loaded on first use: only 3MF files need it, and
// linked in, it and what it pulls in (a cryptography library among them)
// would cost every start of the command several milliseconds of loading
// and relocation, more than the repair of a small mesh takes.
#include "ZipPackage.h"

#include "LoadError.h"

#include <dlfcn.h>
#include <zip.h>

#include <cstring>
#include <ctime>
#include <mutex>

namespace meshaudit::cli {

namespace {

// The functions used, by their own declarations in zip.h.
struct Libzip {
    decltype(&::zip_close) close = nullptr;
    decltype(&::zip_discard) discard = nullptr;
    decltype(&::zip_error_fini) error_fini = nullptr;
    decltype(&::zip_error_init) error_init = nullptr;
    decltype(&::zip_error_strerror) error_strerror = nullptr;
    decltype(&::zip_fclose) fclose = nullptr;
    decltype(&::zip_file_add) file_add = nullptr;
    decltype(&::zip_file_set_mtime) file_set_mtime = nullptr;
    decltype(&::zip_file_strerror) file_strerror = nullptr;
    decltype(&::zip_fopen_index) fopen_index = nullptr;
    decltype(&::zip_fread) fread = nullptr;
    decltype(&::zip_name_locate) name_locate = nullptr;
    decltype(&::zip_open_from_source) open_from_source = nullptr;
    decltype(&::zip_source_buffer) source_buffer = nullptr;
    decltype(&::zip_source_buffer_create) source_buffer_create = nullptr;
    decltype(&::zip_source_close) source_close = nullptr;
    decltype(&::zip_source_free) source_free = nullptr;
    decltype(&::zip_source_keep) source_keep = nullptr;
    decltype(&::zip_source_open) source_open = nullptr;
    decltype(&::zip_source_read) source_read = nullptr;
    decltype(&::zip_source_stat) source_stat = nullptr;
    decltype(&::zip_stat_index) stat_index = nullptr;
    decltype(&::zip_stat_init) stat_init = nullptr;
    decltype(&::zip_strerror) strerror = nullptr;
};

// The library, loaded once (the command's workers may meet 3MF files at
// the same time); throws LoadError(file, ...) saying what is missing when
// it cannot be loaded or lacks a function.
const Libzip& Zip(const std::string& file)
{
    static Libzip zip;
    static std::string failure;
    static std::once_flag once;
    // Kept for the life of the process, as a linked library would be.
    static void* handle = nullptr;
    std::call_once(once, [] {
        for (const char* name : {MESHAUDIT_LIBZIP_SONAME, "libzip.so"}) {
            handle = handle != nullptr ? handle : dlopen(name, RTLD_NOW | RTLD_LOCAL);
        }
        if (handle == nullptr) {
            const char* why = dlerror();
            failure = std::string("3MF files need libzip (" MESHAUDIT_LIBZIP_SONAME "), which could not be loaded") +
                      (why != nullptr ? std::string(": ") + why : std::string());
            return;
        }
        const auto bind = [](auto& function, const char* name) {
            void* address = dlsym(handle, name);
            std::memcpy(&function, &address, sizeof function);
            return address != nullptr;
        };
        bool ok = true;
        ok = bind(zip.close, "zip_close") && ok;
        ok = bind(zip.discard, "zip_discard") && ok;
        ok = bind(zip.error_fini, "zip_error_fini") && ok;
        ok = bind(zip.error_init, "zip_error_init") && ok;
        ok = bind(zip.error_strerror, "zip_error_strerror") && ok;
        ok = bind(zip.fclose, "zip_fclose") && ok;
        ok = bind(zip.file_add, "zip_file_add") && ok;
        ok = bind(zip.file_set_mtime, "zip_file_set_mtime") && ok;
        ok = bind(zip.file_strerror, "zip_file_strerror") && ok;
        ok = bind(zip.fopen_index, "zip_fopen_index") && ok;
        ok = bind(zip.fread, "zip_fread") && ok;
        ok = bind(zip.name_locate, "zip_name_locate") && ok;
        ok = bind(zip.open_from_source, "zip_open_from_source") && ok;
        ok = bind(zip.source_buffer, "zip_source_buffer") && ok;
        ok = bind(zip.source_buffer_create, "zip_source_buffer_create") && ok;
        ok = bind(zip.source_close, "zip_source_close") && ok;
        ok = bind(zip.source_free, "zip_source_free") && ok;
        ok = bind(zip.source_keep, "zip_source_keep") && ok;
        ok = bind(zip.source_open, "zip_source_open") && ok;
        ok = bind(zip.source_read, "zip_source_read") && ok;
        ok = bind(zip.source_stat, "zip_source_stat") && ok;
        ok = bind(zip.stat_index, "zip_stat_index") && ok;
        ok = bind(zip.stat_init, "zip_stat_init") && ok;
        ok = bind(zip.strerror, "zip_strerror") && ok;
        if (!ok) {
            zip = Libzip{};
            failure = "3MF files need libzip (" MESHAUDIT_LIBZIP_SONAME "), whose loaded copy lacks a function used";
        }
    });
    if (!failure.empty()) {
        throw LoadError(file, failure);
    }
    return zip;
}

}  // namespace


struct ZipReader::State {
    zip_t* archive = nullptr;
};

ZipReader::ZipReader(std::string_view bytes, const std::string& file) : state_(std::make_unique<State>()), file_(file)
{
    const Libzip& zip = Zip(file);
    zip_error_t error;
    zip.error_init(&error);
    zip_source_t* source = zip.source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    state_->archive = source == nullptr ? nullptr : zip.open_from_source(source, ZIP_RDONLY, &error);
    if (state_->archive == nullptr) {
        if (source != nullptr) {
            zip.source_free(source);
        }
        std::string reason = zip.error_strerror(&error);
        zip.error_fini(&error);
        throw LoadError(file, "not a readable 3MF archive: " + reason);
    }
    zip.error_fini(&error);
}

ZipReader::~ZipReader()
{
    Zip(file_).discard(state_->archive);
}

std::optional<std::string> ZipReader::Read(const std::string& name, uint64_t mostBytes) const
{
    const Libzip& zip = Zip(file_);
    zip_t* archive = state_->archive;
    const zip_int64_t index = zip.name_locate(archive, name.c_str(), ZIP_FL_NOCASE);
    if (index < 0) {
        return std::nullopt;
    }
    zip_stat_t stat;
    zip.stat_init(&stat);
    if (zip.stat_index(archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0 ||
        (stat.valid & ZIP_STAT_SIZE) == 0) {
        throw LoadError(file_, "part '" + name + "': " + zip.strerror(archive));
    }
    if (stat.size > mostBytes) {
        throw LoadError(file_, "part '" + name + "' claims " + std::to_string(stat.size) +
                                   " bytes, more than the reader takes");
    }
    std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> part(
        zip.fopen_index(archive, static_cast<zip_uint64_t>(index), 0), zip.fclose);
    if (!part) {
        throw LoadError(file_, "part '" + name + "': " + zip.strerror(archive));
    }
    std::string bytes(static_cast<size_t>(stat.size), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const zip_int64_t got = zip.fread(part.get(), bytes.data() + done, bytes.size() - done);
        if (got <= 0) {
            const char* reason = got < 0 ? zip.file_strerror(part.get()) : "it ends early";
            throw LoadError(file_, "part '" + name + "' at offset " + std::to_string(done) + ": " + reason);
        }
        done += static_cast<size_t>(got);
    }
    return bytes;
}

std::string WriteZip(std::span<const ZipPart> parts)
{
    const Libzip& zip = Zip("3MF");
    zip_error_t error;
    zip.error_init(&error);
    auto fail = [&](const std::string& reason) -> LoadError {
        zip.error_fini(&error);
        return LoadError("3MF", "could not build the archive: " + reason);
    };
    zip_source_t* buffer = zip.source_buffer_create(nullptr, 0, 0, &error);
    if (buffer == nullptr) {
        throw fail(zip.error_strerror(&error));
    }
    std::unique_ptr<zip_source_t, void (*)(zip_source_t*)> keep(buffer, zip.source_free);
    zip.source_keep(buffer);  // the archive's close must leave the bytes
    zip_t* archive = zip.open_from_source(buffer, ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        zip.source_free(buffer);
        throw fail(zip.error_strerror(&error));
    }
    for (const auto& [name, bytes] : parts) {
        zip_source_t* part = zip.source_buffer(archive, bytes->data(), bytes->size(), 0);
        const zip_int64_t index = part == nullptr ? -1 : zip.file_add(archive, name, part, ZIP_FL_ENC_UTF_8);
        // A fixed time stamp, so that the same mesh gives the same bytes.
        constexpr time_t kStamp = 1577836800;  // 2020-01-01
        if (index < 0 || zip.file_set_mtime(archive, static_cast<zip_uint64_t>(index), kStamp, 0) != 0) {
            if (part != nullptr && index < 0) {
                zip.source_free(part);
            }
            const std::string reason = zip.strerror(archive);
            zip.discard(archive);
            throw fail(reason);
        }
    }
    if (zip.close(archive) != 0) {
        const std::string reason = zip.strerror(archive);
        zip.discard(archive);
        throw fail(reason);
    }
    zip_stat_t stat;
    zip.stat_init(&stat);
    if (zip.source_stat(buffer, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0 || zip.source_open(buffer) != 0) {
        throw fail("the written archive cannot be read back");
    }
    std::string out(static_cast<size_t>(stat.size), '\0');
    const zip_int64_t got = zip.source_read(buffer, out.data(), out.size());
    zip.source_close(buffer);
    if (got != static_cast<zip_int64_t>(out.size())) {
        throw fail("the written archive cannot be read back");
    }
    zip.error_fini(&error);
    return out;
}

}  // namespace meshaudit::cli
