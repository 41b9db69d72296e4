#include "engine/foundation/installed_languages.h"

#include "engine/foundation/engine_folder.h"
#include "platform/machine/machine.h"

namespace engine {

TAVRIN_ENGINE_CLASS(Language, "{A9367D25-9769-4E8C-8832-AE354E3D7185}");

std::string Language::GetLangList() {
    namespace attr = platform::fs::attr;
    std::vector<platform::fs::FindData> found;
    try {
        found = platform::current_machine().files().find(engine_path("languages\\*.ini"));
    } catch (const platform::fs::FsError&) {
        return {};  // no languages folder: no languages
    }
    std::string list;
    for (const auto& entry : found) {
        // A plain directory listing of files leaves out folders, hidden and system files.
        if (entry.attributes & (attr::Directory | attr::Hidden | attr::System)) continue;
        if (!list.empty()) list += "||";
        list += entry.name.substr(0, entry.name.find('.'));
    }
    return list;
}

}  // namespace engine
