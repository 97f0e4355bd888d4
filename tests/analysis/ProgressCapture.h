// Captures the bytes that the progress line writes while a body runs.
#pragma once

#include "analysis/Progress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace meshaudit::testing {

// "\r", 132 blanks, "\r": what clearing the progress line writes.
inline const std::string kClearedLine = "\r" + std::string(132, ' ') + "\r";

inline std::string CaptureProgress(const std::function<void()>& body)
{
    char* data = nullptr;
    size_t size = 0;
    std::FILE* file = open_memstream(&data, &size);
    EXPECT_NE(file, nullptr);
    if (file == nullptr) {
        return {};
    }
    std::FILE* saved = Progress().stream;
    Progress().stream = file;
    body();
    Progress().stream = saved;
    std::fclose(file);
    std::string bytes(data, size);
    std::free(data);
    return bytes;
}

}  // namespace meshaudit::testing
