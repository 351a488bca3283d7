#include "app/presets.h"

namespace pixmold {

const std::array<SizePreset, PRESET_COUNT>& size_presets() {
    static const std::array<SizePreset, PRESET_COUNT> table = {{
        {" > Resolutions", 0, 0},
        {"---- 16:10 ----", 0, 0},
        {" 2560 x 1600", 2560, 1600},
        {" 1920 x 1200", 1920, 1200},
        {" 1680 x 1050", 1680, 1050},
        {" 1440 x 900", 1440, 900},
        {" 1280 x 800", 1280, 800},
        {" 1024 x 640", 1024, 640},
        {"", 0, 0},
        {"---- HDTV-BR", 0, 0},
        {"  720p ", 1280, 720},
        {" 1080p ", 1920, 1080},
        {"", 0, 0},
        {"---- 4:3 ----", 0, 0},
        {"  2048 \u00d7 1536", 2048, 1536},
        {"  1600 x 1200", 1600, 1200},
        {"  1280 x 1024", 1280, 1024},
        {"  1024 x 768", 1024, 768},
        {"  800 x 600", 800, 600},
        {"  640 x 480", 640, 480},
        {"  320 x 240", 320, 240},
    }};
    return table;
}

std::optional<SizePreset> preset_at(int position) {
    if (position < 0 || position >= PRESET_COUNT) return std::nullopt;
    const SizePreset& row = size_presets()[static_cast<std::size_t>(position)];
    if (row.width == 0) return std::nullopt;
    return row;
}

std::string mend_size_text(std::string_view typed) {
    std::string digits;
    for (char c : typed) {
        if (c < '0' || c > '9') continue;
        if (digits.empty() && c == '0') continue;
        digits += c;
    }
    if (digits.empty()) {
        // A field of zeros still means 0; only a field without digits is empty.
        for (char c : typed)
            if (c == '0') return "0";
        return {};
    }
    if (digits.size() > 5 || std::stoi(digits) > MAX_SIZE_FIELD) return std::to_string(MAX_SIZE_FIELD);
    return digits;
}

int size_field_value(std::string_view text) {
    std::string mended = mend_size_text(text);
    return mended.empty() ? 0 : std::stoi(mended);
}

}  // namespace pixmold
