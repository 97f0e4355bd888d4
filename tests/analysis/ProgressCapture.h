// Captures the bytes that the progress line writes while a body runs.
#pragma once

#include "analysis/Progress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

namespace meshaudit::testing {

// "\r", 132 blanks, "\r": what clearing the progress line writes.
inline const std::string kClearedLine = "\r" + std::string(132, ' ') + "\r";

inline std::string CaptureProgress(const std::function<void()>& body)
{
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    if (file == nullptr) {
        return {};
    }
    std::FILE* saved = Progress().stream;
    Progress().stream = file;
    body();
    Progress().stream = saved;
    std::fflush(file);
    std::rewind(file);
    std::string bytes;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, n);
    }
    std::fclose(file);
    return bytes;
}

}  // namespace meshaudit::testing
