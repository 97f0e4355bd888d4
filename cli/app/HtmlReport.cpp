#include "HtmlReport.h"

#include "Report.h"

#include <cstring>
#include <span>
#include <stdexcept>
#include <string_view>

namespace meshaudit::cli {

namespace {

using nlohmann::ordered_json;

// What each entry of a quantity's list holds, as the `where` column of
// meshaudit.h names it: the page reads it to find and frame the element.
struct WhereKind {
    std::string_view name;
    const char* kind;
};
#define MESHAUDIT_X_WHERE(P, k, name, label, SLOT, CRIT, field, min, max, judged, enable, gate, where) \
    {#name, #where},
constexpr WhereKind kPointWhere[] = {MESHAUDIT_POINT_QUANTITIES(MESHAUDIT_X_WHERE)};
constexpr WhereKind kEdgeWhere[] = {MESHAUDIT_EDGE_QUANTITIES(MESHAUDIT_X_WHERE)};
constexpr WhereKind kTriangleWhere[] = {MESHAUDIT_TRIANGLE_QUANTITIES(MESHAUDIT_X_WHERE)};
constexpr WhereKind kMeshWhere[] = {MESHAUDIT_MESH_QUANTITIES(MESHAUDIT_X_WHERE)};
#undef MESHAUDIT_X_WHERE

const char* WhereKindOf(const Quantity& q)
{
    using Table = std::span<const WhereKind>;
    const Table table = q.category == Category::Points    ? Table(kPointWhere)
                      : q.category == Category::Edges     ? Table(kEdgeWhere)
                      : q.category == Category::Triangles ? Table(kTriangleWhere)
                                                          : Table(kMeshWhere);
    for (const WhereKind& row : table) {
        if (row.name == q.name) {
            return row.kind;
        }
    }
    return "NONE";
}

// Base64 of the numbers as little-endian bytes: 32-bit floats for the
// points (what WebGL draws), unsigned 32-bit integers for the rest.
template <typename Number>
void AppendBase64(std::string& out, const Number* numbers, size_t count)
{
    static_assert(sizeof(Number) == 4);
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const size_t bytes = count * 4;
    const auto byte = [numbers](size_t i) {
        uint32_t word;
        std::memcpy(&word, numbers + i / 4, 4);
        return static_cast<uint32_t>((word >> (8 * (i % 4))) & 0xFF);
    };
    out.reserve(out.size() + (bytes + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes; i += 3) {
        const uint32_t v = byte(i) << 16 | byte(i + 1) << 8 | byte(i + 2);
        const char quad[4] = {kDigits[v >> 18], kDigits[(v >> 12) & 63], kDigits[(v >> 6) & 63], kDigits[v & 63]};
        out.append(quad, 4);
    }
    if (i < bytes) {
        const uint32_t v = byte(i) << 16 | (i + 1 < bytes ? byte(i + 1) << 8 : 0);
        out += kDigits[v >> 18];
        out += kDigits[(v >> 12) & 63];
        out += i + 1 < bytes ? kDigits[(v >> 6) & 63] : '=';
        out += '=';
    }
}

template <typename Number>
void AppendArray(std::string& out, const std::string& id, const Number* numbers, size_t count)
{
    out += "<script type=\"application/octet-stream\" id=\"" + id + "\">";
    AppendBase64(out, numbers, count);
    out += "</script>\n";
}

// The JSON report of `check --json`, and for each quantity the texts of the
// text report and what its list's entries hold.
ordered_json ViewReport(const FileOutcome& outcome)
{
    ordered_json report = RenderJson(outcome, outcome.used);
    for (Category category : kCategories) {
        for (const Quantity& q : QuantitiesOf(category)) {
            ordered_json& entry = report[CategoryKey(category)][q.name];
            entry["text"] = {{"value", ValueText(ReadValue(outcome.results, q), q)},
                             {"criterion", CriterionText(outcome.used, q)},
                             {"verdict", VerdictText(InRangeByte(outcome.results, q))}};
            if (entry.contains("where")) {
                entry["where_kind"] = WhereKindOf(q);
            }
        }
    }
    return report;
}

}  // namespace

std::string RenderHtmlReport(const std::string& pageTemplate, const ReportPage& page)
{
    const size_t mark = pageTemplate.find(kPageDataMark);
    if (mark == std::string::npos) {
        throw std::invalid_argument("the report page template has no data mark");
    }
    std::string arrays;
    ordered_json document = {{"version", std::to_string(MESHAUDIT_VERSION_MAJOR) + "." +
                                             std::to_string(MESHAUDIT_VERSION_MINOR) + "." +
                                             std::to_string(MESHAUDIT_VERSION_PATCH)},
                             {"profile", Utf8Escaped(page.profile)},
                             {"settings", page.settingsPath.empty() ? ordered_json() : ordered_json(Utf8Escaped(page.settingsPath))},
                             {"views", ordered_json::array()}};
    for (size_t v = 0; v < page.views.size(); ++v) {
        const ReportView& view = page.views[v];
        const std::string prefix = "ma-" + std::to_string(v) + "-";
        std::vector<float> positions;
        positions.reserve(view.mesh->points.size() * 3);
        for (const T3DVECF& p : view.mesh->points) {
            positions.insert(positions.end(), {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)});
        }
        AppendArray(arrays, prefix + "p", positions.data(), positions.size());
        static_assert(sizeof(TRIANGLE) == 3 * sizeof(uint32_t));
        AppendArray(arrays, prefix + "t", reinterpret_cast<const uint32_t*>(view.mesh->triangles.data()),
                    view.mesh->triangles.size() * 3);
        ordered_json kinds = ordered_json::array();
        for (const bool onPoints : {false, true}) {
            const std::vector<uint32_t>& bits = onPoints ? view.marks.points : view.marks.triangles;
            uint32_t used = 0;
            for (const uint32_t b : bits) {
                used |= b;
            }
            for (int bit = 0; bit < 32; ++bit) {
                if (((used >> bit) & 1u) == 0) {
                    continue;
                }
                std::vector<uint32_t> elements;
                for (uint32_t i = 0; i < bits.size(); ++i) {
                    if ((bits[i] >> bit) & 1u) {
                        elements.push_back(i);
                    }
                }
                if (elements.empty()) {
                    continue;
                }
                const std::string id = prefix + (onPoints ? "kp" : "kt") + std::to_string(bit);
                AppendArray(arrays, id, elements.data(), elements.size());
                kinds.push_back({{"label", DefectBitLabel({bit, onPoints})},
                                 {"on", onPoints ? "points" : "triangles"},
                                 {"count", elements.size()},
                                 {"elements", id}});
            }
        }
        document["views"].push_back({{"report", ViewReport(view.outcome)},
                                     {"positions", prefix + "p"},
                                     {"triangles", prefix + "t"},
                                     {"kinds", kinds}});
    }
    // "<" only occurs inside JSON strings, where \u003c means the same: no
    // "</script" or "<!--" from a name or note can end the element early.
    std::string json;
    for (const char c : JsonLine(document)) {
        if (c == '<') {
            json += "\\u003c";
        } else {
            json += c;
        }
    }
    std::string html;
    html.reserve(pageTemplate.size() + json.size() + arrays.size() + 100);
    html.append(pageTemplate, 0, mark);
    html += "<script type=\"application/json\" id=\"meshaudit-data\">" + json + "</script>\n";
    html += arrays;
    html.append(pageTemplate, mark + std::strlen(kPageDataMark), std::string::npos);
    return html;
}

}  // namespace meshaudit::cli
