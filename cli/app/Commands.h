// The command's subcommands. Each takes the arguments after its name and
// returns the exit status.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace meshaudit::cli {

// A mistake on the command line: printed with a pointer to the help, exit 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

int RunCheck(const std::vector<std::string>& args);
int RunRepair(const std::vector<std::string>& args);
int RunReport(const std::vector<std::string>& args);
int RunDefaults(const std::vector<std::string>& args);

// Walks the arguments of a subcommand: options in the forms "--name value",
// "--name=value" and "-n value"; "--" ends the options.
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

}  // namespace meshaudit::cli
