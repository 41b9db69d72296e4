#include "platform/inet/legacy_text_index.h"

#include <algorithm>
#include <array>
#include <span>

namespace platform::inet {

namespace {

constexpr char kMarkerRecord = '+';

std::optional<std::string> unescape(std::string_view text) {
    // Most keys and fields hold no escape at all: copied whole, as reading a large index is
    // mostly this.
    const size_t first = text.find('\\');
    if (first == std::string_view::npos) return std::string(text);
    std::string out(text.substr(0, first));
    out.reserve(text.size());
    for (size_t i = first; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
            case '\\': out += '\\'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case 'n': out += '\n'; break;
            default: return std::nullopt;
        }
    }
    return out;
}

// A record line's parts, split at its tabs: a marker, the key and the fields. A line with more
// parts than any index has fields for is only counted (size() says it has too many).
class LineParts {
public:
    static constexpr size_t kMost = 8;

    explicit LineParts(std::string_view line) {
        size_t start = 0;
        for (;;) {
            size_t tab = line.find('\t', start);
            if (count_ < kMost) parts_[count_] = line.substr(start, tab == std::string_view::npos ? tab : tab - start);
            ++count_;
            if (tab == std::string_view::npos) return;
            start = tab + 1;
        }
    }
    size_t size() const { return count_; }
    std::string_view operator[](size_t i) const { return parts_[i]; }

private:
    std::array<std::string_view, kMost> parts_;
    size_t count_ = 0;
};

bool is_blank(std::string_view line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\r'; });
}

std::span<const uint8_t> bytes_of(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace

LegacyTextIndex::LegacyTextIndex(fs::FileSystem& files, std::string path, std::string kind, size_t field_count)
    : files_(files), path_(std::move(path)), kind_(std::move(kind)), field_count_(field_count) {}

std::string LegacyTextIndex::header() const { return "TAVRIN-INDEX 1 " + kind_; }

void LegacyTextIndex::reset() {
    slots_.clear();
    slot_of_.clear();
    kept_keys_.clear();
    text_.reset();
    unreadable_.clear();
    live_ = 0;
    known_size_.reset();
}

void LegacyTextIndex::refresh(bool always) {
    auto size = files_.file_size(path_);
    if (!always && loaded_ && size == known_size_) return;
    reset();
    loaded_ = true;
    if (!size) return;
    load(files_.read_text(path_));
}

void LegacyTextIndex::load(std::string file_text) {
    reset();
    text_ = std::make_unique<const std::string>(std::move(file_text));
    const std::string& text = *text_;
    loaded_ = true;
    known_size_ = text.size();
    const auto lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    slots_.reserve(lines);
    slot_of_.reserve(lines);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        if (start == 0 && line == header()) {
            // the header is not a record
        } else {
            read_line(line, start);
        }
        start = end + 1;
    }
}

void LegacyTextIndex::read_line(std::string_view line, uint64_t offset) {
    if (is_blank(line)) return;
    // A file edited by hand on Windows may carry CR LF line ends.
    std::string_view content = line.ends_with('\r') ? line.substr(0, line.size() - 1) : line;
    const LineParts parts(content);
    std::optional<Record> record;
    if (parts.size() == field_count_ + 2 && parts.size() <= LineParts::kMost && parts[0].size() == 1 &&
        parts[0][0] == kMarkerRecord) {
        record.emplace();
        record->fields.reserve(field_count_);
        auto key = unescape(parts[1]);
        if (key && !key->empty()) record->key = std::move(*key);
        else record.reset();
        for (size_t i = 2; record && i < parts.size(); ++i) {
            auto field = unescape(parts[i]);
            if (field) record->fields.push_back(std::move(*field));
            else record.reset();
        }
    }
    if (!record) {
        unreadable_.emplace_back(line);
        return;
    }
    // The key as the line spells it is the key itself when it holds no escape.
    const std::string_view key = parts[1].size() == record->key.size() ? parts[1] : kept_key(record->key);
    Slot slot{std::move(*record), {offset, line.size()}, {}};
    if (auto [found, first] = slot_of_.try_emplace(key, slots_.size()); !first) {
        // A later line for the same key is the newer one; the older line is now dead weight,
        // blanked out with it.
        Slot& older = *slots_[found->second];
        slot.shadowed = std::move(older.shadowed);
        slot.shadowed.push_back(older.line);
        slots_[found->second].reset();
        --live_;
        found->second = slots_.size();
    }
    slots_.push_back(std::move(slot));
    ++live_;
}

std::vector<LegacyTextIndex::Record> LegacyTextIndex::records() {
    std::vector<Record> out;
    for_each_record([&](const Record& record) { out.push_back(record); });
    return out;
}

void LegacyTextIndex::for_each_record(const std::function<void(const Record&)>& visit) {
    // Listing costs a full read anyway, so it also sees what another reader erased in place
    // (which leaves the size alone).
    refresh(/*always=*/true);
    for (const auto& slot : slots_)
        if (slot) visit(slot->record);
}

std::string_view LegacyTextIndex::kept_key(std::string_view key) { return kept_keys_.emplace_back(key); }

std::optional<size_t> LegacyTextIndex::live_slot(std::string_view key) const {
    auto found = slot_of_.find(key);
    if (found == slot_of_.end() || !slots_[found->second]) return std::nullopt;
    return found->second;
}

void LegacyTextIndex::blank_out(fs::File& file, const Slot& slot) {
    blank_out(file, slot.line);
    for (const Line& older : slot.shadowed) blank_out(file, older);
}

void LegacyTextIndex::blank_out(fs::File& file, const Line& line) {
    // One run of spaces serves every line, as a pass blanks thousands of them.
    if (spaces_.size() < line.length) spaces_.assign(line.length, ' ');
    file.write_at(line.offset, bytes_of(std::string_view(spaces_).substr(0, line.length)));
}

bool LegacyTextIndex::erase(std::string_view key) {
    const std::string one(key);
    return erase_all({&one, 1}, nullptr, nullptr) == 1;
}

size_t LegacyTextIndex::erase_all(std::span<const std::string> keys, const std::function<bool(const Record&)>& may_erase,
                            const std::function<void(Record&&)>& erased) {
    refresh();
    std::optional<fs::File> file;
    size_t count = 0;
    size_t next = 0;  // where the next key's record lies when the keys come in the order of a listing
    for (const std::string& key : keys) {
        std::optional<size_t> at;
        if (next < slots_.size() && slots_[next] && slots_[next]->record.key == key) at = next;
        else at = live_slot(key);
        if (!at) continue;
        next = *at + 1;
        std::optional<Slot>& slot = slots_[*at];
        // Opened before anything is asked: an index that cannot be written stops the pass before
        // anything that its records name has gone.
        if (!file) file = files_.open(path_, fs::File::Mode::WriteInPlace);
        if (may_erase && !may_erase(slot->record)) continue;
        blank_out(*file, *slot);
        Record record = std::move(slot->record);
        slot.reset();
        --live_;
        ++count;
        if (erased) erased(std::move(record));
    }
    if (file) file->close();
    return count;
}

void LegacyTextIndex::clear() {
    refresh();
    if (!known_size_) return;
    reset();
    std::string text = header() + "\n";
    files_.write_text(path_, text);
    load(std::move(text));
}

size_t LegacyTextIndex::unreadable_lines() {
    refresh();
    return unreadable_.size();
}

}  // namespace platform::inet
