#pragma once
// The current language and the texts behind the message keys ("msg4", ...), read from the
// language file of the installed skin.
#include <string>
#include <string_view>

namespace app {

class Language {
public:
    explicit Language(std::string program_folder);

    // "msgsg.ini" when the name is Deutsch (or its old misspelling Duetsch), any letter case;
    // "msgs.ini" for every other name.
    static std::string message_file_for(std::string_view language_name);

    // Remembers the language; later lookups read its file.
    void select(std::string name);
    const std::string& name() const { return name_; }
    const std::string& file_name() const { return file_name_; }
    // Windows path of the current language file.
    std::string file_path() const;

    // The text of a message key; "" when the key is missing. When the whole file is missing the
    // key itself is returned, so that questions stay readable and answerable.
    std::string text(std::string_view key) const;
    // False when the current language file cannot be read.
    bool file_available() const;

private:
    std::string lookup(std::string_view key) const;

    std::string program_folder_;
    std::string name_;
    std::string file_name_ = "msgs.ini";
};

}  // namespace app
