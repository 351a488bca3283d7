// Switching the interface language: it applies at the next start, so the
// switch tells so in the chosen language, saves every setting and ends the
// program.
#pragma once

#include <functional>

#include "core/choices.h"

namespace pixmold {

// Nothing happens when `chosen` (French or English) is the language setting already.
void switch_language(Language chosen);

// What happens after a language switch saved the settings; by default the
// program ends at once, without the fade. Tests replace it.
void set_language_switch_ending(std::function<void()> ending);

}  // namespace pixmold
