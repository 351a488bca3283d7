#include "core/locale_language.h"

#include <cstdlib>
#include <string_view>

namespace pixmold {

Language language_of_locale(const char* lc_all, const char* lc_messages, const char* lang) {
    std::string_view locale;
    for (const char* value : {lc_all, lc_messages, lang})
        if (value && *value) {
            locale = value;
            break;
        }
    return locale.starts_with("fr") ? Language::French : Language::English;
}

Language locale_language() {
    return language_of_locale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

}  // namespace pixmold
