#pragma once
// The engine's class table: every creatable class with its ProgID ("Tavrin.IE") and class id.
// The program creates engine objects by name through it, and DllRegisterServer publishes it
// under HKEY_CLASSES_ROOT of the machine.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

// Base of every creatable engine class.
class EngineObject {
public:
    virtual ~EngineObject() = default;
};

struct ClassInfo {
    std::string name;     // "IE"
    std::string prog_id;  // "Tavrin.IE"
    std::string clsid;    // "{...}" fixed per class, so registrations stay stable across builds
    std::function<std::shared_ptr<EngineObject>()> create;
};

// All classes, in the order they registered.
const std::vector<ClassInfo>& class_table();
const ClassInfo* find_class(std::string_view name_or_prog_id);

// Creates an object by class name or ProgID; nullptr when the name is unknown.
std::shared_ptr<EngineObject> create_object(std::string_view name_or_prog_id);
template <class T>
std::shared_ptr<T> create(std::string_view name_or_prog_id) {
    return std::dynamic_pointer_cast<T>(create_object(name_or_prog_id));
}

// Writes (or removes) the ProgIDs and class ids under HKEY_CLASSES_ROOT of the current machine.
void DllRegisterServer();
void DllUnregisterServer();

namespace detail {
struct ClassRegistrar {
    ClassRegistrar(std::string name, std::string clsid, std::function<std::shared_ptr<EngineObject>()> create);
};
}  // namespace detail

}  // namespace engine

// Put once in the .cpp of each creatable class.
#define TAVRIN_ENGINE_CLASS(Class, Clsid)                                                         \
    static const ::engine::detail::ClassRegistrar tavrin_registrar_##Class(                       \
        #Class, Clsid, [] { return std::static_pointer_cast<::engine::EngineObject>(std::make_shared<Class>()); })
