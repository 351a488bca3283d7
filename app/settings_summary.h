// The settings summary shown in the InfoPanel: what the next drop will do.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/texts.h"

namespace pixmold {

// The settings the summary states, plus the screen size of start-up.
struct SummaryValues {
    std::string_view mode;  // "REL" relative; any other value is free mode
    std::string_view type;  // the quality line appears only for "JPG"
    std::int64_t quality = 0;
    std::int64_t landscape_width = 0;  // Taille_Paysage
    std::int64_t portrait_height = 0;  // Taille_Portrait
    std::int16_t free_width = 0;       // L
    std::int16_t free_height = 0;      // H
    int screen_width = 0;
    int screen_height = 0;
};

// The whole InfoPanel text, lines separated by "\n".
std::string compose_settings_summary(const SummaryValues& values, const InterfaceTexts& t);

}  // namespace pixmold
