#include "app/language_switch.h"

#include <string>
#include <utility>

#include "app/shutdown.h"
#include "app/window_settings.h"
#include "core/texts.h"
#include "toolkit/dialogs.h"

namespace pixmold {

namespace {
std::function<void()> g_language_ending = [] { end_program_now(); };
}  // namespace

void switch_language(Language chosen) {
    // A language word the program does not know is neither choice: either one switches.
    if (settings.language == chosen) return;
    settings.language = chosen;
    message_box(std::string(RESTART_NOTICE_TITLE), std::string(restart_notice(chosen)),
                MB_OK_ONLY | MB_ICON_INFORMATION);
    save_all_settings();
    if (g_language_ending) g_language_ending();
}

void set_language_switch_ending(std::function<void()> ending) { g_language_ending = std::move(ending); }

}  // namespace pixmold
