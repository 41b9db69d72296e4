// The hive text reader on its own: lines, value lines and key lines read a block of bytes at a
// time must give exactly what reading byte by byte gives, wherever a line, an escape or a break in
// the hex rhythm falls against the blocks, and however the text arrives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/registry/hive_sections.h"
#include "platform/registry/reg_text.h"

using namespace platform::registry;
using text::FormatError;
using text::LineCursor;

namespace {

struct Line {
    std::string text;
    size_t next = 0;  // offset of the line after it
    bool operator==(const Line&) const = default;
};

// The lines of a text as the format defines them, found one byte at a time.
std::vector<Line> expected_lines(std::string_view text) {
    std::vector<Line> lines;
    for (size_t begin = 0; begin < text.size();) {
        const size_t newline = text.find('\n', begin);
        size_t end = newline == std::string_view::npos ? text.size() : newline;
        const size_t next = newline == std::string_view::npos ? text.size() : newline + 1;
        if (end > begin && text[end - 1] == '\r') --end;
        lines.push_back({std::string(text.substr(begin, end - begin)), next});
        begin = next;
    }
    return lines;
}

std::vector<Line> cursor_lines(LineCursor cursor) {
    std::vector<Line> lines;
    while (!cursor.at_end()) {
        Line line{std::string(cursor.next_line()), cursor.offset()};
        EXPECT_EQ(cursor.line_number(), lines.size() + 1);
        lines.push_back(std::move(line));
    }
    return lines;
}

// Lines whose ends fall on every offset of a 64-byte block, with "\n" and "\r\n" ends, empty
// lines, and runs of a hundred bytes without a line end.
std::string lines_across_blocks() {
    std::string text;
    for (size_t length = 0; length < 150; ++length) {
        text.append(length, static_cast<char>('a' + length % 26));
        text += length % 3 == 0 ? "\r\n" : "\n";
    }
    return text;
}

// A file read alongside: each call lets `piece` more bytes arrive.
class Trickle : public text::ArrivingText {
public:
    Trickle(std::string_view text, size_t piece) : text_(text), piece_(piece) {}
    std::string_view arrived_beyond(size_t size) override {
        return text_.substr(0, std::min(text_.size(), size + piece_));
    }
    std::string_view first() const { return text_.substr(0, std::min(text_.size(), piece_)); }

private:
    std::string_view text_;
    size_t piece_;
};

// One value line followed by a line of hex that a continuation would take in.
text::ValueLine parse_first_value(const std::string& text) {
    LineCursor cursor(text);
    const std::string_view line = cursor.next_line();
    return text::parse_value(cursor, 0, line);
}

std::string refusal(const std::string& text) {
    try {
        parse_first_value(text);
    } catch (const FormatError& error) {
        return error.what();
    }
    return "";
}

// A hex data line as the reading accepts it: blank-separated one- or two-digit numbers with
// optional commas, perhaps ending in a continuation backslash.
bool hex_line_is_valid(const std::string& data) {
    static const std::regex grammar(
        R"(^[ \t\v\f]*(?:[0-9a-fA-F]{1,2}(?![0-9a-fA-F])[ \t\v\f]*(?:,[ \t\v\f]*)?)*(?:\\[ \t\v\f]*)?$)");
    return std::regex_match(data, grammar);
}

std::string hex_run(size_t bytes) {
    static constexpr char digits[] = "0123456789abcdefABCDEF";
    std::string run;
    for (size_t i = 0; i < bytes; ++i) {
        run += digits[(i * 7) % 22];
        run += digits[(i * 5 + 3) % 22];
        run += ',';
    }
    return run;
}

}  // namespace

TEST(RegText, LinesEndingAtEveryOffsetOfABlockAreFoundWithTheirOffsetsAndNumbers) {
    const std::string text = lines_across_blocks();
    EXPECT_EQ(cursor_lines(LineCursor(text)), expected_lines(text));
    // Started inside the text, and on buffers that stop short of it: nothing past a buffer's end
    // is read, even where the longer text goes on with a line end.
    for (size_t start : {size_t{1}, size_t{63}, size_t{64}, size_t{65}, size_t{1000}})
        EXPECT_EQ(cursor_lines(LineCursor(std::string_view(text).substr(start))),
                  expected_lines(std::string_view(text).substr(start)))
            << "from " << start;
    for (size_t size = 0; size < 400; ++size) {
        const std::string cut = text.substr(0, size) + "\n\n";
        const std::string_view shorter(cut.data(), size);
        ASSERT_EQ(cursor_lines(LineCursor(shorter)), expected_lines(shorter)) << "buffer of " << size;
    }
}

TEST(RegText, ACarriageReturnBeforeALineEndIsDroppedWhereverTheTwoFallAndNowhereElse) {
    for (size_t before = 0; before < 140; ++before) {
        // "\r\n" across every block boundary; a lone "\r" stays in its line, a final one goes.
        const std::string text = std::string(before, 'x') + "\r\n" + "a\rb\n\rc\r";
        const std::vector<Line> lines = cursor_lines(LineCursor(text));
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[0], (Line{std::string(before, 'x'), before + 2}));
        EXPECT_EQ(lines[1].text, "a\rb");
        EXPECT_EQ(lines[2].text, "\rc");
        EXPECT_EQ(lines[2].next, text.size());
    }
}

TEST(RegText, TextArrivingPieceByPieceGivesTheSameLinesAsTextReadWhole) {
    const std::string text = lines_across_blocks() + "last line without an end";
    const std::vector<Line> whole = expected_lines(text);
    for (const size_t piece : std::vector<size_t>{1, 2, 17, 63, 64, 65, 127, 500}) {
        Trickle arriving(text, piece);
        EXPECT_EQ(cursor_lines(LineCursor(arriving.first(), 0, &arriving)), whole) << "pieces of " << piece;
    }
    // "\r" as the last byte to have arrived, its "\n" still to come.
    const std::string crlf = std::string(70, 'y') + "\r\nz";
    Trickle arriving(crlf, 71);
    EXPECT_EQ(cursor_lines(LineCursor(arriving.first(), 0, &arriving)), expected_lines(crlf));
}

TEST(RegText, HexRunsBrokenAtEveryPositionAreJudgedAsByteByByteReading) {
    // Bytes that keep the rhythm, break it, or end it; judged against the grammar of a hex line.
    const std::string replacements = std::string("0fA,g \t\\\"x") + '\x80' + '\xff' + '\0' + '/' + ':' + '@' + 'G' + '`';
    size_t refused = 0, accepted = 0;
    for (const char* indent : {"", " ", "  "}) {
        const std::string good = indent + hex_run(14) + "0f";
        for (size_t at = 0; at < good.size(); ++at) {
            for (char replacement : replacements) {
                std::string data = good;
                data[at] = replacement;
                const std::string text = "\"v\"=hex:" + data + "\n" + "  01\n";
                const bool valid = hex_line_is_valid(data);
                valid ? ++accepted : ++refused;
                ASSERT_EQ(refusal(text), valid ? "" : "malformed hex data")
                    << "'" << data << "' with byte " << int(static_cast<unsigned char>(replacement)) << " at " << at;
                if (valid) {  // a continuation takes the next line in, anything else ends here
                    const bool continued = data.find_first_not_of(" \t\v\f", data.rfind('\\') + 1) == std::string::npos &&
                                           data.find('\\') != std::string::npos;
                    EXPECT_EQ(parse_first_value(text).end, continued ? text.size() : text.find('\n') + 1) << data;
                }
            }
        }
    }
    EXPECT_GT(accepted, 100u);  // the grammar is no blanket answer either way
    EXPECT_GT(refused, 1000u);
}

// Blanks after a comma are read past wherever the comma falls, the end of Wine's own "xx," runs
// included: a hand-spaced line was once refused there while the same bytes spaced elsewhere were not.
TEST(RegText, BlanksAfterAnyCommaOfHexDataAreReadPast) {
    for (const std::string data : {"01, 02,\t03", "01,02,03,04,05,06, 07", "1, 02, 3", "01 ,02 , 03"}) {
        const std::string text = "\"v\"=hex:" + data + "\n";
        ASSERT_EQ(refusal(text), "") << data;
        const std::vector<uint8_t> bytes = text::decode_data(text, parse_first_value(text));
        EXPECT_EQ(bytes.front(), 1) << data;
        EXPECT_EQ(bytes.back(), data.size() > 16 ? 7 : data.back() - '0') << data;
        EXPECT_EQ(bytes.size(), data.size() > 16 ? 7u : 3u) << data;
    }
}

TEST(RegText, EveryByteIsJudgedTheSameAsAHexDigitOrNotInsideAFastRun) {
    for (int byte = 1; byte < 256; ++byte) {
        if (byte == '\n' || byte == '\r') continue;
        for (size_t at : {size_t{0}, size_t{1}, size_t{2}, size_t{13}, size_t{14}, size_t{15}, size_t{16}}) {
            std::string data = hex_run(20);
            data[at] = static_cast<char>(byte);
            const bool valid = hex_line_is_valid(data);
            ASSERT_EQ(refusal("\"v\"=hex:" + data + "\n"), valid ? "" : "malformed hex data")
                << "byte " << byte << " at " << at;
        }
    }
}

TEST(RegText, ValueNamesWithEscapesOrNonAsciiAtEveryPositionKeepTheirRawText) {
    for (const std::string insert : {"\\\"", "\\\\", "\\x4e00", "\xc3\xa9", "\xe4\xb8\x80"}) {
        for (size_t at = 0; at <= 40; ++at) {
            std::string plain;
            for (size_t i = 0; i < 40; ++i) plain += static_cast<char>('a' + i % 26);
            const std::string name = plain.substr(0, at) + insert + plain.substr(at);
            const std::string line = "\"" + name + "\"=dword:00000001\n";
            const text::ValueLine value = parse_first_value(line);
            EXPECT_EQ(value.raw_name, name);
            EXPECT_FALSE(value.plain_name) << name;
        }
    }
    for (size_t length = 0; length <= 40; ++length) {
        const std::string name(length, 'p');
        const std::string line = "\"" + name + "\"=\"data\"\n";
        const text::ValueLine value = parse_first_value(line);
        EXPECT_EQ(value.raw_name, name);
        EXPECT_TRUE(value.plain_name);
        // A quote the name does not escape ends it early; a name that never ends is refused.
        EXPECT_EQ(refusal("\"" + name + "\"x\"=\"data\"\n"), "missing '=' after the value name");
        EXPECT_EQ(refusal("\"" + name + "\\\"\n"), "unterminated value name");
    }
}

TEST(RegText, AStringEndsAtItsFirstUnescapedQuoteWhereverItFalls) {
    for (size_t length = 0; length <= 40; ++length) {
        const std::string run(length, 's');
        for (const auto& [body, content] : std::vector<std::pair<std::string, std::u16string>>{
                 {run, std::u16string(length, u's')},
                 {run + "\\\"" + run, std::u16string(length, u's') + u"\"" + std::u16string(length, u's')},
                 {run + "\\\\", std::u16string(length, u's') + u"\\"},
             }) {
            const std::string text = "@=\"" + body + "\"\n";
            const text::ValueLine value = parse_first_value(text);
            const std::vector<uint8_t> data = text::decode_data(text, value);
            std::u16string decoded;
            for (size_t i = 0; i + 1 < data.size(); i += 2) decoded += static_cast<char16_t>(data[i] | data[i + 1] << 8);
            EXPECT_EQ(decoded, content + u'\0') << body;
        }
        EXPECT_EQ(refusal("@=\"" + run + "\\\"\n"), "unterminated string");
        EXPECT_EQ(refusal("@=\"" + run + "\\\\\\\"\n"), "unterminated string");
        EXPECT_EQ(text::key_line_path("[" + run + "\\]" + run + "] 1"), run + "\\]" + run);
    }
}

TEST(RegText, ASectionScanOfTextArrivingPieceByPieceMatchesOneOfTheWholeTextUpToTheBrokenLine) {
    std::string text;
    for (int key = 0; key < 60; ++key) {
        text += "[Software\\\\Key" + std::to_string(key) + "] 1\r\n";
        text += "\"Bin\"=hex:" + hex_run(key % 30) + "\\\n  " + hex_run(key % 7) + "00\n";
        text += "\"Name " + std::to_string(key) + "\"=\"" + std::string(key, 'v') + "\"\n\n";
    }
    const size_t lines_before = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    const std::string broken = text + "[Software\\\\Last] 1\n\"Bin\"=hex:" + hex_run(9) + "0g\n";
    for (const std::string* whole : std::vector<const std::string*>{&text, &broken}) {
        SectionScan all_at_once{LineCursor(*whole)};
        all_at_once.run(SectionScan::npos);
        for (const size_t piece : std::vector<size_t>{1, 33, 64, 100}) {
            Trickle arriving(*whole, piece);
            SectionScan trickled{LineCursor(arriving.first(), 0, &arriving)};
            trickled.run(SectionScan::npos);
            ASSERT_EQ(trickled.sections().size(), all_at_once.sections().size());
            for (size_t i = 0; i < trickled.sections().size(); ++i) {
                const Section& a = trickled.sections()[i];
                const Section& b = all_at_once.sections()[i];
                EXPECT_EQ(std::tie(a.lead_begin, a.head_begin, a.head_end, a.path_begin, a.path_size, a.line),
                          std::tie(b.lead_begin, b.head_begin, b.head_end, b.path_begin, b.path_size, b.line));
            }
            EXPECT_EQ(trickled.broken().has_value(), whole == &broken);
        }
        EXPECT_EQ(all_at_once.sections().size(), whole == &broken ? 61u : 60u);
        EXPECT_EQ(all_at_once.sections()[59].line, lines_before - 4);
        if (whole == &broken) {
            EXPECT_EQ(all_at_once.broken()->line, lines_before + 2);
            EXPECT_EQ(all_at_once.broken()->message, "malformed hex data");
        }
    }
}

// A changed key's header says when it changed twice: seconds since 1970 on the key line, and the
// whole FILETIME in hex below it, each without leading zeros, whatever their number of digits.
TEST(RegText, AKeyHeaderCarriesTheSecondsAndTheFiletimeOfItsChange) {
    constexpr uint64_t ticks_per_second = 10'000'000;
    constexpr uint64_t unix_epoch = 116'444'736'000'000'000;  // 1970-01-01 as a FILETIME
    for (const uint64_t seconds : {uint64_t{0}, uint64_t{7}, uint64_t{10}, uint64_t{99}, uint64_t{100}, uint64_t{101},
                                   uint64_t{1'700'000'000}, uint64_t{4'102'444'800}, uint64_t{99'999'999'999}}) {
        for (const uint64_t ticks : {uint64_t{0}, uint64_t{1}, uint64_t{9'999'999}}) {
            const uint64_t filetime = unix_epoch + seconds * ticks_per_second + ticks;
            char hex[17];
            std::snprintf(hex, sizeof hex, "%llx", static_cast<unsigned long long>(filetime));
            std::string header;
            text::append_key_header(header, "A\\\\B", filetime);
            EXPECT_EQ(header, "[A\\\\B] " + std::to_string(seconds) + "\n#time=" + hex + "\n");
        }
    }
}
