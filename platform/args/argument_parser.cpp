#include "platform/args/argument_parser.h"

#include <CLI/CLI.hpp>
#include <list>

namespace platform::args {

struct ArgumentParser::Impl {
    CLI::App app;
    std::list<Options> option_sets;  // the program's first, then one per command: stable addresses
    Impl(const std::string& program, const std::string& description) : app(description, program) {}
};

namespace {

CLI::App& app_of(void* app) { return *static_cast<CLI::App*>(app); }

}  // namespace

ArgumentParser::Options& ArgumentParser::Options::option(const std::string& name, std::string& into,
                                                         const std::string& help) {
    app_of(app_).add_option(name, into, help);
    return *this;
}

ArgumentParser::Options& ArgumentParser::Options::option(const std::string& name, std::optional<std::string>& into,
                                                         const std::string& help) {
    app_of(app_).add_option_function<std::string>(name, [&into](const std::string& value) { into = value; }, help);
    return *this;
}

ArgumentParser::Options& ArgumentParser::Options::flag(const std::string& name, bool& into, const std::string& help) {
    app_of(app_).add_flag(name, into, help);
    return *this;
}

ArgumentParser::Options& ArgumentParser::Options::repeated(const std::string& name, std::vector<std::string>& into,
                                                           const std::string& help) {
    // One value an occurrence: the words after it stay the command's.
    app_of(app_).add_option(name, into, help)->allow_extra_args(false)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    return *this;
}

ArgumentParser::Options& ArgumentParser::Options::words(const std::string& name, std::vector<std::string>& into,
                                                        const std::string& help, bool required) {
    auto* option = app_of(app_).add_option(name, into, help);
    if (required) option->required();
    return *this;
}

ArgumentParser::ArgumentParser(const std::string& program, const std::string& description)
    : impl_(std::make_unique<Impl>(program, description)) {
    impl_->app.require_subcommand(0, 1);
    impl_->option_sets.push_back(Options(&impl_->app));
}

ArgumentParser::~ArgumentParser() = default;

ArgumentParser::Options& ArgumentParser::program() { return impl_->option_sets.front(); }

ArgumentParser::Options& ArgumentParser::command(const std::string& name, const std::string& description) {
    return impl_->option_sets.emplace_back(Options(impl_->app.add_subcommand(name, description)));
}

std::string ArgumentParser::parse(const std::vector<std::string>& args) {
    // CLI11 takes the words last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        impl_->app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        // The help of the command given, if one was.
        throw HelpRequested(impl_->app.help());
    } catch (const CLI::ParseError& error) {
        throw UsageError(std::string(error.what()) + " (see --help)");
    }
    const auto given = impl_->app.get_subcommands();
    return given.empty() ? std::string() : given.front()->get_name();
}

}  // namespace platform::args
