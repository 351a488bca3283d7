// The interface language the user's locale asks for, for a first start
// that has no settings file to tell it.
#pragma once

#include "core/choices.h"

namespace pixmold {

// The locale of messages is the first non-empty one of LC_ALL, LC_MESSAGES
// and LANG (as the C library decides it); French when its name starts with
// "fr" ("fr_FR.UTF-8", "fr_CA", "fr", the alias "french"), English for
// every other locale and when none is set.
Language language_of_locale(const char* lc_all, const char* lc_messages, const char* lang);

// The same for this process's environment.
Language locale_language();

}  // namespace pixmold
