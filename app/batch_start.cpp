#include "app/batch_start.h"

#include <deque>
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

// Opened files waiting for the running batch to end (user-interface thread).
std::deque<std::string> waiting_files;

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

void batch_open(const std::string& files) {
    if (waiting_files.empty() && !batch_running())
        batch_drop(files);
    else
        waiting_files.push_back(files);
}

bool batch_start_waiting() {
    while (!waiting_files.empty() && !batch_running()) {
        const std::string files = std::move(waiting_files.front());
        waiting_files.pop_front();
        batch_drop(files);
    }
    return !waiting_files.empty();
}

bool handle_batch_event(int widget, SubKind subkind) {
    if (widget != W_STOP) return false;
    if (subkind == SubKind::Clicked) {
        waiting_files.clear();  // Stop means the window goes idle
        session().on_stop();
    }
    return true;
}

bool batch_running() { return session().running(); }

void batch_wait() { session().wait(); }

void batch_stop() {
    waiting_files.clear();
    session().on_stop(false);
}

}  // namespace pixmold
