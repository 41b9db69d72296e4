#pragma once
// The text of one profile file, read the way the Windows profile functions read it and edited
// in place: an edit touches only the lines it must, so comments, blank lines, odd spacing and
// the file's own line endings survive every write.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ini {

class IniDocument {
public:
    struct Entry {
        std::string name;                  // trimmed
        std::optional<std::string> value;  // trimmed; nullopt for a line without "="
        size_t line = 0;
        // Where the trimmed name and value sit in text(), so an edit can replace just the value.
        size_t name_begin = 0, value_begin = 0, value_end = 0;
    };
    struct Section {
        std::string name;  // trimmed, without the brackets
        size_t header_line = 0;
        std::vector<Entry> entries;  // comment and blank lines are not entries
        size_t last_content_line = 0;  // the header or the last non-blank line before the next header
    };

    explicit IniDocument(std::string text = {});

    const std::string& text() const { return text_; }
    const std::vector<Section>& sections() const { return sections_; }

    // First section with that name (case-insensitive, blanks around the name ignored).
    const Section* find_section(std::string_view name) const;
    // First entry with that name in the first section of that name.
    const Entry* find_entry(std::string_view section, std::string_view key) const;

    // Replaces the value of the first matching key, or adds the key (and the section) at the end
    // of the section's content. Returns false when nothing changed.
    bool set_value(std::string_view section, std::string_view key, std::string_view value);
    // Removes the first matching key of any section with that name; false when there was none.
    bool delete_key(std::string_view section, std::string_view key);
    // Removes every section of that name with all its lines; false when there was none.
    bool delete_section(std::string_view section);
    // The text without the sections `drop` picks (each from its header to the next header), in
    // one pass: removing thousands of sections one by one would parse the text each time.
    template <typename Drop>
    std::string text_without(Drop drop) const {
        std::string kept;
        size_t copied_to = 0;
        for (size_t i = 0; i < sections_.size(); ++i) {
            if (!drop(sections_[i])) continue;
            const size_t begin = lines_[sections_[i].header_line].begin;
            const size_t end = i + 1 < sections_.size() ? lines_[sections_[i + 1].header_line].begin : text_.size();
            kept.append(text_, copied_to, begin - copied_to);
            copied_to = end;
        }
        return kept.append(text_, copied_to);
    }

private:
    struct Line {
        size_t begin = 0;    // first byte of the line
        size_t end = 0;      // end of its content (before CR LF / LF)
        size_t next = 0;     // first byte of the following line
    };

    void parse();
    std::string_view content(size_t line) const;
    std::string_view line_ending() const;  // what new lines end with: the file's own style
    void replace(size_t begin, size_t end, std::string_view replacement);
    void insert_after(size_t line, std::string_view new_line);
    Section* find_section_mutable(std::string_view name);

    std::string text_;
    std::vector<Line> lines_;
    std::vector<Section> sections_;
};

// The Windows profile functions compare names without regard to case and ignore surrounding blanks.
bool same_name(std::string_view a, std::string_view b);
std::string_view trim_blanks(std::string_view text);

}  // namespace platform::ini
