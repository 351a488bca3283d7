// Centred paragraphs in a read-only multi-line text widget (help texts).
#pragma once

#include <string>

namespace pixmold {

// Replaces the widget's text and centres every paragraph of it. The next
// set_text on the widget brings back the usual left alignment.
void set_centred_text(int widget, const std::string& text);
// True when every paragraph of the widget's text is centred (for checks).
bool text_is_centred(int widget);

}  // namespace pixmold
