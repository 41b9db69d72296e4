#pragma once
// The command table of the main movie. Each feature adds its own rows by command name from its own
// file; the dispatcher only finds the one row a command names and runs it.
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace app {

class Dispatcher {
public:
    using Row = std::function<void(const std::string& args)>;

    // The key a command is matched by: upper case, leading and trailing blanks removed, inner
    // blanks kept ("idc_fs_internet settings " -> "IDC_FS_INTERNET SETTINGS").
    static std::string key_of(std::string_view command);

    // `name` as the command table writes it. Two rows for one name are a programming error
    // (std::logic_error): one of them would silently never run.
    void add(std::string_view name, Row row);
    bool has(std::string_view name) const;
    // Every registered command key, in order: the vocabulary the screens may use.
    std::vector<std::string> names() const;

    // Runs the matching row with `args` unchanged; false when no row matches (ignored silently).
    bool dispatch(std::string_view command, const std::string& args) const;

private:
    std::map<std::string, Row, std::less<>> rows_;
};

}  // namespace app
