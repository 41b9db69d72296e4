#include "app/features/dll/dll_backup.h"

#include <vector>

#include "app/features/shredder/relayed_shredder.h"
#include "app/kernel/failure_text.h"
#include "app/kernel/shell.h"
#include "app/stage/list_pusher.h"
#include "app/texts/fill_in.h"
#include "engine/foundation/hooks.h"
#include "platform/fs/fs.h"
#include "platform/ini/profile.h"
#include "platform/machine/machine.h"
#include "platform/text/ascii_case.h"
#include "platform/text/bar_list.h"

namespace app {

using platform::text::iequals;
using platform::text::non_empty_bar_items;

namespace {

namespace fs = platform::fs;

constexpr const char* kRestoreSection = "Restore";

// The backup folder's record of where each copy came from.
class RestoreRecord {
public:
    explicit RestoreRecord(const std::string& backup_folder) : file_(backup_folder + "restore.ini") {}

    std::string former_path(const std::string& name) const {
        std::string buffer(kMaxPath, '\0');
        uint32_t length = platform::ini::GetPrivateProfileString(machine(), kRestoreSection, name.c_str(), "",
                                                                 buffer.data(), kMaxPath, file_);
        buffer.resize(length);
        return buffer;
    }

    bool remember(const std::string& name, const std::string& path) {
        return platform::ini::WritePrivateProfileString(machine(), kRestoreSection, name.c_str(), path.c_str(), file_);
    }

private:
    static constexpr uint32_t kMaxPath = 32768;
    static platform::Machine& machine() { return platform::current_machine(); }
    std::string file_;
};

std::string file_name_of(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

std::string parent_of(const std::string& path) { return path.substr(0, path.rfind('\\')); }

// "x.dll", then "x (2).dll", "x (3).dll", ...
std::string slot_name(const std::string& name, int number) {
    if (number == 1) return name;
    const size_t dot = name.rfind('.');
    const std::string tail = " (" + std::to_string(number) + ")";
    return dot == std::string::npos ? name + tail : name.substr(0, dot) + tail + name.substr(dot);
}

// The first slot that holds no copy, or holds an earlier copy of this very DLL.
std::string free_slot(fs::FileSystem& files, const std::string& folder, const RestoreRecord& record,
                      const std::string& dll) {
    const std::string name = file_name_of(dll);
    for (int number = 1;; ++number) {
        std::string slot = slot_name(name, number);
        if (!files.exists(folder + slot) || iequals(record.former_path(slot), dll)) return slot;
    }
}

// Copies the DLL into its slot and records it; throws FsError when the copy is not whole.
void back_up(fs::FileSystem& files, const std::string& folder, RestoreRecord& record, const std::string& dll) {
    files.create_directory(folder);
    const std::string slot = free_slot(files, folder, record, dll);
    files.copy_file(dll, folder + slot, true);  // written to a sibling, flushed, then renamed
    if (files.file_size(folder + slot) != files.file_size(dll))
        throw fs::FsError(fs::error::DiskFull, "the backup copy " + slot + " is not complete");
    if (!record.remember(slot, dll))
        throw fs::FsError(fs::error::AccessDenied, "restore.ini in the backup folder cannot be written");
}

// A log line in the session's language, its places filled with the values.
void report(Shell& shell, const char* message_key, const std::vector<std::string>& values) {
    shell.log_window().addLogLine(fill_in(shell.text(message_key), values));
}

}  // namespace

std::string dll_backup_folder(const Shell& shell) { return shell.program().folder + "\\backup_dll\\"; }

void CleanDLL(Shell& shell, const std::string& list, bool backup_before_delete) {
    const engine::BusyPointer busy;
    fs::FileSystem& files = platform::current_machine().files();
    const std::string folder = dll_backup_folder(shell);
    RestoreRecord record(folder);
    RelayedShredder sh(shell);
    for (const std::string& dll : non_empty_bar_items(list)) {
        if (backup_before_delete) {
            try {
                back_up(files, folder, record, dll);
            } catch (const fs::FsError& failure) {
                report(shell, "msg470", {dll, fs_failure_text(shell, failure)});
                continue;
            }
        }
        sh.item(dll, [&] { sh->FileShred(dll); });
    }
}

int restoreDlls(Shell& shell, const std::string& list) {
    fs::FileSystem& files = platform::current_machine().files();
    const std::string folder = dll_backup_folder(shell);
    const RestoreRecord record(folder);
    RelayedShredder sh(shell);
    int not_restored = 0;
    auto refuse = [&](const char* message_key, const std::vector<std::string>& values) {
        report(shell, message_key, values);
        ++not_restored;
    };
    for (const std::string& name : non_empty_bar_items(list)) {
        const std::string copy = folder + name;
        const std::string target = record.former_path(name);
        if (!files.exists(copy)) {
            refuse("msg471", {name});
            continue;
        }
        if (target.empty()) {
            refuse("msg472", {name});
            continue;
        }
        try {
            files.create_directory(parent_of(target));
            files.copy_file(copy, target, true);
        } catch (const fs::FsError& failure) {
            refuse("msg473", {name, target, fs_failure_text(shell, failure)});
            continue;
        }
        report(shell, "msg474", {target});
        sh.item(copy, [&] { sh->FileShred(copy); });
    }
    return not_restored;
}

void loadRestoreList(Shell& shell) {
    push_list(shell.stage(), kMainMovie, MovieList{"RestoreItems", {}, "_root.ShowRestoreItems", "1"});
    std::vector<std::string> names;
    for (const fs::FindData& entry : platform::current_machine().files().find(dll_backup_folder(shell) + "*.dll"))
        if (!(entry.attributes & fs::attr::Directory)) names.push_back(entry.name);
    push_list(shell.stage(), kMainMovie, MovieList{"RestoreItems", names, "_root.ShowRestoreItems", "1"});
}

}  // namespace app
