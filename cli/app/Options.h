// A command's command line: each option is declared once, as a member of the
// command's options class, with its names, its parser and its help line; the
// walk over the arguments and the help text both come from those members.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace meshaudit::cli {

// A mistake on the command line: printed with a pointer to the help, exit 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "--help" or "-h" among a command's options: its usage is printed instead.
struct HelpRequested {};

// Walks the arguments of a command: options in the forms "--name value",
// "--name=value", "-n value" and "-nvalue"; "--" ends the options.
class Arguments {
public:
    explicit Arguments(const std::vector<std::string>& args) : args_(args) {}

    bool Done() const { return position_ >= args_.size(); }
    // The next argument; whether it is an option.
    const std::string& Peek() const { return args_[position_]; }
    bool AtOption() const;
    // Consumes the option if it is `name` (or `shortName`); a value given as
    // "--name=value" is kept for Value().
    bool Take(const char* name, const char* shortName = nullptr);
    // Take() for an option without a value: "--json=1" or "-qx" is refused.
    bool Flag(const char* name, const char* shortName = nullptr);
    // The value of the option just taken.
    std::string Value();
    // The next positional argument.
    std::string Positional();
    // Consumes a "--" that ends the options; true when it did.
    bool EndOfOptions();

private:
    const std::vector<std::string>& args_;
    size_t position_ = 0;
    bool optionsEnded_ = false;
    std::string taken_;
    std::string inlineValue_;
    bool hasInlineValue_ = false;
};

// The options of one command. Its members (Flag, Option, Action) add
// themselves here as they are built, so an options class is neither copied
// nor moved: the rows point into it.
class OptionSet {
public:
    struct Row {
        const char* name;       // "--jobs"
        const char* shortName;  // "-j", or "" for none
        const char* value;      // "N", or "" for an option that takes none
        std::string help;       // one line
        std::function<void(const std::string& value)> apply;
    };

    OptionSet() = default;
    OptionSet(const OptionSet&) = delete;
    OptionSet& operator=(const OptionSet&) = delete;

    void Add(Row row) { rows_.push_back(std::move(row)); }

    // Walks `args`: options by their rows, every other argument to
    // `positional`. Throws HelpRequested for "--help" or "-h", UsageError
    // (naming `command`) for an option it does not know.
    void Parse(const std::vector<std::string>& args, const std::string& command,
               const std::function<void(const std::string&)>& positional);

    // The help lines, one per option and "--help" last, their texts aligned.
    std::string Help() const;

private:
    std::vector<Row> rows_;
};

// An option without a value that is either given or not.
class Flag {
public:
    Flag(OptionSet& set, const char* name, const char* shortName, std::string help)
    {
        set.Add({name, shortName, "", std::move(help), [this](const std::string&) { on_ = true; }});
    }
    Flag(const Flag&) = delete;
    Flag& operator=(const Flag&) = delete;
    explicit operator bool() const { return on_; }

private:
    bool on_ = false;
};

// An option with a value, parsed by `parse` (which throws UsageError for a
// value it refuses); the last one given wins.
template <typename T>
class Option {
public:
    using Parser = T (*)(const std::string& text);
    Option(OptionSet& set, const char* name, const char* shortName, const char* value, std::string help, T initial,
           Parser parse)
        : value_(std::move(initial))
    {
        set.Add({name, shortName, value, std::move(help), [this, parse](const std::string& text) { value_ = parse(text); }});
    }
    Option(const Option&) = delete;
    Option& operator=(const Option&) = delete;
    const T& operator*() const { return value_; }
    const T* operator->() const { return &value_; }

private:
    T value_;
};

// An option that acts each time it is given (repairs that run in the order
// given): `value` "" for one that takes none.
class Action {
public:
    Action(OptionSet& set, const char* name, const char* shortName, const char* value, std::string help,
           std::function<void(const std::string& value)> act)
    {
        set.Add({name, shortName, value, std::move(help), std::move(act)});
    }
    Action(const Action&) = delete;
    Action& operator=(const Action&) = delete;
};

// Parsers of plain values.
inline std::string Text(const std::string& text)
{
    return text;
}

}  // namespace meshaudit::cli
