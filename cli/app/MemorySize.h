// Sizes of memory as people write them: "800M", "2G", "1.5G", "65536"
// (bytes), "none".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace meshaudit::cli {

// The bytes `text` names: a number with an optional K, M, G or T (powers of
// 1024, an optional trailing "B" or "iB"), or "none" for 0 (no limit).
// Nothing for anything else, a size below 1 MiB included: the analysis of
// any mesh needs more, so a smaller one is a typing mistake.
std::optional<uint64_t> ParseMemorySize(const std::string& text);

// "1.5 GiB", "800 MiB", "12 KiB", "512 bytes".
std::string FormatMemorySize(uint64_t bytes);

// Half of the physical memory, shared by `workers` processes at once: the
// default limit of each, which leaves the machine usable. 0 when the system
// does not tell its memory.
uint64_t DefaultMemoryLimit(unsigned workers);

}  // namespace meshaudit::cli
