#include "app/fx_panel_host.h"

#include "app/artwork.h"
#include "app/canvases.h"
#include "app/click_sound.h"
#include "app/settings_column.h"
#include "app/shell_state.h"
#include "app/window_layout.h"
#include "fx/fx.h"
#include "toolkit/toolkit.h"
#include "update/site.h"

namespace pixmold {

void build_fx_panel() {
    FxHost host;
    host.show_status = [](const std::string& text) { set_text(W_STATUS_LINE, text); };
    host.click = [](int milliseconds) { play_click_sound(milliseconds); };
    host.info_font = drawing_font(FONT_SANS_10);
    host.command_font = drawing_font(FONT_SANS_12_ITALIC);
    FxIcons& icons = host.icons;
    icons.crop = PIC_FX_CROP;
    icons.crop_active = PIC_FX_CROP_ACTIVE;
    // The effects name their icons by file, as the program carries them.
    icons.named = [](const std::string& file) {
        for (const EmbeddedPicture& picture : embedded_pictures())
            if (file == picture.name) return picture.number;
        return ImageId(0);
    };
    icons.webcam_off = PIC_FX_WEBCAM_OFF;
    icons.webcam_on = PIC_FX_WEBCAM_ON;
    icons.info = PIC_INFO;
    host.web_address = website_address();
    host.window = MAIN_WINDOW;
    fx_set_host(std::move(host));
    fx_build_panel(W_FX_PANEL);
}

void open_picture_in_fx() {
    // Opened as a press on the FX button opens it: the window widens.
    if (!shell.fx_panel_open) handle_column_event(W_FX_BUTTON, SubKind::LeftButtonDown, 0, 0);
    fx_load_command();
}

}  // namespace pixmold
