#include "platform/args/argument_parser.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <list>

#include "platform/args/help_formatter.h"

namespace platform::args {

UsageError::UsageError(Problem problem, std::string argument, std::string detail)
    : std::invalid_argument(argument + (detail.empty() ? "" : ": " + detail)),
      problem_(problem),
      argument_(std::move(argument)),
      detail_(std::move(detail)) {}

struct ArgumentParser::Impl {
    CLI::App app;
    std::shared_ptr<HelpFormatter> formatter = std::make_shared<HelpFormatter>();
    std::list<Options> option_sets;  // the program's first, then one per command: stable addresses
    explicit Impl(const std::string& program) : app("", program) {}
};

namespace {

CLI::App& app_of(void* app) { return *static_cast<CLI::App*>(app); }

// The words CLI11 names an option or command by in its messages: "--machine: 1 required TEXT
// missing", "PATH is required", "Could not convert: --json = maybe".
std::string before(const std::string& text, const std::string& end) { return text.substr(0, text.find(end)); }
std::string after(const std::string& text, const std::string& start) {
    const size_t found = text.find(start);
    return found == std::string::npos ? std::string() : text.substr(found + start.size());
}

// The option of that name in the program or any command.
const CLI::Option* option_named(const CLI::App& app, const std::string& name) {
    if (const CLI::Option* option = app.get_option_no_throw(name)) return option;
    for (const CLI::App* command : app.get_subcommands({}))
        if (const CLI::Option* option = command->get_option_no_throw(name)) return option;
    return nullptr;
}

// The command given (or the program) whose required words are missing.
const CLI::Option* missing_words(const CLI::App& app, std::string& command) {
    std::vector<const CLI::App*> given;
    for (const CLI::App* command : app.get_subcommands()) given.push_back(command);
    given.push_back(&app);
    for (const CLI::App* candidate : given)
        for (const CLI::Option* option : candidate->get_options())
            if (option->get_positional() && option->get_required() && option->count() == 0) {
                command = candidate->get_name();
                return option;
            }
    return nullptr;
}

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const auto& word : words) text += (text.empty() ? "" : " ") + word;
    return text;
}

// CLI11's errors as what is wrong with which option or word.
UsageError usage_error(const CLI::App& app, const CLI::ParseError& error) {
    const std::string message = error.what();
    if (dynamic_cast<const CLI::ExtrasError*>(&error)) {
        // What is left over of "--bogus=3" is the option's name.
        std::vector<std::string> left = app.remaining(true);
        for (auto& word : left)
            if (word.starts_with("-")) word = before(word, "=");
        return UsageError(Problem::Unexpected, joined(left));
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error)) {
        const std::string name = before(message, ":");
        if (message.find("At Most") != std::string::npos) return UsageError(Problem::Repeated, name);
        const CLI::Option* option = option_named(app, name);
        return UsageError(Problem::Missing, name, option ? option->get_type_name() : std::string());
    }
    if (dynamic_cast<const CLI::RequiredError*>(&error)) {
        std::string command;
        if (const CLI::Option* words = missing_words(app, command))
            return UsageError(Problem::Missing, command, words->get_type_name());
    }
    if (dynamic_cast<const CLI::ConversionError*>(&error)) {
        const std::string value = after(message, " = ");
        const std::string name = value.empty() ? before(message, ":") : before(after(message, ": "), " = ");
        return UsageError(Problem::BadValue, name, value);
    }
    return UsageError(Problem::Other, message);
}

}  // namespace

ArgumentParser::Options& ArgumentParser::Options::option(const std::string& name, const std::string& value_name,
                                                         std::string& into, const std::string& help) {
    app_of(app_).add_option(name, into, help)->type_name(value_name);
    return *this;
}

ArgumentParser::Options& ArgumentParser::Options::option(const std::string& name, const std::string& value_name,
                                                         std::optional<std::string>& into, const std::string& help) {
    app_of(app_)
        .add_option_function<std::string>(name, [&into](const std::string& value) { into = value; }, help)
        ->type_name(value_name);
    return *this;
}

ArgumentParser::Options& ArgumentParser::Options::unlisted_option(const std::string& name, const std::string& value_name,
                                                                  std::string& into) {
    app_of(app_).add_option(name, into)->type_name(value_name)->group("");
    return *this;
}

ArgumentParser::Options& ArgumentParser::Options::flag(const std::string& name, bool& into, const std::string& help) {
    app_of(app_).add_flag(name, into, help);
    return *this;
}

ArgumentParser::Options& ArgumentParser::Options::flag(const std::string& name, const std::string& shown, bool& into,
                                                       const std::string& help) {
    app_of(app_).add_flag(name, into, help)->option_text(shown);
    return *this;
}

ArgumentParser::Options& ArgumentParser::Options::repeated(const std::string& name, const std::string& value_name,
                                                           std::vector<std::string>& into, const std::string& help) {
    // One value an occurrence: the words after it stay the command's.
    app_of(app_)
        .add_option(name, into, help)
        ->type_name(value_name)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    return *this;
}

ArgumentParser::Options& ArgumentParser::Options::words(const std::string& value_name, std::vector<std::string>& into,
                                                        bool required) {
    // Listed in the usage line only: the command's description says what they are. The name is
    // the value name's letters ("import FILE" names none).
    std::string name;
    for (char c : value_name)
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    auto* option = app_of(app_).add_option(name, into)->type_name(value_name)->group("");
    if (required) option->required();
    return *this;
}

ArgumentParser::ArgumentParser(const std::string& program, const std::string& help_description)
    : impl_(std::make_unique<Impl>(program)) {
    // Set before the commands are added: they take the program's formatter and help option.
    impl_->app.formatter(impl_->formatter);
    impl_->app.set_help_flag("-h,--help", help_description);
    impl_->app.require_subcommand(0, 1);
    impl_->option_sets.push_back(Options(&impl_->app));
}

ArgumentParser::~ArgumentParser() = default;

ArgumentParser::Options& ArgumentParser::program() { return impl_->option_sets.front(); }

ArgumentParser::Options& ArgumentParser::command(const std::string& name, const std::string& description) {
    return impl_->option_sets.emplace_back(Options(impl_->app.add_subcommand(name, description)));
}

void ArgumentParser::program_help(std::vector<std::string> usage_lines, const std::string& footer) {
    impl_->formatter->program_usage = std::move(usage_lines);
    impl_->app.footer(footer);
}

std::string ArgumentParser::parse(const std::vector<std::string>& args, const std::function<HelpWords()>& words) {
    // CLI11 takes the words last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        impl_->app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        // The help of the command given, if one was.
        impl_->formatter->words = words();
        throw HelpRequested(impl_->app.help());
    } catch (const CLI::ParseError& error) {
        throw usage_error(impl_->app, error);
    }
    const auto given = impl_->app.get_subcommands();
    return given.empty() ? std::string() : given.front()->get_name();
}

}  // namespace platform::args
