#include "app/window_rules.h"

#include "batch/rules.h"

namespace pixmold {

int quality_for_x(int x) {
    if (x < 0) return 0;
    int q = x / 25;
    return q > 10 ? 10 : q;
}

FormatZone format_zone(int x, int t) {
    if (x > 0 && x < 10) return FormatZone::Jpg;
    if (x > t + 55 && x < t + 65) return FormatZone::Png;
    if (x > 2 * t + 90 && x < 2 * t + 100) return FormatZone::Webp;
    return FormatZone::None;
}

OutputFormat format_for_zone(FormatZone zone) {
    switch (zone) {
    case FormatZone::Jpg: return OutputFormat::Jpeg;
    case FormatZone::Png: return OutputFormat::Png;
    case FormatZone::Webp: return OutputFormat::Webp;
    case FormatZone::None: break;
    }
    return OutputFormat::Other;
}

bool switch_zone(int x, int canvas_width, int off_picture_width) {
    return x > canvas_width - off_picture_width + 20 && x < canvas_width - 15;
}

std::int64_t next_visible(std::int64_t visible) { return visible == 1 ? 0 : visible + 1; }

void adjust_to_desktop(Settings& s, int w, int h) {
    s.free_width = static_cast<std::int16_t>(w);
    s.free_height = static_cast<std::int16_t>(h);
    if (s.mode == Mode::Relative) {
        s.landscape_width = w;
        s.portrait_height = h;
    } else {
        s.adjusted_free_width = w;
        s.adjusted_free_height = h;
    }
}

PrefixOutcome prefix_outcome(const std::string& old_prefix, const std::string& answer, bool outputs_in_a_folder) {
    const std::string fresh = answer.empty() ? "0" : answer;
    if (prefix_fault(fresh) != PrefixFault::None) return PrefixOutcome::Refused;
    if (fresh == old_prefix) return PrefixOutcome::Unchanged;
    return fresh == "0" && !outputs_in_a_folder ? PrefixOutcome::AskOverwrite : PrefixOutcome::NewPrefix;
}

}  // namespace pixmold
