// The panel's widgets: building them, the info panel, the icon buttons.
#include <utility>
#include <vector>

#include "core/texts.h"
#include "fx/editor.h"
#include "fx/fx.h"
#include "fx/messages.h"
#include "fx/panel.h"
#include "fx/state.h"
#include "fx/webcam.h"
#include "image/draw.h"
#include "image/text.h"
#include "runtime/canvas_drawing.h"

namespace pixmold {

namespace {

FxHost g_host;
std::string g_info_text;

constexpr Colour BLACK = make_rgb(0, 0, 0);
constexpr Colour WHITE = make_rgb(255, 255, 255);
constexpr Colour RED = make_rgb(255, 0, 0);
constexpr Colour GREEN = make_rgb(0, 255, 0);

constexpr int EFFECT_BUTTONS[4] = {W_BW_BUTTON, W_BW_OPTIMISED_BUTTON, W_SEPIA_BUTTON, W_BORDER_BUTTON};

void fill_canvas(int canvas, int width, int height) {
    if (!begin_fx_canvas(canvas)) return;
    set_drawing_mode(DRAW_SOLID);
    fill_box(0, 0, width, height, PANEL_COLOUR);
    end_drawing();
}

void fill_command_table() {
    const InterfaceTexts& t = texts();
    // Load spans the bar; the second row is split in thirds, one pixel apart.
    constexpr int third = BAR_WIDTH / 3 - 1;  // 153
    const std::pair<int, int> spans[4] = {{0, BAR_WIDTH}, {0, third}, {third + 1, BAR_WIDTH - 2 * (third + 1)},
                                          {BAR_WIDTH - third, third}};
    const std::string captions[4] = {t.fx_load, t.fx_apply, t.fx_cancel, t.fx_save};
    for (int i = 0; i < 4; ++i) {
        CommandButton& b = command_buttons[std::size_t(i)];
        b = CommandButton{};
        b.x = std::int16_t(spans[i].first);
        b.y = std::int8_t(i == FX_LOAD ? 0 : ICON_SIZE + 1);
        b.width = std::int16_t(spans[i].second);
        b.height = std::int8_t(ICON_SIZE);
        b.caption = captions[i];
    }
}

// The keyboard's and screen readers' view of the panel's canvases.
void make_panel_controls() {
    const InterfaceTexts& t = texts();
    const ControlPart icon{0, 0, ICON_SIZE, ICON_SIZE, ICON_SIZE / 2, ICON_SIZE / 2, {}};
    set_canvas_control(W_CROP_BUTTON, ControlKind::ToggleButton, t.name_fx_crop, {icon});
    const std::string effect_names[4] = {t.fx_black_white, t.fx_black_white_optimised, t.fx_sepia, t.fx_border};
    for (int i = 0; i < 4; ++i) set_canvas_control(EFFECT_BUTTONS[i], ControlKind::Button, effect_names[i], {icon});
    set_canvas_control(W_WEBCAM_BUTTON, ControlKind::ToggleButton, t.name_fx_webcam, {icon});
    set_canvas_control(W_PREVIEW_CANVAS, ControlKind::Picture, t.name_fx_preview,
                       {{0, 0, PREVIEW_WIDTH, PREVIEW_HEIGHT, 0, 0, {}}});
    std::vector<ControlPart> commands;
    for (const CommandButton& b : command_buttons)
        commands.push_back({b.x, b.y, b.width, b.height, b.x + b.width / 2, b.y + b.height / 2, b.caption});
    set_canvas_control(W_COMMAND_BAR, ControlKind::Button, t.name_fx_commands, std::move(commands));
}

}  // namespace

std::vector<int> fx_tab_order() {
    return {W_CROP_BUTTON,   W_BW_BUTTON,     W_BW_OPTIMISED_BUTTON, W_SEPIA_BUTTON,
            W_BORDER_BUTTON, W_WEBCAM_BUTTON, W_PREVIEW_CANVAS,      W_COMMAND_BAR};
}

void fx_set_host(FxHost host) { g_host = std::move(host); }
const FxHost& fx_host() { return g_host; }

bool begin_fx_canvas(int canvas) { return begin_drawing(canvas_drawing_target(canvas)) != 0; }

void fx_status(const std::string& text) {
    if (g_host.show_status) g_host.show_status(text);
}

void fx_click(int milliseconds) {
    if (g_host.click) g_host.click(milliseconds);
}

ImageId fx_effect_icon(int index, bool highlighted) {
    return highlighted ? g_host.icons.effect_hot[index] : g_host.icons.effect[index];
}

void fx_paint_crop_button(bool active) {
    fx_paint_icon(W_CROP_BUTTON, active ? g_host.icons.crop_active : g_host.icons.crop);
}

bool fx_build_panel(int container) {
    if (!widget_exists(container)) return false;
    webcam_stop();
    fx = FxState{};
    fx_release_pictures();
    free_image(FxUndo);
    free_image(FxIncoming);
    fill_command_table();

    const Parent panel = in_container(container);
    create_canvas(panel, W_CROP_BUTTON, 0, 1, ICON_SIZE, ICON_SIZE);
    for (int i = 0; i < 4; ++i) create_canvas(panel, EFFECT_BUTTONS[i], 40 * (i + 1), 1, ICON_SIZE, ICON_SIZE);
    create_canvas(panel, W_WEBCAM_BUTTON, 240, 1, ICON_SIZE, ICON_SIZE);
    create_canvas(panel, W_FX_INFO_PANEL, 281, 1, FX_INFO_WIDTH, FX_INFO_HEIGHT);
    create_canvas(panel, W_PREVIEW_CANVAS, 1, 60, PREVIEW_WIDTH, PREVIEW_HEIGHT);
    create_canvas(panel, W_COMMAND_BAR, 1, 496, BAR_WIDTH, BAR_HEIGHT);
    if (!widget_exists(W_COMMAND_BAR)) return false;
    set_canvas_focus_frame(W_PREVIEW_CANVAS, true);
    set_canvas_focus_frame(W_COMMAND_BAR, true);
    make_panel_controls();
    set_widget_data(W_PREVIEW_CANVAS, 0);
    enable_widget_drops(W_PREVIEW_CANVAS, true);

    fx_show_info(fx_messages::LOAD_PICTURE);
    fx_paint_crop_button(false);
    for (int i = 0; i < 4; ++i) fx_paint_icon(EFFECT_BUTTONS[i], fx_effect_icon(i, false));
    fx_paint_icon(W_WEBCAM_BUTTON, g_host.icons.webcam_off);
    fill_canvas(W_COMMAND_BAR, BAR_WIDTH, BAR_HEIGHT);
    fx_set_step(0);
    fill_canvas(W_PREVIEW_CANVAS, PREVIEW_WIDTH, PREVIEW_HEIGHT);
    return true;
}

const std::string& fx_info_text() { return g_info_text; }

void fx_show_info(const std::string& text) {
    g_info_text = text;
    if (!begin_fx_canvas(W_FX_INFO_PANEL)) return;
    set_font(g_host.info_font);
    set_drawing_mode(DRAW_SOLID);
    if (text.empty()) {
        fill_box(0, 0, FX_INFO_WIDTH, FX_INFO_HEIGHT, BLACK);
        end_drawing();
        return;
    }
    fill_box(0, 0, FX_INFO_WIDTH, FX_INFO_HEIGHT, RED);
    fill_box(1, 1, FX_INFO_WIDTH - 2, FX_INFO_HEIGHT - 2, BLACK);
    set_drawing_mode(DRAW_TRANSPARENT_TEXT);
    const int word = text_width(fx_messages::INFO);
    const int ix = FX_INFO_WIDTH / 2 - (word + 38) / 2;
    const ImageHandle sign = image_handle(g_host.icons.info);
    draw_image_blended(sign, ix, 2);
    draw_text(ix + 19, 2, fx_messages::INFO, WHITE);
    draw_image_blended(sign, ix + word + 22, 2);
    draw_text((FX_INFO_WIDTH - text_width(text)) / 2, FX_INFO_HEIGHT - (text_height(text) + 2), text, GREEN);
    end_drawing();
}

void fx_paint_icon(int button, ImageId icon) {
    const FxIcons& icons = g_host.icons;
    Colour state = BLACK;
    if (icon == icons.crop_active && fx.crop_mode) state = GREEN;
    if (icon == icons.webcam_on) state = fx.webcam_on ? GREEN : WHITE;
    if (icon == icons.webcam_off) state = WHITE;
    const bool crop_icon = icon == icons.crop || icon == icons.crop_active;
    if (!begin_fx_canvas(button)) return;
    set_drawing_mode(DRAW_SOLID);
    fill_box(0, 0, ICON_SIZE, ICON_SIZE, BLACK);
    fill_box(1, 1, ICON_SIZE - 2, ICON_SIZE - 2, state);
    draw_image_blended(image_handle(icon), 0, crop_icon ? 5 : 0, 255);
    end_drawing();
    if (button == W_CROP_BUTTON) set_control_value(button, fx.crop_mode);
    if (button == W_WEBCAM_BUTTON) set_control_value(button, fx.webcam_on);
}

void fx_show_effect_buttons(bool hide) {
    for (int button : EFFECT_BUTTONS) show_widget(button, !hide);
}

}  // namespace pixmold
