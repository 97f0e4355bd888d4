#include "Options.h"

#include "TextScan.h"

#include <algorithm>
#include <cstring>

namespace meshaudit::cli {

bool Arguments::AtOption() const
{
    const std::string& arg = args_[position_];
    return !optionsEnded_ && arg.size() > 1 && arg[0] == '-';
}

bool Arguments::Take(const char* name, const char* shortName)
{
    if (Done() || !AtOption()) {
        return false;
    }
    const std::string& arg = args_[position_];
    const std::string full(name);
    hasInlineValue_ = false;
    if (arg == full || (shortName != nullptr && arg == shortName)) {
        taken_ = arg;
        ++position_;
        return true;
    }
    // "-j2": a short option with its value attached.
    const size_t shortSize = shortName != nullptr ? std::strlen(shortName) : 0;
    if (shortSize == 2 && arg.size() > 2 && arg.compare(0, 2, shortName) == 0) {
        taken_.assign(arg, 0, 2);  // the short name, as typed
        inlineValue_.assign(arg, 2);
        hasInlineValue_ = true;
        ++position_;
        return true;
    }
    if (arg.size() > full.size() && arg.compare(0, full.size(), full) == 0 && arg[full.size()] == '=') {
        taken_ = full;
        inlineValue_.assign(arg, full.size() + 1);
        hasInlineValue_ = true;
        ++position_;
        return true;
    }
    return false;
}

bool Arguments::Flag(const char* name, const char* shortName)
{
    if (!Take(name, shortName)) {
        return false;
    }
    if (hasInlineValue_) {
        throw UsageError(taken_ + " takes no value");
    }
    return true;
}

std::string Arguments::Value()
{
    if (hasInlineValue_) {
        hasInlineValue_ = false;
        return inlineValue_;
    }
    if (Done()) {
        throw UsageError(taken_ + " needs a value");
    }
    return args_[position_++];
}

std::string Arguments::Positional()
{
    return args_[position_++];
}

bool Arguments::EndOfOptions()
{
    if (!optionsEnded_ && args_[position_] == "--") {
        optionsEnded_ = true;
        ++position_;
        return true;
    }
    return false;
}

void OptionSet::Parse(const std::vector<std::string>& args, const std::string& command,
                      const std::function<void(const std::string&)>& positional)
{
    Arguments in(args);
    while (!in.Done()) {
        if (in.EndOfOptions()) {
            continue;
        }
        if (!in.AtOption()) {
            positional(in.Positional());
            continue;
        }
        if (in.Flag("--help", "-h")) {
            throw HelpRequested{};
        }
        const auto taken = std::find_if(rows_.begin(), rows_.end(), [&in](const Row& row) {
            const char* shortName = *row.shortName != '\0' ? row.shortName : nullptr;
            return *row.value == '\0' ? in.Flag(row.name, shortName) : in.Take(row.name, shortName);
        });
        if (taken == rows_.end()) {
            throw UsageError(command + ": unknown option " + Quoted(in.Peek()));
        }
        taken->apply(*taken->value == '\0' ? std::string() : in.Value());
    }
}

std::string OptionSet::Help() const
{
    // "--jobs N, -j N": the names as they are typed, then the texts in one
    // column past the longest.
    std::vector<std::pair<std::string, std::string>> lines;
    for (const Row& row : rows_) {
        const std::string value = *row.value != '\0' ? std::string(" ") + row.value : "";
        std::string names = row.name + value;
        if (*row.shortName != '\0') {
            names += ", " + std::string(row.shortName) + value;
        }
        lines.emplace_back(std::move(names), row.help);
    }
    lines.emplace_back("--help, -h", "print this help");
    size_t width = 0;
    for (const auto& line : lines) {
        width = std::max(width, line.first.size());
    }
    std::string text;
    for (const auto& [names, help] : lines) {
        text += "  " + names + std::string(width + 3 - names.size(), ' ') + help + "\n";
    }
    return text;
}

}  // namespace meshaudit::cli
