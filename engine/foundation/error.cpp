#include "engine/foundation/error.h"

#include <charconv>

#include "engine/foundation/engine_error.h"
#include "platform/text/trim.h"

namespace engine {

TAVRIN_ENGINE_CLASS(Error, "{40A2AED7-6154-4740-8F2C-2CF76A183E4E}");

namespace {
constexpr int32_t kTypeMismatch = 13;
}

void Error::ERRNumber(const std::string& value) {
    const std::string_view digits = platform::text::trim_blanks(value);
    int32_t number = 0;
    if (!digits.empty()) {
        const char* first = digits.data();
        const char* last = digits.data() + digits.size();
        if (*first == '+') ++first;
        auto [stop, error] = std::from_chars(first, last, number);
        if (error == std::errc() && stop == last) {
            number_ = number;
            return;
        }
    }
    throw EngineError(kTypeMismatch, "Tavrin.Error", "Type mismatch: '" + value + "' is not a 32-bit number");
}

Variant Error::ParseError() {
    if (number_ == errors::kFileNotFound) {
        throw EngineError(errors::kResumeWithoutError, "Tavrin.Error", "Resume without error");
    }
    return {};
}

}  // namespace engine
