// The settings summary shown in the InfoPanel: what the next drop will do.
#pragma once

#include <string>

#include "core/settings.h"
#include "core/texts.h"

namespace pixmold {

// The whole InfoPanel text, lines separated by "\n", with the screen size of
// start-up. A mode other than relative is stated as free; the format is
// named by its word (a word the program does not know, as the file holds
// it), and the quality line appears only for JPEG.
std::string compose_settings_summary(const Settings& settings, int screen_width, int screen_height,
                                     const InterfaceTexts& t);

}  // namespace pixmold
