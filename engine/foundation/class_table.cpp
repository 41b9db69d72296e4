#include "engine/foundation/class_table.h"

#include <string>

#include "engine/foundation/engine_folder.h"
#include "engine/foundation/registry_tree.h"
#include "platform/machine/machine.h"
#include "platform/text/ascii_case.h"

namespace engine {

using platform::text::iequals;

namespace {

using platform::registry::Root;

constexpr std::string_view kLibraryName = "Tavrin_DLL";
constexpr std::string_view kLibraryId = "{AA4B926A-C1ED-42F3-9D44-4AAE3C63DC1E}";
constexpr std::string_view kLibraryVersion = "1.0";

std::vector<ClassInfo>& classes() {
    static std::vector<ClassInfo> table;
    return table;
}

std::string library_file() { return engine_path("Tavrin.dll"); }

void set_text(platform::registry::Registry& reg, const std::string& key, std::string_view name, std::string_view text) {
    std::string data(text);
    data.push_back('\0');
    reg.create_key(Root::ClassesRoot, key);
    reg.set_value(Root::ClassesRoot, key, name, platform::registry::type::Sz,
                  {reinterpret_cast<const uint8_t*>(data.data()), data.size()});
}

void register_class(platform::registry::Registry& reg, const ClassInfo& info) {
    set_text(reg, info.prog_id, "", info.prog_id);
    set_text(reg, info.prog_id + "\\CLSID", "", info.clsid);

    std::string clsid_key = "CLSID\\" + info.clsid;
    set_text(reg, clsid_key, "", info.name);
    set_text(reg, clsid_key + "\\ProgID", "", info.prog_id);
    set_text(reg, clsid_key + "\\InprocServer32", "", library_file());
    set_text(reg, clsid_key + "\\InprocServer32", "ThreadingModel", "Apartment");
    set_text(reg, clsid_key + "\\TypeLib", "", kLibraryId);
    set_text(reg, clsid_key + "\\VERSION", "", kLibraryVersion);
}

void register_type_library(platform::registry::Registry& reg) {
    std::string version_key = "TypeLib\\" + std::string(kLibraryId) + "\\" + std::string(kLibraryVersion);
    set_text(reg, version_key, "", kLibraryName);
    set_text(reg, version_key + "\\0\\win32", "", library_file());
    set_text(reg, version_key + "\\FLAGS", "", "0");
    set_text(reg, version_key + "\\HELPDIR", "", engine_folder());
}

}  // namespace

const std::vector<ClassInfo>& class_table() { return classes(); }

const ClassInfo* find_class(std::string_view name_or_prog_id) {
    for (const ClassInfo& info : classes()) {
        if (iequals(info.name, name_or_prog_id) || iequals(info.prog_id, name_or_prog_id)) return &info;
    }
    return nullptr;
}

std::shared_ptr<EngineObject> create_object(std::string_view name_or_prog_id) {
    const ClassInfo* info = find_class(name_or_prog_id);
    return info ? info->create() : nullptr;
}

void DllRegisterServer() {
    auto& reg = platform::current_machine().registry();
    register_type_library(reg);
    for (const ClassInfo& info : classes()) register_class(reg, info);
}

void DllUnregisterServer() {
    auto& reg = platform::current_machine().registry();
    for (const ClassInfo& info : classes()) {
        delete_registry_tree(reg, Root::ClassesRoot, info.prog_id);
        delete_registry_tree(reg, Root::ClassesRoot, "CLSID\\" + info.clsid);
    }
    delete_registry_tree(reg, Root::ClassesRoot, "TypeLib\\" + std::string(kLibraryId));
}

namespace detail {

ClassRegistrar::ClassRegistrar(std::string name, std::string clsid,
                               std::function<std::shared_ptr<EngineObject>()> create) {
    std::string prog_id = "Tavrin." + name;
    classes().push_back(ClassInfo{std::move(name), std::move(prog_id), std::move(clsid), std::move(create)});
}

}  // namespace detail

}  // namespace engine
