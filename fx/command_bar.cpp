// The command bar: its four buttons by step, their drawing and hit test,
// and what a press on each does.
#include "core/picture_types.h"
#include "core/texts.h"
#include "fx/editor_panel.h"
#include "fx/messages.h"
#include "image/draw.h"
#include "image/text.h"
#include "toolkit/dialogs.h"
#include "toolkit/toolkit.h"

namespace pixmold {

namespace {

constexpr std::int64_t ON_TOP = 0x00DD00, ON_BOTTOM = 0x00BB00;    // green
constexpr std::int64_t OFF_TOP = 0x0000FF, OFF_BOTTOM = 0x0000CC;  // red

void draw_command_bar(const EditorPanel& p) {
    if (!begin_fx_canvas(W_COMMAND_BAR)) return;
    set_font(p.host.command_font);
    for (const CommandButton& b : p.commands) {
        const int half = b.height / 2;
        set_drawing_mode(DRAW_SOLID);
        fill_box(b.x, b.y, b.width, half, Colour(b.top_colour));
        fill_box(b.x, b.y + half, b.width, half, Colour(b.bottom_colour));
        set_drawing_mode(DRAW_OUTLINE);
        fill_box(b.x, b.y, b.width, b.height, Colour(b.outline_colour));
        set_drawing_mode(DRAW_TRANSPARENT_TEXT);
        draw_text(b.x + b.width / 2 - text_width(b.caption) / 2, b.y + half - text_height(b.caption) / 2, b.caption,
                  make_rgb(0, 0, 0));
    }
    end_drawing();
}

}  // namespace

const std::array<CommandButton, COMMAND_COUNT>& fx_command_buttons() { return editor_panel().commands; }

void fx_set_step(Step step) {
    editor_panel().editor.set_step(step);
    editor_panel().show_step();
}

void fx_load_command() {
    EditorPanel& p = editor_panel();
    if (p.busy())
        p.refuse_while_busy();
    else if (p.editor.enabled(Command::Load))
        p.load_command();
}

Command fx_hit_command(int px, int py) {
    const auto& buttons = editor_panel().commands;
    const int second_row = buttons[std::size_t(Command::Cancel)].y;
    const int cancel_left = buttons[std::size_t(Command::Cancel)].x;
    const int save_left = buttons[std::size_t(Command::Save)].x;
    if (py < second_row) return Command::Load;
    if (px < cancel_left) return Command::Apply;
    if (px > cancel_left && px < save_left) return Command::Cancel;
    if (px > save_left) return Command::Save;
    return Command::Load;  // the columns between the buttons
}

void EditorPanel::show_step() {
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const bool on = !busy() && editor.enabled(Command(i));
        CommandButton& b = commands[i];
        b.enabled = on ? 1 : 0;
        b.top_colour = on ? ON_TOP : OFF_TOP;
        b.bottom_colour = on ? ON_BOTTOM : OFF_BOTTOM;
        set_control_part_enabled(W_COMMAND_BAR, int(i), on);
    }
    draw_command_bar(*this);
}

void EditorPanel::load_command() {
    const std::string patterns = std::string(fx_messages::OPEN_FILTER_NAME) + "|" + picture_extensions_text("*", ';');
    const std::string path = open_file_dialog(fx_messages::OPEN_TITLE, "", patterns);
    if (path.empty()) {
        show_info(fx_messages::CANCELLED);
        editor.load_cancelled();
        show_step();
        return;
    }
    // Decoded aside: only a picture that decoded replaces the one being
    // edited, so a broken file never costs the user their work.
    run(aside_for_files(path), [path] {
        return Finish([shown = show(load_picture(path)), path] { editor_panel().loaded(shown, path, true); });
    });
}

void EditorPanel::loaded(Shown picture, const std::string& path, bool from_dialog) {
    if (!picture.picture) {
        report_unreadable();
        return;
    }
    editor.load(std::move(picture), path, from_dialog);
    set_pointer_shape(W_CROP_BUTTON, PointerShape::Hand);
    show_refreshed();
    if (from_dialog) show_info(fx_messages::APPLY_AN_EFFECT);
    show_step();
}

void EditorPanel::apply_command() {
    const bool leaves_crop_mode = editor.frame_chosen();
    if (!editor.apply()) return;
    // The webcam button comes back, but not into crop mode (which stays on
    // when the picture was dropped while cropping).
    show_widget(W_WEBCAM_BUTTON, !editor.crop_mode());
    if (leaves_crop_mode) {
        show_effect_buttons(true);
        paint_crop_button();
    }
    show_refreshed();
    show_step();
}

void EditorPanel::cancel_command() {
    if (!editor.cancel()) return;
    show_refreshed();
    status(fx_messages::EFFECT_CANCELLED);
    show_step();
}

void EditorPanel::command_bar_event(SubKind sub, int x, int y) {
    switch (sub) {
    case SubKind::PointerEnter: hovered = fx_hit_command(x, y); break;
    case SubKind::PointerMove: {
        hovered = fx_hit_command(x, y);
        const CommandButton& b = commands[std::size_t(hovered)];
        show_info(b.enabled ? b.caption : fx_messages::DISABLED);
        break;
    }
    case SubKind::LeftButtonDown:
        // The press carries the freshest position.
        hovered = fx_hit_command(x, y);
        if (!commands[std::size_t(hovered)].enabled) break;
        switch (hovered) {
        case Command::Load: load_command(); break;
        case Command::Apply: apply_command(); break;
        case Command::Cancel: cancel_command(); break;
        case Command::Save: save_command(); break;
        }
        break;
    default: break;
    }
}

}  // namespace pixmold
