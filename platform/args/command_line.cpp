#include "platform/args/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <list>

namespace platform::args {

struct CommandLine::Impl {
    CLI::App app;
    std::list<Subcommand> subcommands;  // stable addresses for the references handed out
    Impl(const std::string& program, const std::string& description) : app(description, program) {}
};

namespace {

CLI::App& app_of(void* app) { return *static_cast<CLI::App*>(app); }

}  // namespace

CommandLine::Subcommand& CommandLine::Subcommand::option(const std::string& name, std::string& into,
                                                         const std::string& help) {
    app_of(app_).add_option(name, into, help);
    return *this;
}

CommandLine::Subcommand& CommandLine::Subcommand::flag(const std::string& name, bool& into, const std::string& help) {
    app_of(app_).add_flag(name, into, help);
    return *this;
}

CommandLine::Subcommand& CommandLine::Subcommand::words(const std::string& name, std::vector<std::string>& into,
                                                        const std::string& help, bool required) {
    auto* option = app_of(app_).add_option(name, into, help);
    if (required) option->required();
    return *this;
}

CommandLine::CommandLine(const std::string& program, const std::string& description)
    : impl_(std::make_unique<Impl>(program, description)) {
    impl_->app.require_subcommand(1);
}

CommandLine::~CommandLine() = default;

CommandLine::Subcommand& CommandLine::add(const std::string& name, const std::string& description) {
    return impl_->subcommands.emplace_back(Subcommand(impl_->app.add_subcommand(name, description)));
}

std::string CommandLine::parse(const std::vector<std::string>& args) {
    // CLI11 takes the words last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        impl_->app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        // The help of the subcommand given, if one was.
        throw HelpRequested(impl_->app.help());
    } catch (const CLI::ParseError& error) {
        throw UsageError(error.what());
    }
    return impl_->app.get_subcommands().front()->get_name();
}

}  // namespace platform::args
