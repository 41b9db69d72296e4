#include "engine/cleaners/icq.h"

#include "engine/cleaners/trace_locations.h"
#include "engine/cleaners/trace_shredding.h"
#include "platform/text/trim.h"

namespace engine {

TAVRIN_ENGINE_CLASS(ICQ, "{ADD09D71-EF79-44D7-9549-AC098920A8FE}");

namespace {

constexpr const char* kSource = "Tavrin.ICQ";

std::string install_folder() {
    std::string folder = registry_text(HKEY_CURRENT_USER, "SOFTWARE\\Mirabilis\\ICQ\\Install\\General", "InstalledDir");
    if (platform::text::is_blank(folder)) folder = find_program_folder("icq");
    return folder;
}

}  // namespace

int32_t ICQ::CleanICQBookmarks() {
    empty_install_subfolder("Bookmark");
    return 0;
}

int32_t ICQ::CleanICQChats() {
    empty_install_subfolder("Chats");
    return 0;
}

int32_t ICQ::CleanICQBrowserCache() {
    empty_install_subfolder("AteBrowser");
    return 0;
}

int32_t ICQ::CleanICQReceivedFiles() {
    std::string app_data = application_data_folder();
    if (app_data.empty()) {
        report_to_log(ShowLog, kNotFoundMessage, "ICQ received files folder");
        return 0;
    }
    shred_folder(ShowLog, kSource, app_data + "\\ICQ\\ReceivedFiles", true, "xml");
    return 0;
}

void ICQ::empty_install_subfolder(const char* name) {
    std::string folder = install_folder();
    if (folder.empty()) return report_to_log(ShowLog, kNotFoundMessage, "ICQ folder");
    shred_folder(ShowLog, kSource, folder + "\\" + name, true, "*");
}

}  // namespace engine
