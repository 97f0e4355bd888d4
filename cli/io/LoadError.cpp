#include "LoadError.h"

namespace meshaudit::cli {

std::string SourceLocation::Describe() const
{
    switch (kind) {
    case Kind::Line:
        return "line " + std::to_string(value);
    case Kind::Byte:
        return "byte " + std::to_string(value);
    case Kind::None:
        break;
    }
    return {};
}

namespace {

std::string Compose(const std::string& file, SourceLocation where, const std::string& message)
{
    std::string text = file + ": ";
    if (where.kind != SourceLocation::Kind::None) {
        text += where.Describe() + ": ";
    }
    // One line, whatever the message was built from.
    for (char c : message) {
        text += (c == '\n' || c == '\r') ? ' ' : c;
    }
    return text;
}

}  // namespace

LoadError::LoadError(const std::string& file, SourceLocation where, const std::string& message)
    : std::runtime_error(Compose(file, where, message))
{
}

LoadError::LoadError(const std::string& file, const std::string& message)
    : std::runtime_error(Compose(file, SourceLocation{}, message))
{
}

}  // namespace meshaudit::cli
