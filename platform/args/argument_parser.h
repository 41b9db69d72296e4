#pragma once
// The program's command line in both its forms: options alone ("tavrinapp --machine DIR --info")
// and a command with options and words of its own ("tavrinapp clean ie.cookies --json"), each
// with a --help. The parsing is a well-kept library's; this is the little of it the program needs.
// Help and usage errors speak the program's language: descriptions are passed through the
// program's words when help is written, and a usage error says what is wrong for the program
// to put in its own words.
#include <functional>
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

// What is wrong with a command line.
enum class Problem {
    Unexpected,  // options or words nobody takes there; argument: them, in the order given
    Missing,     // argument lacks `detail`: an option its value, a command its words, an option another
    Repeated,    // argument takes one value and was given more than once
    BadValue,    // argument cannot take the value `detail`
    Excluded,    // the options in argument cannot be given together
    Other,       // anything else; argument: the parser's own (English) description
};

// A command line that cannot be used: what is wrong, and with which option or word.
class UsageError : public std::invalid_argument {
public:
    UsageError(Problem problem, std::string argument, std::string detail = "");
    Problem problem() const { return problem_; }
    const std::string& argument() const { return argument_; }
    const std::string& detail() const { return detail_; }

private:
    Problem problem_;
    std::string argument_, detail_;
};

// The words help is written in. Every description, the help option's and the footer given to the
// parser pass through describe, so that a program can give keys and look its texts up only when
// help is written.
struct HelpWords {
    std::string usage = "Usage";
    std::string options_badge = "OPTIONS";  // in the usage line: "[OPTIONS]"
    std::string options = "Options";        // the heading of the list
    std::function<std::string(const std::string&)> describe = [](const std::string& text) { return text; };
};

class ArgumentParser {
public:
    // The options of the program itself or of one command. value_name is what the help shows for
    // the value: "--machine DIR".
    class Options {
    public:
        // "--name VALUE" (also "--name=VALUE").
        Options& option(const std::string& name, const std::string& value_name, std::string& into,
                        const std::string& help);
        // As above; `into` stays empty unless the option is given (an empty VALUE included).
        Options& option(const std::string& name, const std::string& value_name, std::optional<std::string>& into,
                        const std::string& help);
        // An option the help does not list, as another's help names it ("--run-schedule --profile NAME").
        Options& unlisted_option(const std::string& name, const std::string& value_name, std::string& into);
        Options& flag(const std::string& name, bool& into, const std::string& help);
        // A flag listed in the help as `shown` ("--run-schedule --profile NAME").
        Options& flag(const std::string& name, const std::string& shown, bool& into, const std::string& help);
        // "--name VALUE" as often as given, each VALUE added to `into` in order.
        Options& repeated(const std::string& name, const std::string& value_name, std::vector<std::string>& into,
                          const std::string& help);
        // The words after the command that are not options, shown as value_name in the usage line;
        // what they are is for the command's description to say.
        Options& words(const std::string& value_name, std::vector<std::string>& into, bool required);

    private:
        friend class ArgumentParser;
        explicit Options(void* app) : app_(app) {}
        void* app_;
    };

    // help_description: of the --help option, of the program and every command.
    ArgumentParser(const std::string& program, const std::string& help_description);
    ~ArgumentParser();
    ArgumentParser(const ArgumentParser&) = delete;
    ArgumentParser& operator=(const ArgumentParser&) = delete;

    // The options given without a command.
    Options& program();
    Options& command(const std::string& name, const std::string& description);
    // The program's help: its usage lines in place of the one made from its options (the first
    // after "Usage: ", each other under it), and the text after the list of options.
    void program_help(std::vector<std::string> usage_lines, const std::string& footer);

    // The name of the command given ("" for none), its values stored. HelpRequested for --help
    // (of the program or of a command), written in the words that `words` gives, which is asked
    // only then; UsageError for anything else that is wrong.
    std::string parse(const std::vector<std::string>& args, const std::function<HelpWords()>& words);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::args
