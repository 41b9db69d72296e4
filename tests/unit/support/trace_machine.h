#pragma once
// A temporary machine for the cleaners of one application's traces: writing the registry
// values and files an application leaves, and telling what a cleaner left of them.
#include <filesystem>
#include <string>
#include <vector>

#include "engine/foundation/cregistry.h"
#include "platform/inet/user_folders.h"
#include "tests/unit/support/temp_machine.h"

namespace tavrin_test {

class TraceMachineTest : public MachineTest {
protected:
    static void set_text(engine::ERegistryClassConstants root, const std::string& key, const std::string& name,
                         const engine::Variant& value, engine::ERegistryValueTypes type = engine::REG_SZ) {
        engine::cRegistry reg;
        reg.ValueEx(root, key, name, type, engine::Variant(), value);
    }
    static bool value_exists(engine::ERegistryClassConstants root, const std::string& key, const std::string& name) {
        engine::cRegistry reg;
        return !reg.ValueEx(root, key, name, engine::REG_NONE, engine::Variant()).is_empty();
    }
    static bool key_exists(engine::ERegistryClassConstants root, const std::string& key) {
        engine::cRegistry reg;
        reg.ClassKey(root);
        reg.SectionKey(key);
        return reg.KeyExists();
    }
    void set_windows_version(const std::string& version) {
        set_text(engine::HKEY_CURRENT_USER, "Software\\Wine", "Version", version);
    }
    std::string app_data() { return platform::inet::user_shell_folder(machine(), "AppData"); }
    bool exists(const std::string& windows_path) { return std::filesystem::exists(temp.host(windows_path)); }
    // Writes each file with some contents.
    void plant(const std::vector<std::string>& windows_paths) {
        for (const auto& path : windows_paths) temp.write_file(path, "trace of " + path);
    }
    // Collects what the cleaner reports.
    template <class Cleaner>
    void watch(Cleaner& cleaner) {
        cleaner.ShowLog.subscribe([this](std::string& line) { log_lines.push_back(line); });
    }
    std::vector<std::string> log_lines;
};

}  // namespace tavrin_test
