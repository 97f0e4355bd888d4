// Line and token scanning over text held in memory, and strict number
// parsing: the text readers build on these so that every value comes from a
// whole token and every error can name its line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace meshaudit::cli {

// The lines of a text, each without its "\n" or "\r\n".
class TextLines {
public:
    explicit TextLines(std::string_view text, size_t offset = 0, uint64_t linesBefore = 0)
        : text_(text), offset_(offset), line_(linesBefore)
    {
    }
    // The next line; false at the end of the text.
    bool Next(std::string_view& line);
    // 1-based number of the line last returned.
    uint64_t LineNumber() const { return line_; }
    // Offset of the first byte after the line last returned (and its end).
    size_t Offset() const { return offset_; }
    size_t Remaining() const { return text_.size() - offset_; }

private:
    std::string_view text_;
    size_t offset_;
    uint64_t line_;
};

// Whitespace-separated tokens of one line.
class Tokens {
public:
    explicit Tokens(std::string_view line) : line_(line) {}
    bool Next(std::string_view& token);
    // True when nothing but whitespace is left.
    bool AtEnd();
    // The rest of the line, leading whitespace skipped.
    std::string_view Rest();

private:
    std::string_view line_;
    size_t position_ = 0;
};

// A space, tab, carriage return, vertical tab or form feed: what separates
// tokens within a line. Inline, since the token loops call it for every
// byte of a text file.
inline bool IsBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r' && c != '\n');
}

enum class NumberStatus { Ok, NotANumber, OutOfRange };

// A decimal floating-point number filling the whole token ("1", "-2.5e3",
// "+0.1", "inf", "nan"). Rounds correctly. A value beyond the largest double
// is OutOfRange; one below the smallest is rounded to it or to zero.
NumberStatus ParseDouble(std::string_view token, double& value);

// A decimal integer filling the whole token, within int64_t.
NumberStatus ParseInteger(std::string_view token, int64_t& value);

// The token for an error message, in single quotes, shortened when long.
std::string Quoted(std::string_view token);

// "'TOKEN' is not a number" and the like, for error messages.
std::string DescribeBadNumber(std::string_view token, NumberStatus status, bool integer);

}  // namespace meshaudit::cli
