// Loading a picture into the editor, from the open dialog or a drop.
#include <string>

#include "core/picture_types.h"
#include "core/texts.h"
#include "fx/editor.h"
#include "fx/messages.h"
#include "fx/panel.h"
#include "fx/state.h"
#include "image/codec.h"
#include "runtime/dialogs.h"
#include "runtime/toolkit.h"

namespace pixmold {

namespace {

// Decodes `path` aside; only a picture that decoded replaces the one being
// edited, so a broken file never costs the user their work.
bool take_picture(const std::string& path) {
    // Shown and saved as it is meant to be seen: a phone photo stored on its
    // side comes upright, and so does what is saved from it.
    DecodeOptions upright;
    upright.upright = true;
    if (path.empty() || !load_image(FxIncoming, path, upright)) {
        free_image(FxIncoming);
        return false;
    }
    fx_changed(FxIncoming);
    fx_reset_frame();
    fx_release_pictures();
    // A new picture starts afresh: Cancel must never bring back one from before it.
    free_image(FxUndo);
    fx.pending = 0;
    fx.frame_chosen = 0;
    fx_copy(FxIncoming, FxSource);
    free_image(FxIncoming);
    fx.source_path = path;
    set_pointer_shape(W_CROP_BUTTON, PointerShape::Hand);
    return true;
}

}  // namespace

LoadOutcome fx_load_from_dialog() {
    const std::string patterns = std::string(fx_messages::OPEN_FILTER_NAME) + "|" + picture_extensions_text("*", ';');
    const std::string path = open_file_dialog(fx_messages::OPEN_TITLE, "", patterns);
    if (path.empty()) return LoadOutcome::Cancelled;
    return take_picture(path) ? LoadOutcome::Loaded : LoadOutcome::Unreadable;
}

bool fx_load_dropped(const std::string& files) {
    // Several files at once: the first one that decodes is taken.
    std::size_t start = 0;
    while (start <= files.size()) {
        std::size_t end = files.find('\n', start);
        if (end == std::string::npos) end = files.size();
        if (take_picture(files.substr(start, end - start))) return true;
        start = end + 1;
    }
    return false;
}

void fx_report_unreadable() {
    fx_show_info(fx_messages::CANCELLED);
    fx_status(texts().fx_unreadable);
}

void preview_drop(const std::string& files) {
    if (fx_load_dropped(files))
        fx_refresh_preview();
    else
        fx_report_unreadable();
}

}  // namespace pixmold
