#include "Decimal.h"

#include "containers/BitCast.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace meshaudit::cli {

namespace {

// The powers of ten a double holds exactly.
constexpr double kTens[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                            1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// "00" to "99", two characters each.
constexpr auto kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int n = 0; n < 100; ++n) {
        pairs[2 * n] = static_cast<char>('0' + n / 10);
        pairs[2 * n + 1] = static_cast<char>('0' + n % 10);
    }
    return pairs;
}();

// The eight decimal places of n < 10^8, leading zeros included.
void WriteEightDigits(char* at, uint32_t n)
{
    const uint32_t high = n / 10000, low = n % 10000;
    std::memcpy(at, kDigitPairs.data() + 2 * (high / 100), 2);
    std::memcpy(at + 2, kDigitPairs.data() + 2 * (high % 100), 2);
    std::memcpy(at + 4, kDigitPairs.data() + 2 * (low / 100), 2);
    std::memcpy(at + 6, kDigitPairs.data() + 2 * (low % 100), 2);
}

// The digits of n < 10^8, without leading zeros.
char* WriteSmallIndex(char* at, uint32_t n)
{
    const int digits = n < 10 ? 1 : n < 100 ? 2 : n < 1000 ? 3 : n < 10000 ? 4 : n < 100000 ? 5 : n < 1000000 ? 6
                       : n < 10000000 ? 7 : 8;
    char* end = at + digits;
    char* p = end;
    for (; n >= 100; n /= 100) {
        p -= 2;
        std::memcpy(p, kDigitPairs.data() + 2 * (n % 100), 2);
    }
    if (n >= 10) {
        std::memcpy(p - 2, kDigitPairs.data() + 2 * n, 2);
    } else {
        p[-1] = static_cast<char>('0' + n);
    }
    return end;
}

// WriteShortest's text for zero, and for a value of at most 15 significant
// digits between 1e-8 and 1e15, which is what meshes hold; null for any
// other, left to the general writer. Scaled by a power of ten 10^k into
// [1e14, 1e15), the value is within 0.23 of the integer its shortest digits
// make there (two roundings of at most 2^-53 relative each, on less than
// 1e15), so that integer is the nearest. It is checked by dividing it by
// 10^k, one correct rounding of two exact doubles, which is what reading its
// text gives: a value with more digits fails the check. At most 15 digits,
// the shortest text is the only one of its length that reads back (the
// values that round to one double span less than 1e-15 of it), so it is the
// text the general writer picks; the choice between fixed and scientific
// follows.
char* WriteShortDecimal(char* first, double value)
{
    const double size = std::fabs(value);
    if (size == 0.0) {
        char* at = first;
        if (std::signbit(value)) {
            *at++ = '-';
        }
        *at++ = '0';
        return at;
    }
    if (!(size >= 1e-8 && size < 1e15)) {
        return nullptr;
    }
    // floor(log10(size)) is floor(b log10(2)) or one more, b the binary
    // exponent; (b * 1233) >> 12 is the former for |b| < 1000. One step
    // then brings the scaled value into range, checked against exact bounds.
    const int binary = static_cast<int>((BitCast<uint64_t>(size) >> 52) & 0x7FF) - 1023;
    int k = std::clamp(14 - ((binary * 1233) >> 12), 0, 22);
    double scaled = size * kTens[k];
    if (scaled >= 1e15 && k > 0) {
        scaled = size * kTens[--k];
    }
    if (!(scaled >= 1e14 && scaled < 1e15)) {
        return nullptr;
    }
    uint64_t digits = static_cast<uint64_t>(scaled + 0.5);
    if (static_cast<double>(digits) / kTens[k] != size) {
        return nullptr;
    }
    int count = digits >= 1000000000000000 ? 16 : 15;
    const int exponent = count - 1 - k;  // of the leading digit
    // All sixteen places written (a leading zero for fifteen digits), as
    // two halves of eight whose digit pairs do not wait on each other, and
    // then sixteen more zeros: the runs below are copied sixteen at a time,
    // whatever their length, and what follows the digits is zeros.
    char places[32];
    WriteEightDigits(places, static_cast<uint32_t>(digits / 100000000));
    WriteEightDigits(places + 8, static_cast<uint32_t>(digits % 100000000));
    std::memset(places + 16, '0', 16);
    // The trailing zeros, counted eight places at a time: a place that is
    // '0' is a zero byte once every byte has '0' taken off.
    uint64_t front = 0, back = 0;
    std::memcpy(&front, places, 8);
    std::memcpy(&back, places + 8, 8);
    constexpr uint64_t kZeros = 0x3030303030303030;
    front ^= kZeros;
    back ^= kZeros;
    const auto lastZeroBytes = [](uint64_t word) {
        return (std::endian::native == std::endian::little ? std::countl_zero(word) : std::countr_zero(word)) / 8;
    };
    const char* text = places + (16 - count);
    count -= back != 0 ? lastZeroBytes(back) : 8 + lastZeroBytes(front);
    // |exponent| <= 15: two exponent digits.
    const int scientific = count + (count > 1 ? 1 : 0) + 4;
    const int fixed = exponent < 0 ? 1 - exponent + count : count <= exponent + 1 ? exponent + 1 : count + 1;
    char* at = first;
    *at = '-';
    at += value < 0.0 ? 1 : 0;
    if (scientific < fixed) {
        at[0] = text[0];
        at[1] = '.';
        std::memcpy(at + 2, text + 1, 16);
        at += count > 1 ? count + 1 : 1;
        const int power = exponent < 0 ? -exponent : exponent;
        at[0] = 'e';
        at[1] = exponent < 0 ? '-' : '+';
        at[2] = static_cast<char>('0' + power / 10);
        at[3] = static_cast<char>('0' + power % 10);
        at += 4;
    } else if (exponent < 0) {
        // At most seven zeros after the point: the value is at least 1e-8.
        std::memcpy(at, "0.0000000", 9);
        at += 1 - exponent;
        std::memcpy(at, text, 16);
        at += count;
    } else {
        // The whole part, with the zeros that follow the digits; then the
        // point and the rest when there is one.
        std::memcpy(at, text, 16);
        if (count <= exponent + 1) {
            at += exponent + 1;
        } else {
            at[exponent + 1] = '.';
            // Fifteen places at most after the point, one being before it.
            std::memcpy(at + exponent + 2, text + exponent + 1, 15);
            at += count + 1;
        }
    }
    return at;
}

// Room for what WriteShortDecimal writes: its text is at most a sign, "0.",
// seven zeros and sixteen digits, but its runs of digits are copied sixteen
// places at a time.
constexpr std::ptrdiff_t kShortRoom = 32;

}  // namespace

char* WriteIndex(char* first, uint64_t value)
{
    if (value < 100000000) {
        return WriteSmallIndex(first, static_cast<uint32_t>(value));
    }
    return std::to_chars(first, first + 20, value).ptr;
}

#if defined(__cpp_lib_to_chars) && !defined(MESHAUDIT_PORTABLE_DECIMAL)

char* WriteShortest(char* first, char* last, double value)
{
    if (last - first >= kShortRoom) {
        if (char* end = WriteShortDecimal(first, value)) {
            return end;
        }
    }
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
    if (last - first >= kShortRoom) {
        if (char* end = WriteShortDecimal(first, value)) {
            return end;
        }
    }
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
