#include "Marked.h"

#include "Verdict.h"

#include <algorithm>
#include <cmath>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace meshaudit::cli {

std::array<uint8_t, 3> QuantityRgb(const Quantity& quantity)
{
    // Hues a golden angle apart, in the order of the quantities that mark
    // elements (those with a bit in their mark column). Hues close to each
    // other come 5, 8, 13, 21 or 34 places apart, so the lightness (by the
    // place's parity) and the saturation (by the place modulo 3) tell such a
    // pair apart.
    int index = 0;
    for (Category category : kCategories) {
        for (const Quantity& q : QuantitiesOf(category)) {
            if (&q == &quantity) {
                static constexpr double kSaturation[3] = {0.95, 0.7, 0.45};
                const double hue = std::fmod(index * 137.50776405, 360.0) / 60.0;
                const double lightness = index % 2 == 0 ? 0.5 : 0.68;
                const double chroma = kSaturation[index % 3] * (1 - std::fabs(2 * lightness - 1));
                const double x = chroma * (1 - std::fabs(std::fmod(hue, 2.0) - 1));
                const int sector = static_cast<int>(hue);
                const double rgb[6][3] = {{chroma, x, 0}, {x, chroma, 0}, {0, chroma, x},
                                          {0, x, chroma}, {x, 0, chroma}, {chroma, 0, x}};
                const auto channel = [&](int c) {
                    return static_cast<uint8_t>(std::lround(255 * (rgb[sector][c] + lightness - chroma / 2)));
                };
                return {channel(0), channel(1), channel(2)};
            }
            index += q.mark.bit >= 0 ? 1 : 0;
        }
    }
    return kCleanRgb;
}

std::string QuantityColour(const Quantity& quantity)
{
    const std::array<uint8_t, 3> rgb = QuantityRgb(quantity);
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
    return text;
}

void MarkDefects(const FileOutcome& outcome, const std::vector<ElementList>& lists, DefectMarks& marks)
{
    marks.points.assign(static_cast<size_t>(outcome.pointCount), 0);
    marks.triangles.assign(static_cast<size_t>(outcome.triangleCount), 0);
    marks.kinds.clear();
    for (const ElementList& list : lists) {
        const Quantity* found = list.QuantityOf();
        if (found == nullptr) {
            continue;
        }
        const Quantity& q = *found;
        const DefectMark& mark = q.mark;
        if (mark.bit < 0 || JudgementOf(outcome, q) != Judgement::Fail) {
            continue;
        }
        std::vector<uint32_t>& target = mark.onPoints ? marks.points : marks.triangles;
        MarkedKind kind{&q, mark.onPoints, {}};
        const uint32_t end = std::min<uint32_t>(mark.first + mark.count, list.arity);
        for (uint64_t i = 0; i < list.Stored(); ++i) {
            const uint32_t* entry = list.data.data() + i * list.arity;
            for (uint32_t j = mark.first; j < end; ++j) {
                if (entry[j] < target.size()) {
                    target[entry[j]] |= 1u << mark.bit;
                    kind.elements.push_back(entry[j]);
                }
            }
        }
        std::sort(kind.elements.begin(), kind.elements.end());
        kind.elements.erase(std::unique(kind.elements.begin(), kind.elements.end()), kind.elements.end());
        if (!kind.elements.empty()) {
            marks.kinds.push_back(std::move(kind));
        }
    }
}

namespace {

// For each element, the colour of the first kind that marks it (kinds come in
// table order), or kCleanRgb.
std::vector<std::array<uint8_t, 3>> Colours(size_t count, const std::vector<MarkedKind>& kinds, bool onPoints)
{
    std::vector<std::array<uint8_t, 3>> colours(count, kCleanRgb);
    std::vector<bool> painted(count, false);
    for (const MarkedKind& kind : kinds) {
        if (kind.onPoints != onPoints) {
            continue;
        }
        const std::array<uint8_t, 3> rgb = QuantityRgb(*kind.quantity);
        for (const uint32_t element : kind.elements) {
            if (element < count && !painted[element]) {
                colours[element] = rgb;
                painted[element] = true;
            }
        }
    }
    return colours;
}

}  // namespace

std::string WriteMarkedPly(const std::string& path, const MeshData& mesh, const DefectMarks& marks)
{
    std::string bytes = "ply\nformat binary_little_endian 1.0\n"
                        "comment meshaudit: a defects bit is set where a failing quantity lists the element\n";
    for (const DefectKind& kind : DefectKinds()) {
        bytes += std::string("comment ") + (kind.onPoints ? "vertex" : "face") + " bit " + std::to_string(kind.bit) +
                 ": " + kind.says + "\n";
    }
    const std::string rgb = "property uchar red\nproperty uchar green\nproperty uchar blue\n";
    bytes += "comment red, green, blue: the colour of the first failing quantity that lists the element\n"
             "element vertex " + std::to_string(mesh.points.size()) +
             "\nproperty double x\nproperty double y\nproperty double z\n" + rgb + "property uint defects\n"
             "element face " + std::to_string(mesh.triangles.size()) +
             "\nproperty list uchar uint vertex_indices\n" + rgb + "property uint defects\nend_header\n";
    const auto put = [&bytes](const void* data, size_t size) { bytes.append(static_cast<const char*>(data), size); };
    const auto pointColours = Colours(mesh.points.size(), marks.kinds, true);
    const auto triangleColours = Colours(mesh.triangles.size(), marks.kinds, false);
    for (size_t i = 0; i < mesh.points.size(); ++i) {
        put(&mesh.points[i], sizeof(T3DVECF));
        put(pointColours[i].data(), 3);
        put(&marks.points[i], sizeof(uint32_t));
    }
    const uint8_t three = 3;
    for (size_t i = 0; i < mesh.triangles.size(); ++i) {
        put(&three, 1);
        put(&mesh.triangles[i], sizeof(TRIANGLE));
        put(triangleColours[i].data(), 3);
        put(&marks.triangles[i], sizeof(uint32_t));
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return path + ": cannot write the marked mesh: " + std::strerror(errno);
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int error = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        return path + ": cannot write the marked mesh: " + std::strerror(written ? errno : error);
    }
    return "";
}

}  // namespace meshaudit::cli
