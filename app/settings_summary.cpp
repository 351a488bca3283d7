#include "app/settings_summary.h"

namespace pixmold {

std::string compose_settings_summary(const Settings& v, int screen_width, int screen_height,
                                     const InterfaceTexts& t) {
    const bool relative = v.mode == Mode::Relative;
    std::string s;
    s += '\n';
    s += t.summary_screen;
    s += t.width_letter;
    s += ' ';
    s += std::to_string(screen_width);
    s += "    ";
    s += t.height_letter;
    s += ' ';
    s += std::to_string(screen_height);
    s += " <\n";

    s += t.summary_mode;
    s += relative ? t.summary_relative_name : t.summary_free_name;
    s += '\n';

    if (relative) {
        s += t.summary_relative_sizes;
        s += '\n';
        s += t.summary_relative_size;
        s += std::to_string(v.landscape_width);
        s += " px  x  ";
        s += std::to_string(v.portrait_height);
        s += " px.\n";
    } else {
        s += t.summary_free_size;
        s += std::to_string(v.free_width);
        s += " px   x ";
        s += std::to_string(v.free_height);
        s += " px \n";
    }

    s += t.summary_format;
    s += format_word(v);
    s += '\n';

    if (format_has_quality(v.format)) {
        s += t.summary_quality;
        s += std::to_string(v.quality);
        s += " / 10\n";
    }

    s += '\n';
    s += relative ? t.summary_relative_explained : t.summary_free_explained;
    return s;
}

}  // namespace pixmold
