#pragma once
// The language the user's session asks programs to speak (LC_ALL, else LC_MESSAGES, else LANG).
namespace platform::sys {

// True when that locale is German ("de", "de_DE.UTF-8", "de_AT@euro", ...).
bool user_locale_is_german();

}  // namespace platform::sys
