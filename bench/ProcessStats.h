// What a benchmark reads of its own process (Linux): processor time, and
// the resident set now and at its peak, with a way to restart the peak so
// that it belongs to the work measured next.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <sys/resource.h>

namespace meshaudit::bench {

// User and system time of the process so far, in seconds. On a machine
// shared with other work it is the steadier figure than the wall clock.
inline double ProcessorSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec); };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Hands freed heap back to the system, then restarts the kernel's peak
// (VmHWM) at the current resident size. False when the kernel refuses.
inline bool ResetPeakRss()
{
    malloc_trim(0);
    std::FILE* file = std::fopen("/proc/self/clear_refs", "w");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fputs("5", file) >= 0;
    return std::fclose(file) == 0 && written;
}

// A "Vm...:" line of /proc/self/status in bytes ("VmHWM:" the peak,
// "VmRSS:" now); 0 when unknown.
inline double StatusBytes(const char* field)
{
    std::FILE* file = std::fopen("/proc/self/status", "r");
    if (file == nullptr) {
        return 0.0;
    }
    const std::size_t length = std::strlen(field);
    char line[256];
    double kib = 0.0;
    while (std::fgets(line, sizeof line, file) != nullptr) {
        if (std::strncmp(line, field, length) == 0) {
            kib = std::strtod(line + length, nullptr);
            break;
        }
    }
    std::fclose(file);
    return kib * 1024.0;
}

inline constexpr double kMiB = 1024.0 * 1024.0;

}  // namespace meshaudit::bench
