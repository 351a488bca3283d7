// The panel's widgets: building them, the info panel, the icon buttons, the
// preview canvas's pictures, and the routing of their events.
#include <algorithm>
#include <utility>
#include <vector>

#include "core/texts.h"
#include "fx/editor_panel.h"
#include "fx/messages.h"
#include "fx/webcam.h"
#include "image/draw.h"
#include "image/text.h"
#include "toolkit/canvas_drawing.h"

namespace pixmold {

namespace {

constexpr int ICON_SIZE = 39;
constexpr int FX_INFO_WIDTH = 184;
constexpr int FX_INFO_HEIGHT = 39;
constexpr int BAR_WIDTH = 463;
constexpr int BAR_HEIGHT = 79;

constexpr Colour BLACK = make_rgb(0, 0, 0);
constexpr Colour WHITE = make_rgb(255, 255, 255);
constexpr Colour RED = make_rgb(255, 0, 0);
constexpr Colour GREEN = make_rgb(0, 255, 0);

EditorPanel g_panel;

void fill_canvas(int canvas, int width, int height) {
    if (!begin_fx_canvas(canvas)) return;
    set_drawing_mode(DRAW_SOLID);
    fill_box(0, 0, width, height, PANEL_COLOUR);
    end_drawing();
}

void fill_command_table(std::array<CommandButton, COMMAND_COUNT>& buttons) {
    const InterfaceTexts& t = texts();
    // Load spans the bar; the second row is split in thirds, one pixel apart.
    constexpr int third = BAR_WIDTH / 3 - 1;  // 153
    const std::pair<int, int> spans[COMMAND_COUNT] = {
        {0, BAR_WIDTH}, {0, third}, {third + 1, BAR_WIDTH - 2 * (third + 1)}, {BAR_WIDTH - third, third}};
    const std::string captions[COMMAND_COUNT] = {t.fx_load, t.fx_apply, t.fx_cancel, t.fx_save};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        CommandButton& b = buttons[i];
        b = CommandButton{};
        b.x = std::int16_t(spans[i].first);
        b.y = std::int8_t(i == std::size_t(Command::Load) ? 0 : ICON_SIZE + 1);
        b.width = std::int16_t(spans[i].second);
        b.height = std::int8_t(ICON_SIZE);
        b.caption = captions[i];
    }
}

// The keyboard's and screen readers' view of the panel's canvases.
void make_panel_controls(const EditorPanel& p) {
    const InterfaceTexts& t = texts();
    const ControlPart icon{0, 0, ICON_SIZE, ICON_SIZE, ICON_SIZE / 2, ICON_SIZE / 2, {}};
    set_canvas_control(W_CROP_BUTTON, ControlKind::ToggleButton, t.name_fx_crop, {icon});
    for (std::size_t i = 0; i < p.effects.size(); ++i)
        set_canvas_control(effect_button(i), ControlKind::Button, t.*p.effects[i].label, {icon});
    set_canvas_control(W_WEBCAM_BUTTON, ControlKind::ToggleButton, t.name_fx_webcam, {icon});
    set_canvas_control(W_PREVIEW_CANVAS, ControlKind::Picture, t.name_fx_preview,
                       {{0, 0, PREVIEW_WIDTH, PREVIEW_HEIGHT, 0, 0, {}}});
    std::vector<ControlPart> commands;
    for (const CommandButton& b : p.commands)
        commands.push_back({b.x, b.y, b.width, b.height, b.x + b.width / 2, b.y + b.height / 2, b.caption});
    set_canvas_control(W_COMMAND_BAR, ControlKind::Button, t.name_fx_commands, std::move(commands));
}

}  // namespace

EditorPanel& editor_panel() { return g_panel; }

const Editor& fx_editor() { return g_panel.editor; }
std::span<const Effect> fx_panel_effects() { return g_panel.effects; }
const std::string& fx_info_text() { return g_panel.info; }

std::vector<int> fx_tab_order() {
    std::vector<int> order = {W_CROP_BUTTON};
    for (std::size_t i = 0; i < g_panel.effects.size(); ++i) order.push_back(effect_button(i));
    order.insert(order.end(), {W_WEBCAM_BUTTON, W_PREVIEW_CANVAS, W_COMMAND_BAR});
    return order;
}

void fx_set_host(FxHost host) { g_panel.host = std::move(host); }
const FxHost& fx_host() { return g_panel.host; }

bool begin_fx_canvas(int canvas) { return begin_drawing(canvas_drawing_target(canvas)) != 0; }

void draw_picture(const Bitmap* picture, int x, int y) {
    if (picture) draw_pixels(picture->view(), x, y);
}

bool fx_build_panel(int container, std::span<const Effect> effects) {
    if (!widget_exists(container)) return false;
    webcam_stop();
    EditorPanel& p = g_panel;
    p.drop_job();
    p.editor = Editor{};
    p.effects = effects;
    p.hovered = Command::Load;
    fill_command_table(p.commands);

    const Parent panel = in_container(container);
    create_canvas(panel, W_CROP_BUTTON, 0, 1, ICON_SIZE, ICON_SIZE);
    // The effect buttons follow the crop button, one icon and a pixel apart.
    for (std::size_t i = 0; i < effects.size(); ++i)
        create_canvas(panel, effect_button(i), (ICON_SIZE + 1) * int(i + 1), 1, ICON_SIZE, ICON_SIZE);
    create_canvas(panel, W_WEBCAM_BUTTON, 240, 1, ICON_SIZE, ICON_SIZE);
    create_canvas(panel, W_FX_INFO_PANEL, 281, 1, FX_INFO_WIDTH, FX_INFO_HEIGHT);
    create_canvas(panel, W_PREVIEW_CANVAS, 1, 60, PREVIEW_WIDTH, PREVIEW_HEIGHT);
    create_canvas(panel, W_COMMAND_BAR, 1, 496, BAR_WIDTH, BAR_HEIGHT);
    if (!widget_exists(W_COMMAND_BAR)) return false;
    set_canvas_focus_frame(W_PREVIEW_CANVAS, true);
    set_canvas_focus_frame(W_COMMAND_BAR, true);
    make_panel_controls(p);
    enable_widget_drops(W_PREVIEW_CANVAS, true);

    p.show_info(fx_messages::LOAD_PICTURE);
    p.paint_crop_button();
    for (std::size_t i = 0; i < effects.size(); ++i) p.paint_icon(effect_button(i), p.effect_icon(effects[i], false));
    p.paint_webcam_button();
    fill_canvas(W_COMMAND_BAR, BAR_WIDTH, BAR_HEIGHT);
    p.show_step();
    fill_canvas(W_PREVIEW_CANVAS, PREVIEW_WIDTH, PREVIEW_HEIGHT);
    return true;
}

bool fx_handle_event(int widget, SubKind sub, int x, int y) {
    EditorPanel& p = g_panel;
    if (p.busy()) {
        if (widget == W_FX_INFO_PANEL) return true;
        const std::vector<int> order = fx_tab_order();
        if (std::find(order.begin(), order.end(), widget) == order.end()) return false;
        p.busy_event(widget, sub);
        return true;
    }
    switch (widget) {
    case W_CROP_BUTTON: p.crop_button_event(sub); return true;
    case W_WEBCAM_BUTTON: p.webcam_button_event(sub); return true;
    case W_PREVIEW_CANVAS: p.preview_event(sub, x, y); return true;
    case W_COMMAND_BAR: p.command_bar_event(sub, x, y); return true;
    case W_FX_INFO_PANEL: return true;
    default: break;
    }
    for (std::size_t i = 0; i < p.effects.size(); ++i) {
        if (widget != effect_button(i)) continue;
        p.effect_button_event(p.effects[i], widget, sub);
        return true;
    }
    return false;
}

bool fx_handle_drop(int widget, const std::string& files) {
    if (widget != W_PREVIEW_CANVAS) return false;
    // While the live view is open every command is off: a picture loaded
    // now would sit under a view that stays.
    if (g_panel.busy())
        g_panel.refuse_while_busy();
    else if (!g_panel.editor.webcam_on())
        g_panel.preview_drop(files);
    return true;
}

void EditorPanel::status(const std::string& text) const {
    if (host.show_status) host.show_status(text);
}

void EditorPanel::click(int milliseconds) const {
    if (host.click) host.click(milliseconds);
}

void EditorPanel::show_info(const std::string& text) {
    info = text;
    if (!begin_fx_canvas(W_FX_INFO_PANEL)) return;
    set_font(host.info_font);
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
    const ImageHandle sign = image_handle(host.icons.info);
    draw_image_blended(sign, ix, 2);
    draw_text(ix + 19, 2, fx_messages::INFO, WHITE);
    draw_image_blended(sign, ix + word + 22, 2);
    draw_text((FX_INFO_WIDTH - text_width(text)) / 2, FX_INFO_HEIGHT - (text_height(text) + 2), text, GREEN);
    end_drawing();
}

void EditorPanel::paint_icon(int button, ImageId icon) {
    const FxIcons& icons = host.icons;
    Colour state = BLACK;
    if (icon == icons.crop_active && editor.crop_mode()) state = GREEN;
    if (icon == icons.webcam_on) state = editor.webcam_on() ? GREEN : WHITE;
    if (icon == icons.webcam_off) state = WHITE;
    const bool crop_icon = icon == icons.crop || icon == icons.crop_active;
    if (!begin_fx_canvas(button)) return;
    set_drawing_mode(DRAW_SOLID);
    fill_box(0, 0, ICON_SIZE, ICON_SIZE, BLACK);
    fill_box(1, 1, ICON_SIZE - 2, ICON_SIZE - 2, state);
    draw_image_blended(image_handle(icon), 0, crop_icon ? 5 : 0, 255);
    end_drawing();
    if (button == W_CROP_BUTTON) set_control_value(button, editor.crop_mode());
    if (button == W_WEBCAM_BUTTON) set_control_value(button, editor.webcam_on());
}

void EditorPanel::paint_crop_button() {
    paint_icon(W_CROP_BUTTON, editor.crop_mode() ? host.icons.crop_active : host.icons.crop);
}

void EditorPanel::paint_webcam_button() {
    paint_icon(W_WEBCAM_BUTTON, editor.webcam_on() ? host.icons.webcam_on : host.icons.webcam_off);
}

ImageId EditorPanel::effect_icon(const Effect& effect, bool highlighted) const {
    if (!host.icons.named) return 0;
    return host.icons.named(highlighted ? effect.icon_highlighted : effect.icon);
}

void EditorPanel::show_effect_buttons(bool visible) {
    for (std::size_t i = 0; i < effects.size(); ++i) show_widget(effect_button(i), visible);
}

void EditorPanel::show_refreshed() {
    status(texts().summary_relative_size + std::to_string(editor.picture_width()) + " x " +
           std::to_string(editor.picture_height()));
    paint_preview();
}

void EditorPanel::paint_preview() {
    if (!begin_fx_canvas(W_PREVIEW_CANVAS)) return;
    set_drawing_mode(DRAW_SOLID);
    fill_box(0, 0, PREVIEW_WIDTH, PREVIEW_HEIGHT, PANEL_COLOUR);
    draw_picture(editor.preview().get(), 0, 0);
    end_drawing();
}

void EditorPanel::report_unreadable() {
    show_info(fx_messages::CANCELLED);
    status(texts().fx_unreadable);
}

}  // namespace pixmold
