// Screen-resolution presets of the free-mode size list, and the rules for
// the four size fields.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace pixmold {

struct SizePreset {
    std::string_view text;  // row text; position 0 is replaced by the language's header
    int width = 0;          // 0: header or empty row, not choosable
    int height = 0;
};

inline constexpr int PRESET_COUNT = 21;
const std::array<SizePreset, PRESET_COUNT>& size_presets();

// The size to apply for a chosen list position; nothing for headers, empty
// rows and positions outside the list (the list then goes back to position 0).
std::optional<SizePreset> preset_at(int position);

// Size fields hold digits only and at most MAX_SIZE_FIELD (the largest
// picture side), so a typed value can never wrap to a negative size.
inline constexpr int MAX_SIZE_FIELD = 32767;

// The text a size field keeps: non-digits dropped, leading zeros dropped and
// a value above the limit capped at it. Empty stays empty.
std::string mend_size_text(std::string_view typed);

// Value of a size field's text: 0 for an empty field, capped at the limit.
int size_field_value(std::string_view text);

}  // namespace pixmold
