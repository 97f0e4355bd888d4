#include "TextScan.h"

#include "Decimal.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace meshaudit::cli {

bool TextLines::Next(std::string_view& line)
{
    if (offset_ >= text_.size()) {
        return false;
    }
    size_t end = text_.find('\n', offset_);
    size_t next = end == std::string_view::npos ? text_.size() : end + 1;
    if (end == std::string_view::npos) {
        end = text_.size();
    }
    line = text_.substr(offset_, end - offset_);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    offset_ = next;
    ++line_;
    return true;
}

bool Tokens::Next(std::string_view& token)
{
    while (position_ < line_.size() && IsBlank(line_[position_])) {
        ++position_;
    }
    if (position_ >= line_.size()) {
        return false;
    }
    size_t start = position_;
    while (position_ < line_.size() && !IsBlank(line_[position_])) {
        ++position_;
    }
    token = line_.substr(start, position_ - start);
    return true;
}

bool Tokens::AtEnd()
{
    while (position_ < line_.size() && IsBlank(line_[position_])) {
        ++position_;
    }
    return position_ >= line_.size();
}

std::string_view Tokens::Rest()
{
    AtEnd();
    return line_.substr(position_);
}

NumberStatus ParseDouble(std::string_view token, double& value)
{
    // from_chars takes no leading '+', which text formats do write.
    if (!token.empty() && token.front() == '+') {
        token.remove_prefix(1);
        if (!token.empty() && token.front() == '-') {
            return NumberStatus::NotANumber;
        }
    }
    if (token.empty()) {
        return NumberStatus::NotANumber;
    }
    const char* first = token.data();
    const char* last = token.data() + token.size();
    auto [end, error] = ReadDecimal(first, last, value);
    if (end != last) {
        return NumberStatus::NotANumber;
    }
    if (error == std::errc::invalid_argument) {
        return NumberStatus::NotANumber;
    }
    if (error == std::errc::result_out_of_range) {
        // Too small to be a normal double: strtod gives the nearest
        // subnormal or zero, which is the faithful reading. Too large has no
        // faithful reading.
        std::string copy(token);
        errno = 0;
        double nearest = std::strtod(copy.c_str(), nullptr);
        if (std::isinf(nearest)) {
            return NumberStatus::OutOfRange;
        }
        value = nearest;
    }
    return NumberStatus::Ok;
}

NumberStatus ParseInteger(std::string_view token, int64_t& value)
{
    if (!token.empty() && token.front() == '+') {
        token.remove_prefix(1);
        if (!token.empty() && token.front() == '-') {
            return NumberStatus::NotANumber;
        }
    }
    if (token.empty()) {
        return NumberStatus::NotANumber;
    }
    const char* first = token.data();
    const char* last = token.data() + token.size();
    auto [end, error] = std::from_chars(first, last, value, 10);
    if (error == std::errc::result_out_of_range) {
        return NumberStatus::OutOfRange;
    }
    if (error != std::errc() || end != last) {
        return NumberStatus::NotANumber;
    }
    return NumberStatus::Ok;
}

std::string Quoted(std::string_view token)
{
    constexpr size_t kLongest = 40;
    std::string text = "'";
    size_t shown = token.size() > kLongest ? kLongest : token.size();
    for (size_t i = 0; i < shown; ++i) {
        unsigned char c = static_cast<unsigned char>(token[i]);
        if (c < 0x20 || c >= 0x7f) {
            static const char kHex[] = "0123456789abcdef";
            text += "\\x";
            text += kHex[c >> 4];
            text += kHex[c & 15];
        } else {
            text += static_cast<char>(c);
        }
    }
    if (shown < token.size()) {
        text += "...";
    }
    text += "'";
    return text;
}

std::string DescribeBadNumber(std::string_view token, NumberStatus status, bool integer)
{
    if (status == NumberStatus::OutOfRange) {
        return Quoted(token) + (integer ? " is out of range for an integer"
                                        : " is out of range for a double");
    }
    return Quoted(token) + (integer ? " is not an integer" : " is not a number");
}

}  // namespace meshaudit::cli
