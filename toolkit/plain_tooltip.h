// A plain one-line tooltip (no title, no icon), as the banner has.
#pragma once

#include <string>

namespace pixmold {

void set_plain_tooltip(int widget, const std::string& text);

}  // namespace pixmold
