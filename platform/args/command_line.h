#pragma once
// A command line of subcommands ("tavrinapp clean ie.cookies --json"), each with its options,
// flags and words, and a --help of its own. The parsing is a well-kept library's; this is the
// little of it the program needs.
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform::args {

// --help was asked for: the text to print, and nothing else to do.
class HelpRequested : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A command line that cannot be used; the message says why, naming the option or word.
class UsageError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

class CommandLine {
public:
    class Subcommand {
    public:
        // "--name VALUE" (also "--name=VALUE").
        Subcommand& option(const std::string& name, std::string& into, const std::string& help);
        Subcommand& flag(const std::string& name, bool& into, const std::string& help);
        // The words after the subcommand that are not options.
        Subcommand& words(const std::string& name, std::vector<std::string>& into, const std::string& help,
                          bool required);

    private:
        friend class CommandLine;
        explicit Subcommand(void* app) : app_(app) {}
        void* app_;
    };

    CommandLine(const std::string& program, const std::string& description);
    ~CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    Subcommand& add(const std::string& name, const std::string& description);

    // The name of the subcommand given, its values stored. HelpRequested for --help (of the
    // program or of a subcommand), UsageError for anything else that is wrong.
    std::string parse(const std::vector<std::string>& args);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::args
