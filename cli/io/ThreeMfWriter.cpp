#include "Decimal.h"
#include "LoadError.h"
#include "MeshWriters.h"
#include "ThreeMf.h"
#include "ZipPackage.h"


#include <charconv>

namespace meshaudit::cli {

namespace {

std::string ModelXml(const MeshData& mesh)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<model unit=\"millimeter\" xml:lang=\"en-US\" xmlns=\"";
    out += kThreeMfCoreNamespace;
    out += "\">\n<resources>\n<object id=\"1\" type=\"model\"><mesh>\n<vertices>\n";
    out.reserve(out.size() + 64 * mesh.points.size() + 48 * mesh.triangles.size());
    for (const T3DVECF& p : mesh.points) {
        // The shortest decimals that read back to the same doubles.
        out += "<vertex x=\"";
        AppendNumber(out, p.x);
        out += "\" y=\"";
        AppendNumber(out, p.y);
        out += "\" z=\"";
        AppendNumber(out, p.z);
        out += "\"/>\n";
    }
    out += "</vertices>\n<triangles>\n";
    for (const TRIANGLE& t : mesh.triangles) {
        out += "<triangle v1=\"";
        AppendNumber(out, t.a);
        out += "\" v2=\"";
        AppendNumber(out, t.b);
        out += "\" v3=\"";
        AppendNumber(out, t.c);
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
    const ZipPart parts[] = {
        {"[Content_Types].xml", &types}, {"_rels/.rels", &rels}, {kThreeMfModelPart, &model}};

    return WriteZip(parts);
}

}  // namespace meshaudit::cli
