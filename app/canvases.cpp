#include "app/canvases.h"

#include <string>
#include <vector>

#include "app/artwork.h"
#include "app/shell_state.h"
#include "app/window_layout.h"
#include "app/window_rules.h"
#include "app/window_settings.h"
#include "core/texts.h"
#include "image/draw.h"
#include "image/text.h"
#include "toolkit/canvas_drawing.h"
#include "toolkit/toolkit.h"

namespace pixmold {

namespace {

constexpr std::int32_t BLACK = 0x000000;
constexpr std::int32_t WHITE = 0xFFFFFF;
constexpr std::int32_t MARK_GREEN = 0x3CB44B;   // 0x00BBGGRR
constexpr std::int32_t CELL_TEXT = 0x4A3A2A;
constexpr std::int32_t CELL_EDGE = 0xC8B4A0;
constexpr std::int32_t CHOSEN_CELL = 0xD85B3F;  // the banner's blue
constexpr std::int32_t CHOSEN_EDGE = 0x50251B;

// Width of "JPG" in font 1, measured when the format pictures were drawn.
int g_jpg_width = 0;

// The quality slider's cells.
constexpr int CELL_WIDTH = QUALITY_WIDTH / 11 - 1;  // 23
constexpr int CELL_HEIGHT = 25;
constexpr int CELL_TOP = (QUALITY_HEIGHT - CELL_HEIGHT) / 2;

bool begin_canvas(int canvas) { return begin_drawing(canvas_drawing_target(canvas)) != 0; }

void end_canvas() { end_drawing(); }

// The selector's part of each format, in their order on the screen.
int format_choice(OutputFormat format) {
    return format == OutputFormat::Png ? 1 : format == OutputFormat::Webp ? 2 : 0;
}

}  // namespace

FontSpec drawing_font(int font) {
    const int dpi = shell.dpi > 0 ? shell.dpi : 96;
    FontSpec face_spec;
    face_spec.face = font == FONT_ARIAL_BLACK_10 ? "Arial black" : "Microsoft Sans Serif";
    double points = 9;
    switch (font) {
    case FONT_ARIAL_BLACK_10: points = 10; break;
    case FONT_SANS_7: points = 7; break;
    case FONT_SANS_8: points = 8; break;
    case FONT_SANS_10: points = 10; break;
    case FONT_SANS_12_ITALIC: points = 12; break;
    default: break;
    }
    face_spec.points = points * 96.0 / dpi;
    face_spec.bold = font == FONT_ARIAL_BLACK_10;
    face_spec.italic = font == FONT_SANS_12_ITALIC;
    return face_spec;
}

int jpg_text_width() { return g_jpg_width; }

bool draw_format_pictures() {
    bool ok = true;
    for (const ImageId number : {PIC_FORMAT_JPG, PIC_FORMAT_PNG, PIC_FORMAT_WEBP}) {
        if (create_image(number, FORMAT_WIDTH, FORMAT_HEIGHT, 24, WINDOW_COLOUR) == 0 ||
            !begin_drawing(image_target(number))) {
            ok = false;
            continue;
        }
        set_font(drawing_font(FONT_ARIAL_BLACK_10));
        set_drawing_mode(DRAW_TRANSPARENT_TEXT);
        const int t = g_jpg_width = text_width("JPG");
        const int word_y = (FORMAT_HEIGHT - text_height("JPG")) / 2;
        const int marker_y = (FORMAT_HEIGHT - 10) / 2;
        // Each choice: its picture, its marker's x, its word and the word's x.
        const struct {
            ImageId picture;
            int marker_x;
            const char* word;
            int word_x;
        } choices[] = {{PIC_FORMAT_JPG, 0, "JPG", 15},
                       {PIC_FORMAT_PNG, png_marker_x(t), "PNG", png_word_x(t)},
                       {PIC_FORMAT_WEBP, webp_marker_x(t), "WEBP", webp_word_x(t)}};
        for (const auto& c : choices) {
            fill_box(c.marker_x, marker_y, 10, 10, BLACK);
            draw_text(c.word_x, word_y, c.word, BLACK);
            if (c.picture == number) fill_box(c.marker_x + 1, marker_y + 1, 8, 8, MARK_GREEN);
        }
        end_drawing();
    }
    return ok;
}

void paint_format_selector() {
    if (!begin_canvas(W_FORMAT_SELECTOR)) return;
    fill_box(0, 0, FORMAT_WIDTH, FORMAT_HEIGHT, WINDOW_COLOUR);
    const ImageId chosen = settings.format == OutputFormat::Png    ? PIC_FORMAT_PNG
                           : settings.format == OutputFormat::Webp ? PIC_FORMAT_WEBP
                                                                   : PIC_FORMAT_JPG;
    draw_image(image_handle(chosen), 0, 0);
    end_canvas();
    set_control_value(W_FORMAT_SELECTOR, format_choice(settings.format));
}

void paint_quality_slider(int quality) {
    if (!begin_canvas(W_QUALITY_SLIDER)) return;
    set_drawing_mode(DRAW_SOLID);
    fill_box(0, 0, QUALITY_WIDTH, QUALITY_HEIGHT, WINDOW_COLOUR);
    constexpr int cell_width = CELL_WIDTH;
    constexpr int cell_height = CELL_HEIGHT;
    const int top = CELL_TOP;
    for (int digit = 0; digit <= 10; ++digit) {
        const int x = 3 + digit * (cell_width + 1);
        const bool chosen = digit == quality;
        const int font = chosen ? FONT_ARIAL_BLACK_10 : FONT_SANS_9;
        const std::string label = std::to_string(digit);
        set_drawing_mode(DRAW_SOLID);
        fill_box(x, top, cell_width, cell_height, chosen ? CHOSEN_EDGE : CELL_EDGE);
        fill_box(x + 1, top + 1, cell_width - 2, cell_height - 2, chosen ? CHOSEN_CELL : WHITE);
        set_font(drawing_font(font));
        set_drawing_mode(DRAW_TRANSPARENT_TEXT);
        const int w = text_width(label);
        const int h = text_height(label);
        draw_text(x + (cell_width - w) / 2, top + (cell_height - h) / 2, label, chosen ? WHITE : CELL_TEXT);
    }
    end_canvas();
    set_control_value(W_QUALITY_SLIDER, quality);
}

void paint_always_on_top_switch() {
    if (!begin_canvas(W_ALWAYS_ON_TOP)) return;
    set_drawing_mode(DRAW_SOLID);
    fill_box(0, 0, SWITCH_WIDTH, 20, WINDOW_COLOUR);
    draw_image(image_handle(PIC_SWITCH_BACK), 0, 0);
    set_font(drawing_font(FONT_SANS_8));
    set_drawing_mode(DRAW_TRANSPARENT_TEXT);
    const std::string& label = texts().always_on_top_caption;
    draw_text(2, 5, label, BLACK);
    const int x = text_width(label) + 5;
    draw_image(image_handle(settings.visible != 0 ? PIC_SWITCH_ON : PIC_SWITCH_OFF), x, 0);
    end_canvas();
    set_control_value(W_ALWAYS_ON_TOP, settings.visible != 0 ? 1 : 0);
}

void paint_fx_button(bool pointer_over) {
    if (!begin_canvas(W_FX_BUTTON)) return;
    draw_image(image_handle(pointer_over ? PIC_FX_BUTTON_HOT : PIC_FX_BUTTON), 0, 0);
    end_canvas();
}

void make_canvas_controls() {
    const InterfaceTexts& t = texts();
    const int middle = FORMAT_HEIGHT / 2;
    const int jpg = jpg_text_width();
    // Each format's part spans its marker and its word.
    std::vector<ControlPart> formats(3);
    formats[0] = {0, 0, png_marker_x(jpg) - 10, FORMAT_HEIGHT, format_press_x(FormatZone::Jpg, jpg), middle, "JPG"};
    formats[1] = {png_marker_x(jpg) - 3, 0, webp_marker_x(jpg) - png_marker_x(jpg) - 7, FORMAT_HEIGHT,
                  format_press_x(FormatZone::Png, jpg), middle, "PNG"};
    formats[2] = {webp_marker_x(jpg) - 3, 0, FORMAT_WIDTH - webp_marker_x(jpg) + 3, FORMAT_HEIGHT,
                  format_press_x(FormatZone::Webp, jpg), middle, "WEBP"};
    set_canvas_control(W_FORMAT_SELECTOR, ControlKind::Choice, t.format_label, std::move(formats));

    std::vector<ControlPart> cells;
    for (int digit = 0; digit <= 10; ++digit)
        cells.push_back({3 + digit * (CELL_WIDTH + 1) - 1, CELL_TOP - 1, CELL_WIDTH + 2, CELL_HEIGHT + 2,
                         quality_press_x(digit), QUALITY_HEIGHT / 2, std::to_string(digit)});
    set_canvas_control(W_QUALITY_SLIDER, ControlKind::Slider, t.name_quality, std::move(cells),
                       spoken(t.quality_legend));

    set_canvas_control(W_ALWAYS_ON_TOP, ControlKind::CheckBox, spoken(t.always_on_top_caption),
                       {{0, 0, SWITCH_WIDTH, 20, switch_press_x(SWITCH_WIDTH, image_width(PIC_SWITCH_OFF)), 10, {}}});
    set_canvas_control(W_FX_BUTTON, ControlKind::Expander, t.name_fx_button, {{0, 0, 100, 30, 50, 15, {}}},
                       t.describe_fx_button);
    set_control_value(W_FORMAT_SELECTOR, format_choice(settings.format));
    set_control_value(W_QUALITY_SLIDER, static_cast<int>(settings.quality));
    set_control_value(W_ALWAYS_ON_TOP, settings.visible != 0 ? 1 : 0);
    set_control_value(W_FX_BUTTON, shell.fx_panel_open);
}

}  // namespace pixmold
