#include "LoadError.h"
#include "MeshWriters.h"
#include "ThreeMf.h"

#include <zip.h>

#include <charconv>
#include <ctime>
#include <memory>

namespace meshaudit::cli {

namespace {

void Append(std::string& out, double value)
{
    char buffer[32];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)error;  // 32 characters hold any double
    out.append(buffer, end);
}

void Append(std::string& out, uint32_t value)
{
    char buffer[12];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)error;
    out.append(buffer, end);
}

std::string ModelXml(const MeshData& mesh)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<model unit=\"millimeter\" xml:lang=\"en-US\" xmlns=\"";
    out += kThreeMfCoreNamespace;
    out += "\">\n<resources>\n<object id=\"1\" type=\"model\"><mesh>\n<vertices>\n";
    out.reserve(out.size() + 64 * mesh.points.size() + 48 * mesh.triangles.size());
    for (const T3DVECF& p : mesh.points) {
        // The shortest decimals that read back to the same doubles.
        out += "<vertex x=\"";
        Append(out, p.x);
        out += "\" y=\"";
        Append(out, p.y);
        out += "\" z=\"";
        Append(out, p.z);
        out += "\"/>\n";
    }
    out += "</vertices>\n<triangles>\n";
    for (const TRIANGLE& t : mesh.triangles) {
        out += "<triangle v1=\"";
        Append(out, t.a);
        out += "\" v2=\"";
        Append(out, t.b);
        out += "\" v3=\"";
        Append(out, t.c);
        out += "\"/>\n";
    }
    out += "</triangles>\n</mesh></object>\n</resources>\n<build><item objectid=\"1\"/></build>\n</model>\n";
    return out;
}

}  // namespace

std::string Write3mf(const MeshData& mesh)
{
    return Write3mfPackage(ModelXml(mesh));
}

std::string Write3mfPackage(const std::string& model)
{
    const std::string types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"model\" ContentType=\"application/vnd.ms-package.3dmanufacturing-3dmodel+xml\"/>"
        "</Types>\n";
    const std::string rels = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") +
                             "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                             "<Relationship Target=\"/" + kThreeMfModelPart + "\" Id=\"rel0\" Type=\"" +
                             kThreeMfModelType + "\"/></Relationships>\n";
    const std::pair<const char*, const std::string*> parts[] = {
        {"[Content_Types].xml", &types}, {"_rels/.rels", &rels}, {kThreeMfModelPart, &model}};

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
