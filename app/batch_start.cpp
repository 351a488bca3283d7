#include "app/batch_start.h"

#include <memory>

#include "app/click_sound.h"
#include "app/settings_column.h"
#include "app/window_layout.h"
#include "app/window_settings.h"
#include "batch/session.h"
#include "batch/settings_bridge.h"

namespace pixmold {

namespace {

// Set when the InfoPanel lists failed pictures instead of the summary.
std::atomic<bool> info_lists_failures{false};

BatchSession& session() {
    static BatchSession instance(
        BatchView{
            [](const std::string& text) { set_text(W_STATUS_LINE, text); },
            [](const std::string& text) {
                info_lists_failures = true;
                set_text(W_INFO_PANEL, text);
            },
            [](bool running) {
                show_widget(W_STOP, running);
                show_widget(W_INFO_PANEL, !running);
            },
            [] { play_click_sound(600); },
        },
        [] { return batch_settings_from(settings); });
    return instance;
}

}  // namespace

void batch_drop(const std::string& files) {
    const bool had_failures = info_lists_failures.load();
    if (session().on_drop(files) == BatchSession::DropResult::Started && had_failures) {
        info_lists_failures = false;
        settings_summary();  // hidden now; shown again when the batch ends
    }
}

bool handle_batch_event(int widget, SubKind subkind) {
    if (widget != W_STOP) return false;
    if (subkind == SubKind::Clicked) session().on_stop();
    return true;
}

bool batch_running() { return session().running(); }

void batch_wait() { session().wait(); }

void batch_stop() { session().on_stop(false); }

}  // namespace pixmold
