#include "Decimal.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace meshaudit::cli {

#if defined(__cpp_lib_to_chars) && !defined(MESHAUDIT_PORTABLE_DECIMAL)

char* WriteShortest(char* first, char* last, double value)
{
    return std::to_chars(first, last, value).ptr;
}

std::from_chars_result ReadDecimal(const char* first, const char* last, double& value)
{
    return std::from_chars(first, last, value, std::chars_format::general);
}

#else

namespace {

bool Letters(const char* first, const char* last, const char* word)
{
    const size_t n = std::strlen(word);
    if (static_cast<size_t>(last - first) < n) {
        return false;
    }
    for (size_t i = 0; i < n; ++i) {
        const char c = first[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != word[i]) {
            return false;
        }
    }
    return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

char* WriteShortest(char* first, char* last, double value)
{
    char text[40];
    int length = 0;
    if (std::isnan(value) || std::isinf(value) || value == 0.0) {
        length = std::snprintf(text, sizeof text, "%s%s", std::signbit(value) ? "-" : "",
                               std::isnan(value) ? "nan" : std::isinf(value) ? "inf" : "0");
    } else {
        // The fewest significant digits that read back to the value: more
        // digits never stop reading back, so a bisection finds them.
        int low = 1, high = 17;
        while (low < high) {
            const int middle = (low + high) / 2;
            std::snprintf(text, sizeof text, "%.*e", middle - 1, value);
            if (std::strtod(text, nullptr) == value) {
                high = middle;
            } else {
                low = middle + 1;
            }
        }
        std::snprintf(text, sizeof text, "%.*e", low - 1, value);
        // text: [-]d[.ddd]e±XX; its digits and exponent.
        const char* p = text;
        std::string sign = *p == '-' ? "-" : "";
        p += sign.size();
        std::string digits;
        for (; *p != 'e'; ++p) {
            if (IsDigit(*p)) {
                digits += *p;
            }
        }
        while (digits.size() > 1 && digits.back() == '0') {
            digits.pop_back();
        }
        const int exponent = std::atoi(p + 1);
        const int count = static_cast<int>(digits.size());
        char power[16];
        std::snprintf(power, sizeof power, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        std::string scientific = sign;
        scientific += digits[0];
        if (count > 1) {
            scientific += '.';
            scientific.append(digits, 1, std::string::npos);
        }
        scientific += power;
        std::string fixed = sign;
        if (exponent < 0) {
            fixed += "0.";
            fixed.append(static_cast<size_t>(-exponent - 1), '0');
            fixed += digits;
        } else if (count <= exponent + 1) {
            // A whole number is written with all its digits, exactly.
            char whole[400];
            std::snprintf(whole, sizeof whole, "%.0f", value);
            fixed = whole;
        } else {
            fixed.append(digits, 0, static_cast<size_t>(exponent + 1));
            fixed += '.';
            fixed.append(digits, static_cast<size_t>(exponent + 1), std::string::npos);
        }
        const std::string& chosen = scientific.size() < fixed.size() ? scientific : fixed;
        length = static_cast<int>(chosen.size());
        std::memcpy(text, chosen.data(), chosen.size());
    }
    const size_t n = std::min(static_cast<size_t>(length), static_cast<size_t>(last - first));
    std::memcpy(first, text, n);
    return first + n;
}

std::from_chars_result ReadDecimal(const char* first, const char* last, double& value)
{
    const char* p = first;
    const bool negative = p < last && *p == '-';
    p += negative ? 1 : 0;
    const char* end = p;
    bool special = false;
    if (Letters(p, last, "infinity")) {
        end = p + 8;
        special = true;
    } else if (Letters(p, last, "inf")) {
        end = p + 3;
        special = true;
    } else if (Letters(p, last, "nan")) {
        end = p + 3;
        special = true;
        // nan(n-char-sequence): letters, digits and '_' up to a ')'.
        if (end < last && *end == '(') {
            const char* q = end + 1;
            while (q < last && (IsDigit(*q) || *q == '_' || (*q >= 'a' && *q <= 'z') || (*q >= 'A' && *q <= 'Z'))) {
                ++q;
            }
            if (q < last && *q == ')') {
                end = q + 1;
            }
        }
    } else {
        const char* q = p;
        size_t digits = 0;
        for (; q < last && IsDigit(*q); ++q) {
            ++digits;
        }
        if (q < last && *q == '.') {
            for (++q; q < last && IsDigit(*q); ++q) {
                ++digits;
            }
        }
        if (digits == 0) {
            return {first, std::errc::invalid_argument};
        }
        end = q;
        if (q < last && (*q == 'e' || *q == 'E')) {
            const char* e = q + 1;
            e += e < last && (*e == '+' || *e == '-') ? 1 : 0;
            if (e < last && IsDigit(*e)) {
                while (e < last && IsDigit(*e)) {
                    ++e;
                }
                end = e;
            }
        }
    }
    if (special) {
        const bool nan = Letters(p, last, "nan");
        value = nan ? (negative ? -std::nan("") : std::nan("")) : (negative ? -HUGE_VAL : HUGE_VAL);
        return {end, std::errc()};
    }
    const std::string copy(first, end);
    errno = 0;
    const double parsed = std::strtod(copy.c_str(), nullptr);
    // Too large, or too small for even the smallest subnormal: the range
    // error from_chars reports (a subnormal is read as one).
    if (errno == ERANGE && (std::isinf(parsed) || parsed == 0.0)) {
        return {end, std::errc::result_out_of_range};
    }
    value = parsed;
    return {end, std::errc()};
}

#endif

}  // namespace meshaudit::cli
