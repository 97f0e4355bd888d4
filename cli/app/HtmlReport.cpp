#include "HtmlReport.h"

#include "Report.h"

#include <cstring>
#include <stdexcept>
#include <string_view>

namespace meshaudit::cli {

namespace {

using nlohmann::ordered_json;

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
    ordered_json report = RenderJson(outcome);
    for (Category category : CategoriesOf(outcome)) {
        for (const Quantity& q : QuantitiesOf(category)) {
            ordered_json& entry = report[CategoryKey(category)][q.name];
            entry["text"] = {{"value", ValueText(ReadValue(outcome.results, q), q)},
                             {"criterion", CriterionShown(outcome, q)},
                             {"verdict", VerdictText(JudgementOf(outcome, q))}};
            if (entry.contains("where")) {
                entry["where_kind"] = q.where;
            }
        }
    }
    return report;
}

// The repair preview of view `prefix`: its arrays go to `array`.
ordered_json PreviewDocument(const RepairPreview& preview, const std::string& prefix,
                             const std::function<void(const PageArray&)>& array)
{
    if (!preview.error.empty()) {
        return {{"error", preview.error}};
    }
    array(PageArray{prefix + "rt", nullptr, preview.triangles.data(), preview.triangles.size()});
    ordered_json kinds = ordered_json::array();
    for (size_t i = 0; i < preview.kinds.size(); ++i) {
        const PreviewKind& kind = preview.kinds[i];
        const std::string id = prefix + "r" + std::to_string(i);
        array(PageArray{id, nullptr, kind.elements.data(), kind.elements.size()});
        kinds.push_back({{"label", kind.label},
                         {"on", kind.on == PreviewKind::On::Points ? "points" : "triangles"},
                         {"corners", kind.on == PreviewKind::On::Corners},
                         {"count", kind.Count()},
                         {"colour", kind.colour},
                         {"elements", id}});
    }
    ordered_json added;
    if (!preview.addedPositions.empty()) {
        array(PageArray{prefix + "rp", preview.addedPositions.data(), nullptr, preview.addedPositions.size()});
        added = prefix + "rp";
    }
    return {{"shared", preview.shared},
            {"triangles", prefix + "rt"},
            {"positions", added},
            {"kinds", kinds},
            {"summary", preview.summary},
            {"log", preview.log},
            {"report", preview.outcome ? ViewReport(*preview.outcome) : ordered_json()}};
}

}  // namespace

ordered_json ReportDocument(const ReportPage& page, const std::function<void(const PageArray&)>& array)
{
    ordered_json document = {{"version", std::to_string(MESHAUDIT_VERSION_MAJOR) + "." +
                                             std::to_string(MESHAUDIT_VERSION_MINOR) + "." +
                                             std::to_string(MESHAUDIT_VERSION_PATCH)},
                             {"profile", Utf8Escaped(page.profile)},
                             {"settings", page.settingsPath.empty() ? ordered_json() : ordered_json(Utf8Escaped(page.settingsPath))},
                             {"categories", ordered_json::array()},
                             {"views", ordered_json::array()}};
    for (Category category : kMeshCategories) {
        document["categories"].push_back(CategoryKey(category));
    }
    for (size_t v = 0; v < page.views.size(); ++v) {
        const ReportView& view = page.views[v];
        const std::string prefix = "ma-" + std::to_string(v) + "-";
        {
            std::vector<float> positions;
            positions.reserve(view.mesh->points.size() * 3);
            for (const T3DVECF& p : view.mesh->points) {
                positions.insert(positions.end(), {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)});
            }
            array(PageArray{prefix + "p", positions.data(), nullptr, positions.size()});
        }
        static_assert(sizeof(TRIANGLE) == 3 * sizeof(uint32_t));
        array(PageArray{prefix + "t", nullptr, reinterpret_cast<const uint32_t*>(view.mesh->triangles.data()),
                        view.mesh->triangles.size() * 3});
        // One legend entry per failing quantity, named after it, in a colour
        // of its own.
        ordered_json kinds = ordered_json::array();
        for (size_t i = 0; i < view.marks.kinds.size(); ++i) {
            const MarkedKind& kind = view.marks.kinds[i];
            const std::string id = prefix + "k" + std::to_string(i);
            array(PageArray{id, nullptr, kind.elements.data(), kind.elements.size()});
            kinds.push_back({{"label", std::string(CategoryKey(kind.quantity->category)) + " " + kind.quantity->name},
                             {"on", kind.onPoints ? "points" : "triangles"},
                             {"count", kind.elements.size()},
                             {"colour", QuantityColour(*kind.quantity)},
                             {"elements", id}});
        }
        document["views"].push_back({{"report", ViewReport(view.outcome)},
                                     {"positions", prefix + "p"},
                                     {"triangles", prefix + "t"},
                                     {"kinds", kinds}});
        if (view.repair) {
            document["views"].back()["repair"] = PreviewDocument(*view.repair, prefix, array);
        }
    }
    if (page.plate) {
        document["plate"] = ViewReport(*page.plate);
    }
    return document;
}

std::string RenderHtmlReport(const std::string& pageTemplate, const ReportPage& page)
{
    const size_t mark = pageTemplate.find(kPageDataMark);
    if (mark == std::string::npos) {
        throw std::invalid_argument("the report page template has no data mark");
    }
    std::string arrays;
    const ordered_json document = ReportDocument(page, [&arrays](const PageArray& a) {
        if (a.floats != nullptr) {
            AppendArray(arrays, a.id, a.floats, a.count);
        } else {
            AppendArray(arrays, a.id, a.integers, a.count);
        }
    });
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
