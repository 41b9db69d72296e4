#include "platform/ini/ini_document.h"

#include <algorithm>

#include "platform/text/ascii_case.h"
#include "platform/text/trim.h"

namespace platform::ini {

namespace {

// Ctrl-Z counts as a blank because old editors left it at the end of profile files.
constexpr std::string_view kProfileBlanks = " \t\r\n\v\f\x1a";

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

}  // namespace

std::string_view trim_blanks(std::string_view text) { return text::trim_blanks(text, kProfileBlanks); }

bool same_name(std::string_view a, std::string_view b) { return text::iequals(trim_blanks(a), trim_blanks(b)); }

IniDocument::IniDocument(std::string text) : text_(std::move(text)) { parse(); }

std::string_view IniDocument::content(size_t line) const {
    const Line& l = lines_[line];
    return std::string_view(text_).substr(l.begin, l.end - l.begin);
}

void IniDocument::parse() {
    lines_.clear();
    sections_.clear();
    size_t pos = text_.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0;
    while (pos < text_.size()) {
        size_t newline = text_.find('\n', pos);
        Line line;
        line.begin = pos;
        line.next = newline == std::string::npos ? text_.size() : newline + 1;
        line.end = newline == std::string::npos ? text_.size() : newline;
        if (line.end > line.begin && text_[line.end - 1] == '\r') --line.end;
        lines_.push_back(line);
        pos = line.next;
    }

    for (size_t i = 0; i < lines_.size(); ++i) {
        std::string_view raw = content(i);
        std::string_view trimmed = trim_blanks(raw);
        if (trimmed.empty()) continue;
        size_t offset = lines_[i].begin + static_cast<size_t>(trimmed.data() - raw.data());

        size_t close = trimmed.rfind(']');
        if (trimmed.front() == '[' && close != std::string_view::npos) {
            Section section;
            section.name = std::string(trim_blanks(trimmed.substr(1, close - 1)));
            section.header_line = i;
            section.last_content_line = i;
            sections_.push_back(std::move(section));
            continue;
        }
        // Lines before the first header belong to no section and cannot be addressed.
        if (sections_.empty()) continue;
        Section& section = sections_.back();
        section.last_content_line = i;
        if (trimmed.front() == ';') continue;

        Entry entry;
        entry.line = i;
        entry.name_begin = offset;
        size_t equals = trimmed.find('=');
        if (equals == std::string_view::npos) {
            entry.name = std::string(trimmed);
            entry.value_begin = entry.value_end = offset + trimmed.size();
        } else {
            entry.name = std::string(trim_blanks(trimmed.substr(0, equals)));
            std::string_view after = trimmed.substr(equals + 1);
            std::string_view value = trim_blanks(after);
            entry.value = std::string(value);
            entry.value_begin = value.empty() ? offset + trimmed.size()
                                              : offset + equals + 1 + static_cast<size_t>(value.data() - after.data());
            entry.value_end = entry.value_begin + value.size();
        }
        section.entries.push_back(std::move(entry));
    }
}

const IniDocument::Section* IniDocument::find_section(std::string_view name) const {
    auto it = std::find_if(sections_.begin(), sections_.end(),
                           [&](const Section& s) { return same_name(s.name, name); });
    return it == sections_.end() ? nullptr : &*it;
}

IniDocument::Section* IniDocument::find_section_mutable(std::string_view name) {
    return const_cast<Section*>(find_section(name));
}

const IniDocument::Entry* IniDocument::find_entry(std::string_view section, std::string_view key) const {
    const Section* s = find_section(section);
    if (!s) return nullptr;
    auto it = std::find_if(s->entries.begin(), s->entries.end(), [&](const Entry& e) { return same_name(e.name, key); });
    return it == s->entries.end() ? nullptr : &*it;
}

std::string_view IniDocument::line_ending() const {
    size_t newline = text_.find('\n');
    if (newline == std::string::npos) return "\r\n";  // a new or one-line file: the Windows way
    return (newline > 0 && text_[newline - 1] == '\r') ? "\r\n" : "\n";
}

void IniDocument::replace(size_t begin, size_t end, std::string_view replacement) {
    text_.replace(begin, end - begin, replacement);
    parse();
}

void IniDocument::insert_after(size_t line, std::string_view new_line) {
    std::string ending(line_ending());
    const Line& l = lines_[line];
    std::string insertion;
    // The last line may have no line ending of its own, or only the CR of one cut short.
    if (l.next == 0 || text_[l.next - 1] != '\n') insertion = ending;
    insertion += new_line;
    insertion += ending;
    text_.insert(l.next, insertion);
    parse();
}

bool IniDocument::set_value(std::string_view section, std::string_view key, std::string_view value) {
    std::string key_text(trim_blanks(key));
    if (const Entry* entry = find_entry(section, key)) {
        if (entry->value && *entry->value == value) return false;
        if (entry->value) {
            replace(entry->value_begin, entry->value_end, value);
        } else {
            replace(entry->name_begin, entry->value_end, entry->name + "=" + std::string(value));
        }
        return true;
    }
    std::string line = key_text + "=" + std::string(value);
    if (const Section* s = find_section(section)) {
        insert_after(s->last_content_line, line);
        return true;
    }
    std::string ending(line_ending());
    std::string addition;
    if (!text_.empty() && text_.back() != '\n') addition = ending;
    addition += "[" + std::string(trim_blanks(section)) + "]" + ending + line + ending;
    text_ += addition;
    parse();
    return true;
}

bool IniDocument::delete_key(std::string_view section, std::string_view key) {
    for (const Section& s : sections_) {
        if (!same_name(s.name, section)) continue;
        for (const Entry& e : s.entries) {
            if (!same_name(e.name, key)) continue;
            replace(lines_[e.line].begin, lines_[e.line].next, "");
            return true;
        }
    }
    return false;
}

bool IniDocument::delete_section(std::string_view section) {
    bool deleted = false;
    // From the last match backwards, so the positions of earlier sections stay valid.
    for (size_t i = sections_.size(); i-- > 0;) {
        if (!same_name(sections_[i].name, section)) continue;
        size_t begin = lines_[sections_[i].header_line].begin;
        size_t end = i + 1 < sections_.size() ? lines_[sections_[i + 1].header_line].begin : text_.size();
        text_.erase(begin, end - begin);
        deleted = true;
    }
    if (deleted) parse();
    return deleted;
}

}  // namespace platform::ini
