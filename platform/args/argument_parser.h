#pragma once
// The program's command line in both its forms: options alone ("tavrinapp --machine DIR --info")
// and a command with options and words of its own ("tavrinapp clean ie.cookies --json"), each
// with a --help. The parsing is a well-kept library's; this is the little of it the program needs.
#include <memory>
#include <optional>
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

class ArgumentParser {
public:
    // The options of the program itself or of one command.
    class Options {
    public:
        // "--name VALUE" (also "--name=VALUE").
        Options& option(const std::string& name, std::string& into, const std::string& help);
        // As above; `into` stays empty unless the option is given (an empty VALUE included).
        Options& option(const std::string& name, std::optional<std::string>& into, const std::string& help);
        Options& flag(const std::string& name, bool& into, const std::string& help);
        // "--name VALUE" as often as given, each VALUE added to `into` in order.
        Options& repeated(const std::string& name, std::vector<std::string>& into, const std::string& help);
        // The words after the command that are not options.
        Options& words(const std::string& name, std::vector<std::string>& into, const std::string& help,
                       bool required);

    private:
        friend class ArgumentParser;
        explicit Options(void* app) : app_(app) {}
        void* app_;
    };

    ArgumentParser(const std::string& program, const std::string& description);
    ~ArgumentParser();
    ArgumentParser(const ArgumentParser&) = delete;
    ArgumentParser& operator=(const ArgumentParser&) = delete;

    // The options given without a command.
    Options& program();
    Options& command(const std::string& name, const std::string& description);

    // The name of the command given ("" for none), its values stored. HelpRequested for --help
    // (of the program or of a command), UsageError for anything else that is wrong.
    std::string parse(const std::vector<std::string>& args);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::args
