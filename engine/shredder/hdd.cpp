#include "engine/shredder/hdd.h"

#include "engine/shredder/file_search.h"
#include "platform/machine/machine.h"

namespace engine {

TAVRIN_ENGINE_CLASS(HDD, "{0D4C8E57-2B9F-4A61-B3E0-7C5A19F2D846}");

Variant HDD::FindFiles(const std::string& path, const std::string& SearchStr, double& FileCount, double& DirCount) {
    const FileSearch search{
        .enters = nullptr,
        .counts_folder = [&] { DirCount += 1; },
        .reports_match =
            [&](const std::string& match, const platform::fs::FindData& entry) {
                FileCount += 1;
                if (entry.attributes & platform::fs::attr::Directory) return;
                std::string file = match;
                Found.raise(file);
            },
    };
    return static_cast<double>(search_files(platform::current_machine().files(), path, SearchStr, search));
}

}  // namespace engine
