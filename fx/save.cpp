// The Save command: the proposed name, the dialog, the question about a
// file the cleaned name lands on, and the write.
#include <filesystem>

#include "core/texts.h"
#include "fx/editor_panel.h"
#include "fx/messages.h"
#include "fx/save_name.h"
#include "toolkit/dialogs.h"

namespace pixmold {

namespace {

constexpr int FX_JPEG_QUALITY = 9;
constexpr int FX_PNG_QUALITY = 7;  // no palette dithering

}  // namespace

void EditorPanel::save_command() {
    const InterfaceTexts& t = texts();
    int pattern = 0;
    const std::string typed = save_file_dialog(t.fx_save, "FX_" + save_base_name(editor.source_path()),
                                               fx_messages::SAVE_PATTERNS, pattern);
    if (typed.empty()) {
        status(t.cancelled);
        return;
    }
    const std::string path = save_file_name(typed, pattern);
    // The dialog asked about replacing the name as typed; a name that gained
    // or changed its extension since may be another file the user has not
    // been asked about.
    std::error_code ignored;
    if (path != typed && std::filesystem::exists(path, ignored)) {
        const std::string name = std::filesystem::path(path).filename().string();
        if (message_box(t.fx_save, t.fx_replace_before + name + t.fx_replace_after, MB_YES_NO | MB_ICON_QUESTION) !=
            ANSWER_YES) {
            status(t.cancelled);
            return;
        }
    }
    const bool png = pattern == SAVE_PATTERN_PNG;
    const Picture& result = editor.result();
    run(aside_for(std::int64_t(result.width()) * result.height()), [result, path, png] {
        const bool written =
            save_picture(result, path, png ? TAG_PNG : TAG_JPEG, png ? FX_PNG_QUALITY : FX_JPEG_QUALITY);
        return Finish([written] { editor_panel().saved(written); });
    });
}

void EditorPanel::saved(bool written) {
    if (!written) {
        status(texts().fx_save_failed);
        return;
    }
    paint_preview();
    editor.saved();
    show_step();
    click(400);
    status(fx_messages::PICTURE_SAVED);
}

}  // namespace pixmold
