// The small rules of the main window's canvases and size fields, kept apart
// from the widgets so they can be checked on their own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/settings.h"

namespace pixmold {

// Quality slider: the cell under a click at canvas x (integer division by
// 25, so x 0..269 gives 0..10).
int quality_for_x(int x);
// Where a key's press of quality q lands: the middle of q's stretch.
inline int quality_press_x(int quality) { return quality * 25 + 12; }

// Format selector hot zones: x strictly between 0 and 10 (JPG), strictly
// between t + 55 and t + 65 (PNG) or strictly between 2t + 90 and 2t + 100
// (WEBP), t the width of "JPG" in font 1: the columns of each marker.
enum class FormatZone { None, Jpg, Png, Webp };
FormatZone format_zone(int x, int jpg_text_width);
// X of the PNG marker and word in the format pictures.
inline int png_marker_x(int jpg_text_width) { return jpg_text_width + 55; }
inline int png_word_x(int jpg_text_width) { return jpg_text_width + 70; }
// WEBP comes after the PNG word, taken as wide as "JPG", closer than PNG is
// to JPG so that the row fits the column without moving JPG and PNG.
inline int webp_marker_x(int jpg_text_width) { return 2 * jpg_text_width + 90; }
inline int webp_word_x(int jpg_text_width) { return 2 * jpg_text_width + 105; }
// The format a zone chooses; Other for None.
OutputFormat format_for_zone(FormatZone zone);
// The middle of a hot zone, where a key's press of that format lands.
inline int format_press_x(FormatZone zone, int jpg_text_width) {
    switch (zone) {
        case FormatZone::Png: return png_marker_x(jpg_text_width) + 5;
        case FormatZone::Webp: return webp_marker_x(jpg_text_width) + 5;
        default: return 5;
    }
}

// Always-on-top switch: the hot zone is x strictly between
// W - (width of the "off" picture) + 20 and W - 15.
bool switch_zone(int x, int canvas_width, int off_picture_width);
// The middle of that zone, where a key's press lands.
inline int switch_press_x(int canvas_width, int off_picture_width) {
    return canvas_width - (off_picture_width - 20 + 15) / 2;
}
// 1 -> 0, anything else -> value + 1 (so 0 -> 1).
std::int64_t next_visible(std::int64_t visible);

// The adjust-to-desktop command as a change of values. The free size always
// takes the desktop size; relative mode also sets the relative sizes, any
// other mode the adjusted free size.
void adjust_to_desktop(Settings& s, int desktop_width, int desktop_height);

// The prefix dialog's decision for an answer ("" counts as "0"). Refused:
// prefix_fault finds the answer unusable; the old prefix stays. "0" asks
// first, unless outputs go to an output folder, where they replace nothing.
enum class PrefixOutcome { NewPrefix, AskOverwrite, Unchanged, Refused };
PrefixOutcome prefix_outcome(const std::string& old_prefix, const std::string& answer,
                             bool outputs_in_a_folder = false);

}  // namespace pixmold
