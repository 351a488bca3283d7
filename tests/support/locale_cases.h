// Locale environments and the interface language each asks for, shared by
// the tests of the window's first start and of pixmold-batch.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "core/choices.h"

namespace pixmold::test {

struct LocaleCase {
    const char* name;
    // LC_ALL, LC_MESSAGES, LANG; null: unset.
    const char* lc_all;
    const char* lc_messages;
    const char* lang;
    Language language;
};

inline const LocaleCase LOCALE_CASES[] = {
    {"FrenchLang", nullptr, nullptr, "fr_FR.UTF-8", Language::French},
    {"CanadianFrenchMessages", nullptr, "fr_CA.UTF-8", "en_GB.UTF-8", Language::French},
    {"EmptyLcAllIsSkipped", "", nullptr, "fr_BE@euro", Language::French},
    {"EnglishLang", nullptr, nullptr, "en_US.UTF-8", Language::English},
    {"LcAllRulesOverFrench", "C.UTF-8", "fr_FR.UTF-8", "fr_FR.UTF-8", Language::English},
    {"GermanLang", nullptr, nullptr, "de_DE.UTF-8", Language::English},
    {"NothingSet", nullptr, nullptr, nullptr, Language::English},
};

inline void PrintTo(const LocaleCase& c, std::ostream* os) { *os << c.name; }

// `env` words that run a command in exactly this locale.
inline std::vector<std::string> locale_env(const LocaleCase& c) {
    std::vector<std::string> words{"env", "-u", "LC_ALL", "-u", "LC_MESSAGES", "-u", "LANG"};
    const std::pair<const char*, const char*> vars[] = {{"LC_ALL", c.lc_all}, {"LC_MESSAGES", c.lc_messages},
                                                         {"LANG", c.lang}};
    for (const auto& [name, value] : vars)
        if (value) words.push_back(std::string(name) + "=" + value);
    return words;
}

}  // namespace pixmold::test
