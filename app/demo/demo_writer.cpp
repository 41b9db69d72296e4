#include "app/demo/demo_writer.h"

#include "engine/foundation/cregistry.h"
#include "platform/inet/user_folders.h"
#include "platform/machine/machine.h"

namespace app::demo {

void write_value(engine::ERegistryClassConstants root, const std::string& key, const std::string& name,
                 const engine::Variant& value, engine::ERegistryValueTypes type) {
    engine::cRegistry reg;
    reg.ValueEx(root, key, name, type, engine::Variant(), value);
}

void write_demo_file(const std::string& path, const std::string& contents) {
    auto& files = platform::current_machine().files();
    auto folder = path.substr(0, path.rfind('\\'));
    if (!files.is_directory(folder)) files.create_directory(folder);
    files.write_text(path, contents);
}

std::string profile_folder(const std::string& shell_folder) {
    return platform::inet::user_shell_folder(platform::current_machine(), shell_folder);
}

}  // namespace app::demo
