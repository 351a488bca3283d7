// Saving the edited picture: the proposed name, the typed name's cleaning,
// and the write.
#include "core/texts.h"
#include "fx/editor.h"
#include "fx/messages.h"
#include "fx/panel.h"
#include "fx/save_name.h"
#include "fx/state.h"
#include "image/codec.h"
#include "runtime/dialogs.h"

#include <filesystem>

namespace pixmold {

namespace {

bool ends_with(const std::string& text, const char* tail) {
    const std::string t(tail);
    return text.size() >= t.size() && text.compare(text.size() - t.size(), t.size(), t) == 0;
}

constexpr int FX_JPEG_QUALITY = 9;

}  // namespace

std::string save_base_name(const std::string& source_path) {
    const std::size_t slash = source_path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? source_path : source_path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    const std::string cut = "." + extension;
    for (std::size_t at = name.find(cut); at != std::string::npos; at = name.find(cut, at)) name.erase(at, cut.size());
    return name;
}

std::string save_file_name(const std::string& typed, int pattern) {
    std::string name = typed;
    bool doubled = false;
    for (const char* tail : {".jpg.jpg", ".png.png", ".jpg.png", ".png.jpg"}) {
        if (ends_with(name, tail)) {
            name.resize(name.size() - 8);
            doubled = true;
            break;
        }
    }
    if (!doubled && (ends_with(name, ".jpg") || ends_with(name, ".png"))) name.resize(name.size() - 4);
    return name + (pattern == SAVE_PATTERN_PNG ? ".png" : ".jpg");
}

bool fx_save() {
    const InterfaceTexts& t = texts();
    int pattern = 0;
    const std::string typed =
        save_file_dialog(t.fx_save, "FX_" + save_base_name(fx.source_path), fx_messages::SAVE_PATTERNS, pattern);
    if (typed.empty()) {
        fx_status(t.cancelled);
        return false;
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
            fx_status(t.cancelled);
            return false;
        }
    }
    // The engine writes aside and renames, so a failure leaves any file of that name intact.
    const int written = pattern == SAVE_PATTERN_PNG ? save_image(FxResult, path, TAG_PNG)
                                                    : save_image(FxResult, path, TAG_JPEG, FX_JPEG_QUALITY);
    if (!written) {
        fx_status(t.fx_save_failed);
        return false;
    }
    fx_paint_preview();
    fx.frame_drawn = 0;
    fx_set_step(3);
    fx_click(400);
    fx_status(fx_messages::PICTURE_SAVED);
    return true;
}

}  // namespace pixmold
