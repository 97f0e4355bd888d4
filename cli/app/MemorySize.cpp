#include "MemorySize.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace meshaudit::cli {

std::optional<uint64_t> ParseMemorySize(const std::string& text)
{
    if (text == "none") {
        return 0;
    }
    const char* begin = text.c_str();
    char* end = nullptr;
    const double number = std::strtod(begin, &end);
    if (end == begin || !std::isfinite(number) || number <= 0.0 || !(begin[0] >= '0' && begin[0] <= '9')) {
        return std::nullopt;
    }
    std::string unit(end);
    for (const char* suffix : {"iB", "B"}) {
        const std::string s(suffix);
        if (unit.size() > s.size() && unit.compare(unit.size() - s.size(), s.size(), s) == 0) {
            unit.resize(unit.size() - s.size());
            break;
        }
    }
    double scale = 1.0;
    if (unit == "K" || unit == "k") {
        scale = 1024.0;
    } else if (unit == "M" || unit == "m") {
        scale = 1024.0 * 1024.0;
    } else if (unit == "G" || unit == "g") {
        scale = 1024.0 * 1024.0 * 1024.0;
    } else if (unit == "T" || unit == "t") {
        scale = 1024.0 * 1024.0 * 1024.0 * 1024.0;
    } else if (!unit.empty() && unit != "B") {
        return std::nullopt;
    }
    const double bytes = number * scale;
    if (bytes < 1024.0 * 1024.0 || bytes >= 18446744073709551616.0) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(bytes);
}

std::string FormatMemorySize(uint64_t bytes)
{
    const char* units[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1024.0 && unit < 4) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    if (unit == 0 || value >= 100.0 || value == std::floor(value)) {
        std::snprintf(text, sizeof text, "%.0f %s", value, units[unit]);
    } else {
        std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    }
    return text;
}

uint64_t DefaultMemoryLimit(unsigned workers)
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) {
        return 0;
    }
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / 2 / (workers == 0 ? 1 : workers);
}

}  // namespace meshaudit::cli
