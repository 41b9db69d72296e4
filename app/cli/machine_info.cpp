#include "app/cli/machine_info.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "app/texts/fill_in.h"
#include "app/texts/read_only_text.h"
#include "platform/machine/machine.h"

namespace app::cli {

namespace {

std::string drive_type_key(platform::fs::DriveType type) {
    using platform::fs::DriveType;
    switch (type) {
        case DriveType::Removable: return "msg1033";
        case DriveType::Fixed: return "msg1034";
        case DriveType::Remote: return "msg1035";
        case DriveType::CdRom: return "msg1036";
        case DriveType::RamDisk: return "msg1037";
        case DriveType::NoRootDir: return "msg1038";
        case DriveType::Unknown: break;
    }
    return "msg1028";
}

std::string megabytes(uint64_t bytes) { return std::to_string(bytes / (1024 * 1024)) + " MB"; }

void print_drives(platform::Machine& machine, const Texts& texts, std::ostream& out) {
    out << texts("msg1029") << "\n";
    for (const std::string& root : machine.files().drives()) {
        out << "  " << root << "  " << texts(drive_type_key(machine.files().drive_type(root)));
        try {
            platform::fs::FreeSpace space = machine.files().free_space(root);
            out << ", " << fill_in(texts("msg1030"), {megabytes(space.free_bytes), megabytes(space.total_bytes)});
        } catch (const platform::fs::FsError& e) {
            out << ", " << fill_in(texts("msg1031"), {e.what()});
        }
        out << "\n";
    }
}

std::string registry_text(const platform::registry::Value& value) {
    std::string text(value.data.begin(), value.data.end());
    return text.substr(0, text.find('\0'));
}

void print_user_folders(platform::Machine& machine, const Texts& texts, std::ostream& out) {
    using platform::registry::Root;
    constexpr std::string_view key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    out << fill_in(texts("msg1032"), {machine.user_name()}) << "\n";
    auto& registry = machine.registry();
    for (const std::string& name : registry.value_names(Root::CurrentUser, key)) {
        platform::registry::Value value;
        if (registry.query_value(Root::CurrentUser, key, name, value) == platform::registry::Status::Ok)
            out << "  " << name << " = " << registry_text(value) << "\n";
    }
}

}  // namespace

void print_machine_info(platform::Machine& machine, const Texts& texts, std::ostream& out) {
    out << fill_in(texts("msg1024"), {machine.dir().string()}) << "\n";
    if (machine.is_windows_installation()) out << fill_in(texts("msg1025"), {machine.user_name()}) << "\n";
    if (const auto cause = machine.read_only_cause())
        out << fill_in(texts("msg1026"), {read_only_text(*cause, texts)}) << "\n";
    const std::string version = machine.windows_version();
    out << fill_in(texts("msg1027"), {version.empty() ? texts("msg1028") : version}) << "\n";
    print_drives(machine, texts, out);
    print_user_folders(machine, texts, out);
}

}  // namespace app::cli
