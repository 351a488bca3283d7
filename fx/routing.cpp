// The panel's share of the event loop.
#include "fx/fx.h"
#include "fx/handlers.h"
#include "fx/state.h"

namespace pixmold {

bool fx_handle_event(int widget, SubKind sub, int x, int y) {
    switch (widget) {
    case W_CROP_BUTTON: crop_button_event(sub); return true;
    case W_BW_BUTTON:
    case W_BW_OPTIMISED_BUTTON:
    case W_SEPIA_BUTTON:
    case W_BORDER_BUTTON: effect_button_event(widget, sub); return true;
    case W_WEBCAM_BUTTON: webcam_button_event(sub); return true;
    case W_PREVIEW_CANVAS: preview_event(sub, x, y); return true;
    case W_COMMAND_BAR: command_bar_event(sub, x, y); return true;
    case W_FX_INFO_PANEL: return true;
    default: return false;
    }
}

bool fx_handle_drop(int widget, const std::string& files) {
    if (widget != W_PREVIEW_CANVAS) return false;
    // While the live view is open every command is off: a picture loaded
    // now would sit under a view that stays.
    if (!fx.webcam_on) preview_drop(files);
    return true;
}

}  // namespace pixmold
