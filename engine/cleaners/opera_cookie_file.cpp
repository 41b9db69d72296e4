#include "engine/cleaners/opera_cookie_file.h"

#include <cstdint>

#include "platform/text/ascii_case.h"
#include "platform/text/split.h"

namespace engine {

namespace {

constexpr uint32_t kDomainRecord = 0x01;
constexpr uint32_t kDomainName = 0x1E;
// The header: file version, application version, then the byte widths of tags and of lengths.
constexpr size_t kHeaderSize = 12;

class Records {
public:
    Records(size_t tag_size, size_t length_size) : tag_size_(tag_size), length_size_(length_size) {}

    // Walks a sequence of records, and the records inside each domain record; false when one runs
    // past the end of the bytes.
    bool collect(std::string_view bytes, bool in_domain, std::set<std::string>& labels) const {
        while (!bytes.empty()) {
            uint32_t tag = 0;
            if (!take_number(bytes, tag_size_, tag)) return false;
            // A tag with its highest bit set is a flag: no length, no contents.
            if (tag & (1u << (8 * tag_size_ - 1))) continue;
            uint32_t length = 0;
            if (!take_number(bytes, length_size_, length) || length > bytes.size()) return false;
            const std::string_view contents = bytes.substr(0, length);
            bytes.remove_prefix(length);
            if (tag == kDomainName && in_domain) labels.insert(platform::text::to_lower(contents));
            else if (tag == kDomainRecord && !collect(contents, true, labels)) return false;
        }
        return true;
    }

private:
    // A big-endian number of `size` bytes.
    static bool take_number(std::string_view& bytes, size_t size, uint32_t& number) {
        if (bytes.size() < size) return false;
        number = 0;
        for (size_t i = 0; i < size; ++i) number = (number << 8) | static_cast<unsigned char>(bytes[i]);
        bytes.remove_prefix(size);
        return true;
    }

    size_t tag_size_;
    size_t length_size_;
};

size_t width_at(std::string_view bytes, size_t offset) {
    return (static_cast<unsigned char>(bytes[offset]) << 8) | static_cast<unsigned char>(bytes[offset + 1]);
}

}  // namespace

std::optional<std::set<std::string>> opera_cookie_domain_labels(std::string_view bytes) {
    if (bytes.size() < kHeaderSize) return std::nullopt;
    const size_t tag_size = width_at(bytes, 8), length_size = width_at(bytes, 10);
    if (tag_size < 1 || tag_size > 4 || length_size < 1 || length_size > 4) return std::nullopt;
    std::set<std::string> labels;
    if (!Records(tag_size, length_size).collect(bytes.substr(kHeaderSize), false, labels)) return std::nullopt;
    return labels;
}

bool may_hold_kept_site(const std::set<std::string>& labels, const CookieKeepList& keep) {
    for (const auto& site : keep.sites()) {
        bool all_there = true, any = false;
        for (const auto& label : platform::text::split(site, '.')) {
            if (label.empty()) continue;
            any = true;
            all_there = all_there && labels.contains(std::string(label));
        }
        if (any && all_there) return true;
    }
    return false;
}

}  // namespace engine
