// File-type associations written by cRegistry: the ".ext" key, the class key and its shell verbs.
#include "engine/foundation/cregistry.h"
#include "engine/foundation/engine_error.h"
#include "platform/text/trim.h"

namespace engine {

namespace {

constexpr const char* kSource = "Tavrin.cRegistry";

std::string quoted(std::string path) {
    path = std::string(platform::text::trim_blanks(path));
    if (!path.starts_with('"')) path.insert(path.begin(), '"');
    if (path.size() < 2 || !path.ends_with('"')) path.push_back('"');
    return path;
}

std::string command(const std::string& quoted_exe, const std::string& option) {
    return quoted_exe + " " + (option.empty() ? "" : option + " ") + "\"%1\"";
}

}  // namespace

void cRegistry::store_text(uint32_t root_code, const std::string& section, const std::string& text) {
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    store(root_code, section, "", Encoded{platform::registry::type::Sz, std::move(data)}, text);
}

// Classes live in two places on older systems, so each default value is written to both.
void cRegistry::store_class_text(const std::string& section, const std::string& text) {
    store_text(HKEY_CLASSES_ROOT, section, text);
    store_text(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\" + section, text);
}

void cRegistry::CreateEXEAssociation(std::string sExePath, std::string sClassName, std::string sClassDescription,
                                     std::string sAssociation, std::string sOpenMenuText, bool bSupportPrint,
                                     std::string sPrintMenuText, bool bSupportNew, std::string sNewMenuText,
                                     bool bSupportInstall, std::string sInstallMenuText, int32_t lDefaultIconIndex) {
    std::string exe = quoted(sExePath);
    std::string shell = sClassName + "\\shell\\";
    store_class_text("." + sAssociation, sClassName);
    store_class_text(sClassName, sClassDescription);
    store_class_text(shell + "open", sOpenMenuText.empty() ? "&Open" : sOpenMenuText);
    store_class_text(shell + "open\\command", command(exe, ""));
    if (bSupportPrint) {
        store_class_text(shell + "print", sPrintMenuText.empty() ? "&Print" : sPrintMenuText);
        store_class_text(shell + "print\\command", command(exe, "/p"));
    }
    if (bSupportInstall) {
        store_class_text(shell + "add", sInstallMenuText.empty() ? "&Install " + sAssociation : sInstallMenuText);
        store_class_text(shell + "add\\command", command(exe, "/a"));
    }
    if (bSupportNew) {
        store_class_text(shell + "new", sNewMenuText.empty() ? "&New" : sNewMenuText);
        store_class_text(shell + "new\\command", command(exe, "/n"));
    }
    if (lDefaultIconIndex >= 0) {
        store_class_text(sClassName + "\\DefaultIcon", exe + "," + std::to_string(lDefaultIconIndex));
    }
}

void cRegistry::CreateAdditionalEXEAssociations(std::string sClassName, std::vector<Variant>& vItems) {
    if (vItems.size() % 3 != 0) {
        throw EngineError(errors::kInvalidAssociationList, kSource,
                          "Invalid parameter list passed to CreateAdditionalEXEAssociations - expected Name/Text/Command");
    }
    cRegistry probe;
    probe.Machine(machine_);
    probe.ClassKey(HKEY_CLASSES_ROOT);
    probe.SectionKey(sClassName);
    if (sClassName.empty() || !probe.KeyExists()) {
        throw EngineError(errors::kAssociationClassMissing, kSource,
                          "Error - attempt to create additional associations before class defined.");
    }
    for (size_t i = 0; i < vItems.size(); i += 3) {
        std::string verb = sClassName + "\\shell\\" + vItems[i].to_text();
        store_class_text(verb, vItems[i + 1].to_text());
        store_class_text(verb + "\\command", vItems[i + 2].to_text());
    }
}

}  // namespace engine
