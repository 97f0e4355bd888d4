// meshaudit formats: the table of formats (MeshFiles.h) as the command knows
// it, so that a folder scan elsewhere (the Python package's) can be checked
// against the same extensions.
#include "Commands.h"
#include "MeshFiles.h"

#include <algorithm>
#include <array>
#include <iostream>

namespace meshaudit::cli {

namespace {

// One line per format, under a heading: name, extensions (comma-separated,
// no spaces, so that the second word of a line is all of them), how it is
// recognised, what is read, what is written.
int RunFormats(const std::vector<std::string>& args)
{
    OptionSet none;
    none.Parse(args, "formats", [](const std::string&) { throw UsageError("formats takes no arguments"); });
    std::vector<std::array<std::string, 5>> rows{{"format", "extensions", "recognised by", "reads", "writes"}};
    for (const FormatEntry& entry : MeshFormats()) {
        std::string extensions;
        for (std::string_view extension : entry.extensions) {
            if (!extension.empty()) {
                extensions += extensions.empty() ? "" : ",";
                extensions += extension;
            }
        }
        rows.push_back({entry.name, extensions, entry.recognised, entry.reads, entry.writes});
    }
    std::array<size_t, 4> widths{};
    for (const auto& row : rows) {
        for (size_t column = 0; column < widths.size(); ++column) {
            widths[column] = std::max(widths[column], row[column].size() + 2);
        }
    }
    for (const auto& row : rows) {
        for (size_t column = 0; column < widths.size(); ++column) {
            std::cout << row[column] << std::string(widths[column] - row[column].size(), ' ');
        }
        std::cout << row.back() << '\n';
    }
    return 0;
}

std::string Usage()
{
    return "On input a signature in the content decides, then the extension, then a guess from the content; on "
           "output\nthe extension.\n\noptions:\n" + OptionSet().Help();
}

}  // namespace

const Command kFormatsCommand{"formats", "", "list the mesh file formats, their extensions and what is read and written",
                              Usage, RunFormats};

}  // namespace meshaudit::cli
