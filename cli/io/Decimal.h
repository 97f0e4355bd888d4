// Doubles as decimal text and back, exactly: std::to_chars and
// std::from_chars where the standard library has them for floating point,
// and the same results from the C library's printf and strtod where it
// does not (the WebAssembly build's libc++).
#pragma once

#include <charconv>
#include <cstdint>
#include <string>

namespace meshaudit::cli {

// Writes `value` at `first` as std::to_chars(first, last, value) does: the
// shortest text that reads back to the same double, fixed or scientific,
// whichever is shorter (fixed on a tie); "inf", "-nan" and so on. Needs 32
// characters of room (fewer: the end is `last` and nothing is promised);
// returns the end of the text.
char* WriteShortest(char* first, char* last, double value);

// Writes the decimal digits of `value` at `first` as std::to_chars does,
// with room for 20 characters; returns the end of the text. Below 10^8, as
// a mesh's indices are, from a table of digit pairs without a division
// instruction.
char* WriteIndex(char* first, uint64_t value);

// Reads a double from [first, last) as std::from_chars with
// chars_format::general does: an optional '-', then digits with an
// optional point and exponent, or inf, infinity, nan, nan(...) in any case.
// The result's ptr is the end of what was read; errc::invalid_argument when
// nothing was, errc::result_out_of_range when the number is too large or
// too small for a double (`value` is then left as it was).
std::from_chars_result ReadDecimal(const char* first, const char* last, double& value);

// Appends `value` to `out` as WriteShortest writes it.
inline void AppendNumber(std::string& out, double value)
{
    char buffer[32];
    out.append(buffer, WriteShortest(buffer, buffer + sizeof buffer, value));
}

// Appends an unsigned integer's decimal digits.
inline void AppendNumber(std::string& out, uint64_t value)
{
    char buffer[24];
    out.append(buffer, WriteIndex(buffer, value));
}

inline void AppendNumber(std::string& out, uint32_t value)
{
    AppendNumber(out, uint64_t{value});
}

}  // namespace meshaudit::cli
