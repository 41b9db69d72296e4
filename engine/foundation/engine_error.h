#pragma once
// The one exception type the engine raises: a COM-style error with number, source and description.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace engine {

class EngineError : public std::runtime_error {
public:
    EngineError(int32_t number, std::string source, std::string description)
        : std::runtime_error(description.empty() ? source + " error " + std::to_string(number) : description),
          number_(number), source_(std::move(source)), description_(std::move(description)) {}

    int32_t number() const { return number_; }
    const std::string& source() const { return source_; }
    const std::string& description() const { return description_; }

private:
    int32_t number_;
    std::string source_;
    std::string description_;
};

// Error numbers the engine raises (the HRESULT-style ones are negative as 32-bit integers).
namespace errors {
constexpr int32_t kRegistryCreateFailed = 26001;
constexpr int32_t kRegistrySetValueFailed = static_cast<int32_t>(0x800469A9u);
constexpr int32_t kRegistryEnumerationFailed = static_cast<int32_t>(0x800469AAu);
constexpr int32_t kInvalidAssociationList = static_cast<int32_t>(0x800469ACu);
constexpr int32_t kAssociationClassMissing = static_cast<int32_t>(0x800469ADu);
constexpr int32_t kResumeWithoutError = 20;
constexpr int32_t kFileNotFound = 53;
constexpr int32_t kPermissionDenied = 70;
}  // namespace errors

// Runs one step of a procedure whose steps each ignore their own failure.
template <class Step>
bool ignore_errors(Step&& step) noexcept {
    try {
        step();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace engine
