#pragma once
// Wine's registry text format, one line at a time: escaping of names and strings, the value forms
// ("...", str(N):"...", dword:, hex:, hex(N):) and the key line. Knows nothing of trees or files.
#include <bit>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/trim.h"

namespace platform::registry::text {

// A line that breaks the format; the reader adds the file name and line number.
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A buffer still being filled (a file read alongside its parsing). Asked when a line runs into the
// end of what has arrived, it waits for more and returns all that has arrived; the same size once
// nothing more will come.
class ArrivingText {
public:
    virtual std::string_view arrived_beyond(size_t size) = 0;

protected:
    ~ArrivingText() = default;
};

// Walks a file's lines. A line excludes its "\n" and a "\r" before it. The line ends are found
// 64 bytes at a time and kept as a bit mask, so most lines cost a bit scan, not a search.
class LineCursor {
public:
    explicit LineCursor(std::string_view buffer, size_t start = 0, ArrivingText* more = nullptr)
        : buffer_(buffer), pos_(start), searched_(start), more_(more) {}
    bool at_end() { return pos_ >= buffer_.size() && !take_more(); }
    size_t offset() const { return pos_; }  // start of the next line
    size_t line_number() const { return line_; }  // of the line last returned
    // Inline: every line of a hive passes here, and most find their end in the mask.
    std::string_view next_line() {
        if (!newlines_) return search_line();
        const size_t newline = block_ + static_cast<size_t>(std::countr_zero(newlines_));
        newlines_ &= newlines_ - 1;
        return line_until(newline, newline + 1);
    }
    std::string_view buffer() const { return buffer_; }

private:
    bool take_more();  // false when nothing more will come
    std::string_view search_line();  // when the mask holds no more line ends
    std::string_view line_until(size_t end, size_t next) {
        const size_t begin = pos_;
        pos_ = next;
        ++line_;
        if (end > begin && buffer_[end - 1] == '\r') --end;
        return buffer_.substr(begin, end - begin);
    }

    std::string_view buffer_;
    size_t pos_ = 0;
    // The line ends in [pos_, searched_) are the bits of newlines_, bit i for block_ + i.
    size_t searched_ = 0;
    size_t block_ = 0;
    uint64_t newlines_ = 0;
    size_t line_ = 0;
    ArrivingText* more_ = nullptr;
};

// A line without the blanks it starts with: an indented line means what it would mean unindented.
// Inline: every line of a hive passes here.
inline std::string_view trim_left(std::string_view line) { return platform::text::trim_leading(line, " \t\v\f"); }

// How a value's data is written; the parse decides how to read it back.
enum class DataForm : uint8_t { String, Dword, Hex };

// A value line as found in the file, validated; data is decoded later, when somebody asks.
struct ValueLine {
    std::string_view raw_name;  // still escaped; empty for "@"
    bool plain_name = true;     // raw_name has no escapes and is ASCII: usable as it stands
    uint32_t type = 0;
    DataForm form = DataForm::Hex;
    size_t data_begin = 0;  // buffer offset just after the type tag
    size_t end = 0;         // buffer offset after the value's last line (continuations included)
};

// Parses the value starting on the line just returned by the cursor (which starts at line_begin);
// consumes continuation lines. Throws FormatError.
ValueLine parse_value(LineCursor& cursor, size_t line_begin, std::string_view line);

// The key path of a "[...]" line, still escaped, without the brackets. Throws FormatError.
std::string_view key_line_path(std::string_view line);

// Undoes Wine's escapes: \\ \" \a \b \e \f \n \r \t \v \xHHHH, octal, raw UTF-8.
std::u16string unescape(std::string_view raw);
// True when raw needs no unescaping to be used as UTF-8 text as it stands.
bool is_plain(std::string_view raw);
// Splits an escaped key path at its "\\\\" separators (empty components are skipped, as Wine
// does); the components stay escaped.
void split_key_path(std::string_view raw_path, std::vector<std::string_view>& components);
// An escaped name as UTF-8 text.
std::string decode_name(std::string_view raw);

// Wine's escaping; specials are the two characters that must also be escaped ("[]" or "\"\"").
void append_escaped(std::string& out, std::u16string_view text, const char* specials);
void append_escaped(std::string& out, std::string_view utf8, const char* specials);
// True when append_escaped would write the text as it is.
bool is_written_as_is(std::string_view utf8, const char* specials);

// The data of a parsed value as Wine keeps it: UTF-16LE for strings (with the final NUL), else raw.
std::vector<uint8_t> decode_data(std::string_view buffer, const ValueLine& value);

// A value's name as its line starts with it: quoted and escaped, or "@" for the default value.
void append_value_name(std::string& out, std::string_view name);
// One value in Wine's own layout, "\n" included.
void append_value(std::string& out, std::string_view name, uint32_t type, std::span<const uint8_t> data);

// "[path] seconds\n#time=hex\n" for a key changed at the given FILETIME.
void append_key_header(std::string& out, std::span<const std::string_view> path, uint64_t filetime);
// The same for a path as a key line holds it, escaped.
void append_key_header(std::string& out, std::string_view escaped_path, uint64_t filetime);

// The current time as a FILETIME (100 ns ticks since 1601).
uint64_t filetime_now();

}  // namespace platform::registry::text
