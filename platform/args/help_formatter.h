#pragma once
// How the help of the program and of each command is laid out, in the words the program gives
// when help is asked for: its description, the usage line, the options with their value names and
// descriptions, and the text after them, wrapped to the width of a terminal.
#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "platform/args/argument_parser.h"

namespace platform::args {

class HelpFormatter : public CLI::Formatter {
public:
    HelpFormatter();

    HelpWords words;
    // The program's own usage lines, in place of the one made from its options (empty: made).
    std::vector<std::string> program_usage;

    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override;
    std::string make_usage(const CLI::App* app, std::string name) const override;
    std::string make_option_desc(const CLI::Option* option) const override;
};

}  // namespace platform::args
