#pragma once
// The engine's variant: the values that cross member boundaries untyped (registry values, defaults).
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace engine {

using Bytes = std::vector<uint8_t>;

// Empty (monostate) is the "empty variant" results of cleaning members.
class Variant : public std::variant<std::monostate, bool, int16_t, int32_t, double, std::string, Bytes> {
public:
    using Base = std::variant<std::monostate, bool, int16_t, int32_t, double, std::string, Bytes>;
    using Base::Base;
    Variant() = default;
    Variant(const char* text) : Base(std::string(text)) {}

    bool is_empty() const { return std::holds_alternative<std::monostate>(*this); }
    bool is_text() const { return std::holds_alternative<std::string>(*this); }
    bool is_bytes() const { return std::holds_alternative<Bytes>(*this); }
    // A 16- or 32-bit integer (the forms a DWORD write accepts).
    bool is_integer() const {
        return std::holds_alternative<int16_t>(*this) || std::holds_alternative<int32_t>(*this);
    }

    // The value as text, as every caller that shows or stores a value expects it: booleans read
    // "True"/"False", empty is the empty text, bytes are taken as characters.
    std::string to_text() const;
    // Integer value of integer, boolean, double or numeric text; 0 otherwise.
    int64_t to_integer() const;
};

}  // namespace engine
