// FindFirstFile's mask rules. Win32 rewrites a mask into the DOS forms before matching:
//   '?'            -> DOS_QM:   one character, or nothing at a '.' or at the end of the name
//   '.' before '?', '*' or at the end -> DOS_DOT: a '.', or nothing at the end of the name
//   '*' before '.' -> DOS_STAR: any run of characters that does not pass the name's last '.'
// which is why "*.*" also matches "README" and "*." matches only names without an extension.
#include <vector>

#include "platform/fs/fs.h"
#include "platform/text/name_fold.h"

namespace platform::fs {

namespace {

enum class Token { Literal, Star, DosStar, DosQm, DosDot };

struct Element {
    Token token;
    char32_t literal = 0;
};

std::vector<Element> dos_form(const std::u32string& mask) {
    std::vector<Element> elements;
    for (size_t i = 0; i < mask.size(); ++i) {
        char32_t c = mask[i];
        char32_t next = i + 1 < mask.size() ? mask[i + 1] : 0;
        if (c == U'?')
            elements.push_back({Token::DosQm});
        else if (c == U'*')
            elements.push_back({next == U'.' ? Token::DosStar : Token::Star});
        else if (c == U'.' && (next == U'?' || next == U'*' || next == 0))
            elements.push_back({Token::DosDot});
        else
            elements.push_back({Token::Literal, c});
    }
    return elements;
}

class Matcher {
public:
    Matcher(std::vector<Element> mask, std::u32string name)
        : mask_(std::move(mask)), name_(std::move(name)), last_dot_(name_.rfind(U'.')),
          memo_((mask_.size() + 1) * (name_.size() + 1), Unknown) {}

    bool matches() { return match(0, 0); }

private:
    enum : char { Unknown, No, Yes };

    // Dynamic programming over (mask position, name position): stars cannot blow up.
    bool match(size_t m, size_t n) {
        char& known = memo_[m * (name_.size() + 1) + n];
        if (known == Unknown) known = compute(m, n) ? Yes : No;
        return known == Yes;
    }

    bool compute(size_t m, size_t n) {
        if (m == mask_.size()) return n == name_.size();
        bool at_end = n == name_.size();
        const Element& e = mask_[m];
        switch (e.token) {
            case Token::Star:
                return match(m + 1, n) || (!at_end && match(m, n + 1));
            case Token::DosStar:
                return match(m + 1, n) || (!at_end && n != last_dot_ && match(m, n + 1));
            case Token::DosQm:
                if (!at_end && name_[n] != U'.') return match(m + 1, n + 1);
                return match(after_question_marks(m), n);
            case Token::DosDot:
                if (at_end) return match(m + 1, n);
                return name_[n] == U'.' && match(m + 1, n + 1);
            case Token::Literal:
                return !at_end && name_[n] == e.literal && match(m + 1, n + 1);
        }
        return false;
    }

    size_t after_question_marks(size_t m) const {
        while (m < mask_.size() && mask_[m].token == Token::DosQm) ++m;
        return m;
    }

    std::vector<Element> mask_;
    std::u32string name_;
    size_t last_dot_;
    std::vector<char> memo_;
};

}  // namespace

bool wildcard_match(std::string_view pattern, std::string_view name) {
    if (pattern == "*" || pattern == "*.*") return true;
    return Matcher(dos_form(text::fold_case(pattern)), text::fold_case(name)).matches();
}

bool same_file_name(std::string_view a, std::string_view b) { return text::same_name(a, b); }

}  // namespace platform::fs
