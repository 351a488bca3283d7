#include "app/online.h"

#include <string>
#include <utility>

#include "app/click_sound.h"
#include "app/shell_state.h"
#include "app/window_layout.h"
#include "platform/http_download.h"
#include "toolkit/toolkit.h"
#include "update/site.h"
#include "update/update_check.h"

namespace pixmold {

void start_online() {
    init_network();
    UpdateShell window;
    window.show_status = [](const std::string& text) { set_text(W_STATUS_LINE, text); };
    window.status_text = [] { return get_text(W_STATUS_LINE); };
    window.play_click = play_click_sound;
    UpdateConfig config;
    config.site = website_address();
    config.running_version = shell.version;
    configure_update_check(std::move(window), std::move(config));
}

void stop_online() {
    stop_update_check();
    release_network();
}

bool run_online_command(int command) {
    switch (command) {
    case CMD_CHECK_UPDATE:
    case KEY_CMD_UPDATE:
        check_for_update();
        return true;
    case CMD_VISIT_WEBSITE:
    case KEY_CMD_WEBSITE:
        visit_website();
        return true;
    default:
        return false;
    }
}

}  // namespace pixmold
