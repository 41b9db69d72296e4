#pragma once
// The command table of the main movie. Each feature adds its own rows by command name from its own
// file; the dispatcher only finds the one row a command names and runs it.
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace app {

// What a command's row changes: only the screens and the program's own settings, or the machine
// (files, registry, backups restored into it).
enum class Changes { Nothing, Machine };

class Dispatcher {
public:
    using Row = std::function<void(const std::string& args)>;
    // Asked before every row that changes the machine runs; false leaves the row unrun (the gate
    // tells the user why). So a machine that may only be read is guarded at one place, whatever
    // screen sends the command.
    using Gate = std::function<bool()>;

    // The key a command is matched by: upper case, leading and trailing blanks removed, inner
    // blanks kept ("idc_fs_internet settings " -> "IDC_FS_INTERNET SETTINGS").
    static std::string key_of(std::string_view command);

    // `name` as the command table writes it. Two rows for one name are a programming error
    // (std::logic_error): one of them would silently never run.
    void add(std::string_view name, Row row, Changes changes = Changes::Nothing);
    void set_gate(Gate gate) { gate_ = std::move(gate); }
    bool has(std::string_view name) const;
    // Every registered command key, in order: the vocabulary the screens may use.
    std::vector<std::string> names() const;

    // Runs the matching row with `args` unchanged, when the gate lets a changing row through; false
    // when no row matches (ignored silently).
    bool dispatch(std::string_view command, const std::string& args) const;

private:
    struct Entry {
        Row row;
        Changes changes;
    };
    std::map<std::string, Entry, std::less<>> rows_;
    Gate gate_;
};

}  // namespace app
