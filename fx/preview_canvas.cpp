// The preview canvas: the crop frame drawn with the mouse and its release
// into a pending real-size crop, and files dropped on it.
#include <string>

#include "core/drop_text.h"
#include "core/texts.h"
#include "fx/editor_panel.h"
#include "fx/messages.h"
#include "image/draw.h"

namespace pixmold {

namespace {

constexpr Colour FRAME_COLOUR = make_rgb(255, 69, 0);
constexpr Colour VEIL = make_rgba(255, 255, 255, 127);

void paint_frame(EditorPanel& p) {
    if (!begin_fx_canvas(W_PREVIEW_CANVAS)) return;
    const Frame& f = p.editor.frame();
    set_drawing_mode(DRAW_SOLID);
    fill_box(0, 0, PREVIEW_WIDTH, PREVIEW_HEIGHT, PANEL_COLOUR);
    draw_picture(p.editor.preview().get(), 0, 0);
    set_drawing_mode(DRAW_OUTLINE);
    fill_box(int(f.start_x), int(f.start_y), int(f.end_x - f.start_x), int(f.end_y - f.start_y), FRAME_COLOUR);
    end_drawing();
}

// The unveiled chosen part over a white veil, and the real-size crop placed
// in the corner opposite the frame.
void paint_crop_preview(const Editor& editor) {
    if (!begin_fx_canvas(W_PREVIEW_CANVAS)) return;
    const Frame& f = editor.frame();
    set_drawing_mode(DRAW_ALPHA_BLEND);
    fill_box(0, 0, PREVIEW_WIDTH, PREVIEW_HEIGHT, VEIL);
    set_drawing_mode(DRAW_SOLID);
    draw_picture(editor.crop_preview().get(), int(f.start_x), int(f.start_y));
    draw_picture(editor.result().bitmap.get(), int(f.view_x), int(f.view_y));
    end_drawing();
}

// How the release ended, shown.
void released(EditorPanel& p, Release outcome) {
    const Frame& f = p.editor.frame();
    p.status(std::string(fx_messages::FRAME_SIZE) + std::to_string(f.real_width) + " x " +
             std::to_string(f.real_height) + " px");
    if (outcome == Release::NoFrame) return;
    set_pointer_shape(W_COMMAND_BAR, PointerShape::Hand);
    switch (outcome) {
    case Release::TooSmall:
        p.show_step();
        p.paint_preview();
        break;
    case Release::Chosen:
        paint_crop_preview(p.editor);
        p.show_step();
        break;
    case Release::Unshown:
        p.status(fx_messages::FRAME_WITHOUT_PREVIEW);
        p.show_step();
        break;
    case Release::NoFrame:
    case Release::Failed: break;
    }
}

void release(EditorPanel& p) {
    const Release let_go = p.editor.let_go_frame();
    if (let_go != Release::Chosen) {
        released(p, let_go);
        return;
    }
    const Frame& f = p.editor.frame();
    p.run(p.aside_for(f.real_width * f.real_height), [picture = p.editor.picture(), frame = f] {
        Shown crop = crop_of(picture, frame);
        return [crop = std::move(crop)] {
            EditorPanel& panel = editor_panel();
            released(panel, panel.editor.take_crop(crop));
        };
    });
}

}  // namespace

void EditorPanel::preview_event(SubKind sub, int x, int y) {
    if (!editor.has_picture()) {
        set_pointer_shape(W_PREVIEW_CANVAS, PointerShape::Forbidden);
        return;
    }
    switch (sub) {
    case SubKind::PointerEnter:
    case SubKind::FocusGained:
        set_pointer_shape(W_PREVIEW_CANVAS, editor.crop_mode() ? PointerShape::Cross : PointerShape::Forbidden);
        break;
    case SubKind::LeftButtonDown: editor.press_frame(x, y); break;
    case SubKind::PointerMove:
        if (editor.move_frame(x, y)) paint_frame(*this);
        break;
    case SubKind::RightButtonDown:
        if (editor.throw_frame()) {
            show_refreshed();
            show_step();
        }
        break;
    case SubKind::LeftButtonUp: release(*this); break;
    default: break;
    }
}

void EditorPanel::preview_drop(const std::string& files) {
    run(aside_for_files(files), [files] {
        // Several files at once: the first one that decodes is taken.
        for (std::string& path : split_drop_text(files))
            if (Picture picture = load_picture(path))
                return Finish([shown = show(std::move(picture)), path = std::move(path)] {
                    editor_panel().loaded(shown, path, false);
                });
        return Finish([] { editor_panel().loaded({}, {}, false); });
    });
}

}  // namespace pixmold
