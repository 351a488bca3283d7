#include "app/settings_column.h"

#include <string>

#include "app/artwork.h"
#include "app/canvases.h"
#include "app/click_sound.h"
#include "app/menus.h"
#include "app/output_folder_menu.h"
#include "app/presets.h"
#include "app/settings_summary.h"
#include "app/shell_state.h"
#include "app/window_layout.h"
#include "app/window_rules.h"
#include "app/window_settings.h"
#include "batch/rules.h"
#include "batch/texts.h"
#include "core/texts.h"
#include "runtime/dialogs.h"
#include "runtime/plain_tooltip.h"

namespace pixmold {

namespace {

// StatusLine text saved while the pointer is over a canvas that writes there.
std::string g_saved_status;

constexpr std::int32_t WHITE = 0xFFFFFF;
constexpr std::int32_t BLACK = 0x000000;
constexpr std::int32_t DARK_GREY = 0x333333;
constexpr std::int32_t GREEN = 0x00FF00;

ImageHandle picture(ImageId number) { return image_handle(number); }

// Default widget font by screen dpi: font 4 at exactly 96, font 2 above 119,
// the toolkit's own in between.
int default_widget_font() {
    int dpi = screen_dpi_x();
    if (dpi == 96) return FONT_SANS_9;
    if (dpi > 119) return FONT_SANS_7;
    return DEFAULT_FONT;
}

void draw_quality_slider() { paint_quality_slider(static_cast<int>(settings.quality)); }

// What a screen reader reads for the column's controls, beyond their captions.
void name_controls() {
    const InterfaceTexts& t = texts();
    // The balloon is escaped rich text; readers get the banner's words as typed.
    set_accessible_name(W_BANNER, spoken(shell.product_name), banner_tip(t, shell.version));
    set_accessible_name(W_RELATIVE_MODE, spoken(t.relative_mode_button), t.summary_relative_explained);
    set_accessible_name(W_FREE_MODE, spoken(t.free_mode_button), t.summary_free_explained);
    set_accessible_name(W_PREFIX_FIELD, t.name_prefix_field);
    set_accessible_name(W_LANDSCAPE_WIDTH, t.name_landscape_width);
    set_accessible_name(W_PORTRAIT_HEIGHT, t.name_portrait_height);
    set_accessible_name(W_FREE_WIDTH, t.name_free_width);
    set_accessible_name(W_FREE_HEIGHT, t.name_free_height);
    set_accessible_name(W_PRESET_LIST, t.name_presets);
    set_accessible_name(W_INFO_PANEL, t.name_info_panel);
    set_accessible_name(W_STATUS_LINE, t.name_status_line);
    make_canvas_controls();
}

void build_widgets() {
    const InterfaceTexts& t = texts();
    const Parent w = in_window(MAIN_WINDOW);
    Settings& s = settings;

    // A saved prefix that would write outside the pictures' folders is not
    // used; the next full save stores the default in its place.
    const PrefixFault stored_fault = use_default_if_refused(s.prefix);

    create_picture(w, W_BANNER, 1, 2, 275, 47, picture(PIC_BANNER));
    set_plain_tooltip(W_BANNER, banner_tip(t, shell.version));

    create_container(w, W_FX_PANEL, COLUMN_WIDTH + 2, 1, WIDE_WIDTH - COLUMN_WIDTH - 3, WINDOW_HEIGHT - 2);
    show_widget(W_FX_PANEL, false);

    create_canvas(w, W_ALWAYS_ON_TOP, 1, 53, SWITCH_WIDTH, 20);
    paint_always_on_top_switch();

    create_canvas(w, W_FX_BUTTON, COLUMN_WIDTH - 100 - 3, 50, 100, 30);
    set_pointer_shape(W_FX_BUTTON, PointerShape::Hand);
    paint_fx_button(false);
    set_tooltip(W_FX_BUTTON, t.fx_tip_title, t.fx_tip_text);

    create_list(w, W_PRESET_LIST, 115, ROW_FREE_WIDTH, 100, 22);
    list_add_item(W_PRESET_LIST, t.preset_header);
    for (int i = 1; i < PRESET_COUNT; ++i) list_add_item(W_PRESET_LIST, std::string(size_presets()[i].text));
    list_set_selected(W_PRESET_LIST, 0);
    for (int i = 0; i < PRESET_COUNT; ++i)
        if (!preset_at(i)) list_set_header(W_PRESET_LIST, i);

    create_button(w, W_RELATIVE_MODE, 1, ROW_MODE, 138, 34, t.relative_mode_button);
    set_tooltip(W_RELATIVE_MODE, t.mode_tip_title, relative_mode_tip(t));
    create_button(w, W_FREE_MODE, 141, ROW_MODE + 13, 138, 20, t.free_mode_button);
    set_tooltip(W_FREE_MODE, t.mode_tip_title, free_mode_tip(t));

    create_button(w, W_STOP, 40, ROW_INFO + 50, 200, 65, t.stop_button);
    set_font(W_STOP, FONT_ARIAL_BLACK_10);
    show_widget(W_STOP, false);

    create_label(w, W_PREFIX_LABEL, 1, ROW_PREFIX, 50, 20, t.prefix_label);
    create_field(w, W_PREFIX_FIELD, 52, ROW_PREFIX, 96, 20, s.prefix, FIELD_READ_ONLY | FIELD_CENTRED);
    create_button(w, W_PREFIX_BUTTON, 151, ROW_PREFIX - 1, 128, 22, t.prefix_button);

    create_frame(w, W_SIZE_FRAME, 1, ROW_SIZE_TITLE - 3, COLUMN_WIDTH - 2, 131);
    create_label(w, W_SIZE_TITLE, 3, ROW_SIZE_TITLE, COLUMN_WIDTH - 6, 20, t.size_title, LABEL_CENTRED);
    create_label(w, W_LANDSCAPE_HINT, 6, ROW_LANDSCAPE_HINT, 210, 20, t.landscape_hint);
    create_label(w, W_LANDSCAPE_LABEL, 3, ROW_LANDSCAPE, 132, 20, t.landscape_label, LABEL_CENTRED);
    create_field(w, W_LANDSCAPE_WIDTH, 145, ROW_LANDSCAPE, 70, 20, std::to_string(s.landscape_width),
                 FIELD_DIGITS_ONLY | FIELD_CENTRED);
    create_label(w, W_PORTRAIT_HINT, 6, ROW_PORTRAIT_HINT, 210, 20, t.portrait_hint);
    create_label(w, W_PORTRAIT_LABEL, 3, ROW_PORTRAIT, 132, 20, t.portrait_label, LABEL_CENTRED);
    create_field(w, W_PORTRAIT_HEIGHT, 145, ROW_PORTRAIT, 70, 20, std::to_string(s.portrait_height),
                 FIELD_DIGITS_ONLY | FIELD_CENTRED);

    create_frame(w, W_FORMAT_FRAME, 1, ROW_FORMAT_TITLE - 3, COLUMN_WIDTH - 2, ROW_INFO - ROW_FORMAT_TITLE);
    create_label(w, W_FORMAT_TITLE, 3, ROW_FORMAT_TITLE, COLUMN_WIDTH - 6, 20, t.format_title, LABEL_CENTRED);

    create_canvas(w, W_QUALITY_SLIDER, 5, ROW_QUALITY, QUALITY_WIDTH, QUALITY_HEIGHT);
    set_pointer_shape(W_QUALITY_SLIDER, PointerShape::Hand);
    draw_quality_slider();
    create_label(w, W_QUALITY_LABEL, 5, ROW_QUALITY_LABEL, 208, 20, t.quality_legend);

    create_canvas(w, W_FORMAT_SELECTOR, FORMAT_LEFT, ROW_FORMAT, FORMAT_WIDTH, FORMAT_HEIGHT);
    paint_format_selector();
    if (s.format == OutputFormat::Png) {
        show_widget(W_QUALITY_SLIDER, false);
        show_widget(W_QUALITY_LABEL, false);
    }

    create_label(w, W_FREE_WIDTH_LABEL, 3, ROW_FREE_WIDTH, 55, 20, t.free_width_label);
    create_label(w, W_FREE_HEIGHT_LABEL, 3, ROW_FREE_HEIGHT, 55, 20, t.free_height_label);
    create_field(w, W_FREE_WIDTH, 60, ROW_FREE_WIDTH, 50, 20, std::to_string(s.free_width),
                 FIELD_DIGITS_ONLY | FIELD_CENTRED);
    create_field(w, W_FREE_HEIGHT, 60, ROW_FREE_HEIGHT, 50, 20, std::to_string(s.free_height),
                 FIELD_DIGITS_ONLY | FIELD_CENTRED);

    create_rich_text(w, W_INFO_PANEL, 1, ROW_INFO, COLUMN_WIDTH - 2, INFO_HEIGHT);
    set_text(W_INFO_PANEL, "Infos");
    create_field(w, W_STATUS_LINE, 1, ROW_INFO + INFO_HEIGHT + 1, COLUMN_WIDTH - 2, WINDOW_HEIGHT - ROW_INFO - INFO_HEIGHT - 2,
                 "", FIELD_READ_ONLY);

    apply_mode_layout();

    set_widget_colours(W_FX_PANEL, WINDOW_COLOUR, WINDOW_COLOUR);
    set_widget_colours(W_SIZE_TITLE, WHITE, BLACK);
    set_widget_colours(W_FORMAT_TITLE, WHITE, BLACK);
    set_widget_colours(W_PREFIX_FIELD, WHITE, DARK_GREY);
    set_widget_colours(W_LANDSCAPE_LABEL, WHITE, DARK_GREY);
    set_widget_colours(W_PORTRAIT_LABEL, WHITE, DARK_GREY);
    for (int label : {W_PREFIX_LABEL, W_FREE_WIDTH_LABEL, W_FREE_HEIGHT_LABEL, W_QUALITY_LABEL, W_LANDSCAPE_HINT,
                      W_PORTRAIT_HINT})
        set_widget_colours(label, BLACK, WINDOW_COLOUR);
    set_widget_colours(W_STATUS_LINE, GREEN, BLACK);
    name_controls();
    if (stored_fault != PrefixFault::None)
        set_text(W_STATUS_LINE, t.stored_prefix_refused + prefix_fault_text(t.language, stored_fault));
    tell_if_settings_unsavable();

    enable_window_drops(MAIN_WINDOW, true);
}

// ---- handlers -------------------------------------------------------------

void choose_mode(Mode mode) {
    settings.mode = mode;
    play_click_sound(50);
    apply_mode_layout();
    settings_summary();
    save_setting(SettingKey::Mode);
}

void quality_event(SubKind sub, int x) {
    static int last_x = 0;
    if (sub == SubKind::PointerMove) last_x = x;
    if (sub != SubKind::LeftButtonDown) return;
    // The press itself carries a position; it is the freshest one.
    last_x = x;
    play_click_sound(50);
    settings.quality = quality_for_x(last_x);
    save_setting(SettingKey::Quality);
    settings_summary();
    draw_quality_slider();
}

void format_event(SubKind sub, int x) {
    const InterfaceTexts& t = texts();
    switch (sub) {
    case SubKind::PointerEnter:
        g_saved_status = get_text(W_STATUS_LINE);
        break;
    case SubKind::PointerLeave:
        set_text(W_STATUS_LINE, g_saved_status);
        set_pointer_shape(W_FORMAT_SELECTOR, PointerShape::Arrow);
        break;
    case SubKind::PointerMove: {
        FormatZone zone = format_zone(x, jpg_text_width());
        if (zone == FormatZone::None) {
            set_pointer_shape(W_FORMAT_SELECTOR, PointerShape::Arrow);
            set_text(W_STATUS_LINE, g_saved_status);
            break;
        }
        const OutputFormat format = format_for_zone(zone);
        set_pointer_shape(W_FORMAT_SELECTOR, settings.format == format ? PointerShape::Arrow : PointerShape::Hand);
        set_text(W_STATUS_LINE, t.format_label + " " + std::string(word_for(format)));
        break;
    }
    case SubKind::LeftButtonDown: {
        FormatZone zone = format_zone(x, jpg_text_width());
        if (zone == FormatZone::None) break;
        settings.format = format_for_zone(zone);
        const bool quality = format_has_quality(settings.format);
        play_click_sound(50);
        show_widget(W_QUALITY_SLIDER, quality);
        show_widget(W_QUALITY_LABEL, quality);
        save_setting(SettingKey::Format);
        settings_summary();
        paint_format_selector();
        break;
    }
    default:
        break;
    }
}

void switch_event(SubKind sub, int x) {
    const bool inside = switch_zone(x, SWITCH_WIDTH, image_width(PIC_SWITCH_OFF));
    if (sub == SubKind::PointerMove) {
        set_pointer_shape(W_ALWAYS_ON_TOP, inside ? PointerShape::Hand : PointerShape::Arrow);
        return;
    }
    if (sub != SubKind::LeftButtonDown || !inside) return;
    settings.visible = next_visible(settings.visible);
    play_click_sound(50);
    paint_always_on_top_switch();
    set_topmost(MAIN_WINDOW, settings.visible != 0);
    save_setting(SettingKey::Visible);
    settings_summary();
}

void fx_button_event(SubKind sub) {
    ShellState& sh = shell;
    switch (sub) {
    case SubKind::PointerEnter:
        if (!sh.fx_panel_open) paint_fx_button(true);
        g_saved_status = get_text(W_STATUS_LINE);
        set_text(W_STATUS_LINE, texts().menu_how_to_crop);
        break;
    case SubKind::PointerLeave:
        if (!sh.fx_panel_open) paint_fx_button(false);
        set_text(W_STATUS_LINE, g_saved_status);
        break;
    case SubKind::LeftButtonDown: {
        play_click_sound(50);
        sh.fx_panel_open = !sh.fx_panel_open;
        const int desktop = desktop_width();
        if (!sh.fx_panel_open) {
            if (window_x(MAIN_WINDOW) + window_width(MAIN_WINDOW) > desktop)
                move_resize_window(MAIN_WINDOW, desktop / 2 - 140, KEEP, KEEP, KEEP);
            move_resize_window(MAIN_WINDOW, KEEP, KEEP, NARROW_WIDTH, KEEP);
            show_widget(W_FX_PANEL, false);
        } else {
            move_resize_window(MAIN_WINDOW, desktop / 2 - 375, KEEP, WIDE_WIDTH, KEEP);
            show_widget(W_FX_PANEL, true);
        }
        set_control_value(W_FX_BUTTON, sh.fx_panel_open);
        break;
    }
    default:
        break;
    }
}

// Keeps a size field to digits and the largest picture side, writing the
// mended text back when the typed one differed.
int read_size_field(int widget) {
    std::string typed = get_text(widget);
    std::string mended = mend_size_text(typed);
    if (mended != typed) set_text(widget, mended);
    return size_field_value(mended);
}

void field_changed(int widget) {
    Settings& s = settings;
    const int value = read_size_field(widget);
    switch (widget) {
    case W_FREE_WIDTH:
        s.free_width = static_cast<std::int16_t>(value);
        save_setting(SettingKey::FreeWidth);
        break;
    case W_FREE_HEIGHT:
        s.free_height = static_cast<std::int16_t>(value);
        save_setting(SettingKey::FreeHeight);
        break;
    case W_LANDSCAPE_WIDTH:
        s.landscape_width = value;
        save_setting(SettingKey::LandscapeWidth);
        break;
    case W_PORTRAIT_HEIGHT:
        s.portrait_height = value;
        save_setting(SettingKey::PortraitHeight);
        break;
    default:
        return;
    }
    settings_summary();
    if (widget == W_FREE_WIDTH || widget == W_FREE_HEIGHT)
        rename_open_free_entry();
    else
        rename_open_relative_entry();
}

// A preset fills the free size fields (the fields' own events save them).
void set_free_size(int width, int height) {
    settings.free_width = static_cast<std::int16_t>(width);
    settings.free_height = static_cast<std::int16_t>(height);
    set_text(W_FREE_WIDTH, std::to_string(settings.free_width));
    set_text(W_FREE_HEIGHT, std::to_string(settings.free_height));
}

void preset_chosen() {
    auto preset = preset_at(list_get_selected(W_PRESET_LIST));
    if (!preset) {
        list_set_selected(W_PRESET_LIST, 0);
        return;
    }
    set_free_size(preset->width, preset->height);
    settings_summary();
}

void prefix_dialog() {
    const InterfaceTexts& t = texts();
    const std::string old_prefix = get_text(W_PREFIX_FIELD);
    const std::string typed = input_dialog(t.prefix_dialog_title, t.prefix_dialog_prompt, old_prefix);
    const std::string answer = typed.empty() ? std::string(1, '0') : typed;
    switch (prefix_outcome(old_prefix, answer, outputs_in_a_folder())) {
    case PrefixOutcome::NewPrefix:
        settings.prefix = answer;
        save_setting(SettingKey::Prefix);
        set_text(W_PREFIX_FIELD, answer);
        set_text(W_STATUS_LINE, t.new_prefix_done);
        break;
    case PrefixOutcome::AskOverwrite:
        if (message_box(t.no_prefix, t.overwrite_question, MB_YES_NO | MB_ICON_WARNING) == ANSWER_YES) {
            settings.prefix = answer;  // "0"
            save_setting(SettingKey::Prefix);
            set_text(W_PREFIX_FIELD, answer);
        } else {
            set_text(W_STATUS_LINE, t.cancelled + ", " + t.prefix_unchanged);
        }
        break;
    case PrefixOutcome::Unchanged:
        set_text(W_STATUS_LINE, t.prefix_unchanged);
        break;
    case PrefixOutcome::Refused:
        set_text(W_STATUS_LINE, t.prefix_refused + prefix_fault_text(t.language, prefix_fault(answer)));
        break;
    }
    play_click_sound(60);
}

}  // namespace

bool build_settings_window() {
    const std::string title = shell.product_name + shell.version;
    if (!open_window(MAIN_WINDOW, 0, 0, COLUMN_WIDTH, WINDOW_HEIGHT, title,
                     WINDOW_SYSTEM_MENU | WINDOW_MINIMIZE_BOX | WINDOW_SCREEN_CENTERED | WINDOW_HIDDEN))
        return false;
    set_window_colour(MAIN_WINDOW, WINDOW_COLOUR);
    set_topmost(MAIN_WINDOW, settings.visible != 0);
    add_shortcuts();
    set_font(DEFAULT_FONT, default_widget_font());
    draw_format_pictures();
    build_menus();
    build_widgets();
    return true;
}

void apply_mode_layout() {
    const bool relative = settings.mode == Mode::Relative;
    const int selected = relative ? W_RELATIVE_MODE : W_FREE_MODE;
    const int other = relative ? W_FREE_MODE : W_RELATIVE_MODE;
    resize_widget(selected, KEEP, ROW_MODE, KEEP, 34);
    resize_widget(other, KEEP, ROW_MODE + 13, KEEP, 20);
    const int dpi = screen_dpi_x();
    set_font(selected, dpi > 119 ? FONT_SANS_9 : FONT_ARIAL_BLACK_10);
    set_font(other, FONT_SANS_7);
    set_button_chosen(selected, true);
    set_button_chosen(other, false);
    for (int widget : {W_LANDSCAPE_HINT, W_LANDSCAPE_LABEL, W_LANDSCAPE_WIDTH, W_PORTRAIT_HINT, W_PORTRAIT_LABEL,
                       W_PORTRAIT_HEIGHT})
        show_widget(widget, relative);
    for (int widget : {W_FREE_WIDTH_LABEL, W_FREE_HEIGHT_LABEL, W_FREE_WIDTH, W_FREE_HEIGHT, W_PRESET_LIST})
        show_widget(widget, !relative);
}

void settings_summary() {
    set_text(W_INFO_PANEL, compose_settings_summary(settings, shell.screen_width, shell.screen_height, texts()));
}

bool handle_column_event(int widget, SubKind sub, int x, int /*y*/) {
    switch (widget) {
    case W_QUALITY_SLIDER:
        quality_event(sub, x);
        return true;
    case W_FORMAT_SELECTOR:
        format_event(sub, x);
        return true;
    case W_ALWAYS_ON_TOP:
        switch_event(sub, x);
        return true;
    case W_FX_BUTTON:
        fx_button_event(sub);
        return true;
    case W_RELATIVE_MODE:
        choose_mode(Mode::Relative);
        return true;
    case W_FREE_MODE:
        choose_mode(Mode::Free);
        return true;
    case W_FREE_WIDTH:
    case W_FREE_HEIGHT:
    case W_LANDSCAPE_WIDTH:
    case W_PORTRAIT_HEIGHT:
        field_changed(widget);
        return true;
    case W_PRESET_LIST:
        preset_chosen();
        return true;
    case W_PREFIX_BUTTON:
        prefix_dialog();
        return true;
    default:
        return false;
    }
}

}  // namespace pixmold
