#include "app/cli/parser_words.h"

#include "app/texts/fill_in.h"
#include "platform/text/split.h"

namespace app::cli {

using platform::args::Problem;

platform::args::HelpWords help_words(const Texts& texts) {
    platform::args::HelpWords words;
    // "Usage|OPTIONS|Options": a message file that lacks some keeps the parser's own.
    const std::vector<std::string> headings = platform::text::split(texts("msg960"), '|');
    if (headings.size() == 3) {
        words.usage = headings[0];
        words.options_badge = headings[1];
        words.options = headings[2];
    }
    words.describe = [texts](const std::string& key) { return texts(key); };
    return words;
}

std::string usage_error_text(const platform::args::UsageError& error, const Texts& texts) {
    switch (error.problem()) {
        case Problem::Unexpected: return fill_in(texts("msg985"), {error.argument()});
        case Problem::Missing: return fill_in(texts("msg986"), {error.argument(), error.detail()});
        case Problem::Repeated: return fill_in(texts("msg987"), {error.argument()});
        case Problem::BadValue: return fill_in(texts("msg988"), {error.argument(), error.detail()});
        case Problem::Excluded: return fill_in(texts("msg989"), {error.argument()});
        case Problem::Other: break;
    }
    return error.argument();
}

}  // namespace app::cli
