#include "engine/foundation/variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/text/trim.h"

namespace engine {

std::string Variant::to_text() const {
    struct Visitor {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(bool b) const { return b ? "True" : "False"; }
        std::string operator()(int16_t v) const { return std::to_string(v); }
        std::string operator()(int32_t v) const { return std::to_string(v); }
        std::string operator()(double v) const {
            if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15) return std::to_string(static_cast<int64_t>(v));
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%.15g", v);
            return buffer;
        }
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(const Bytes& b) const { return std::string(b.begin(), b.end()); }
    };
    return std::visit(Visitor{}, static_cast<const Base&>(*this));
}

int64_t Variant::to_integer() const {
    struct Visitor {
        int64_t operator()(std::monostate) const { return 0; }
        int64_t operator()(bool b) const { return b ? -1 : 0; }
        int64_t operator()(int16_t v) const { return v; }
        int64_t operator()(int32_t v) const { return v; }
        int64_t operator()(double v) const { return std::llround(v); }
        int64_t operator()(const std::string& s) const {
            int64_t value = 0;
            const std::string_view digits = platform::text::trim_leading(s);
            std::from_chars(digits.data(), digits.data() + digits.size(), value);
            return value;
        }
        int64_t operator()(const Bytes&) const { return 0; }
    };
    return std::visit(Visitor{}, static_cast<const Base&>(*this));
}

}  // namespace engine
