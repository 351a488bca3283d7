#include "update/update_check.h"

#include <cstdint>
#include <memory>
#include <utility>

#include "core/texts.h"
#include "toolkit/browser.h"
#include "toolkit/dialogs.h"
#include "platform/threads.h"
#include "toolkit/ui_tasks.h"
#include "update/site.h"
#include "update/version.h"

namespace pixmold {
namespace {

// Written by the worker, read on the user-interface thread once the worker
// has posted its end (or has been joined).
struct Download {
    std::string url;
    HttpOptions options;
    HttpReply reply;
    ThreadHandle thread = 0;
    std::uint64_t number = 0;  // tells a stale end from the running download's
};

UpdateShell g_shell;
UpdateConfig g_config;
std::unique_ptr<Download> g_download;  // the running check's download
std::uint64_t g_downloads = 0;
bool g_running = false;
std::string g_status_before;  // put back when the user goes to the site

void show_status(const std::string& text) {
    if (g_shell.show_status) g_shell.show_status(text);
}

void play_click(int milliseconds) {
    if (g_shell.play_click) g_shell.play_click(milliseconds);
}

// The site in the default browser; a desktop without one is told so.
void open_site() {
    if (!open_url(g_config.site)) show_status(texts().update_no_browser + g_config.site);
}

// The result of a finished download, as the user sees it. Only this reply
// counts: an answer from an earlier check may be out of date by now.
void report(const HttpReply& reply) {
    const InterfaceTexts& t = texts();
    const std::string published = reply.ok() ? trim_white_space(reply.body) : std::string();
    if (!is_version(published)) {
        show_status(t.update_failed);
        return;
    }
    const std::string running = trim_white_space(g_config.running_version);
    if (!is_version(running) || compare_versions(published, running) <= 0) {
        show_status(t.update_latest);
        play_click(60);
        return;
    }
    const std::string question = t.update_newer_before + published + t.update_newer_after;
    if (message_box(t.update_title, question, MB_YES_NO) == ANSWER_YES) {
        show_status(g_status_before);
        open_site();
    } else {
        show_status(t.update_declined);
        play_click(60);
    }
}

void finish(std::uint64_t number) {
    if (!g_download || g_download->number != number) return;  // stopped meanwhile
    kill_thread(g_download->thread);                           // it has returned; join it
    const HttpReply reply = std::move(g_download->reply);
    g_download.reset();
    report(reply);
    g_running = false;
}

void download_entry(std::intptr_t argument) {
    auto* download = reinterpret_cast<Download*>(argument);
    download->reply = http_get(download->url, download->options);
    if (stop_requested()) return;  // shutdown: nobody waits for the answer
    post_ui_task([number = download->number] { finish(number); });
}

}  // namespace

void configure_update_check(UpdateShell shell, UpdateConfig config) {
    g_shell = std::move(shell);
    g_config = std::move(config);
}

void check_for_update() {
    if (g_running) return;
    if (!network_started()) {
        show_status(texts().update_no_connection);
        return;
    }
    auto download = std::make_unique<Download>();
    download->url = update_url(g_config.site);
    download->options = g_config.http;
    download->options.cancelled = stop_requested;
    download->number = ++g_downloads;
    g_status_before = g_shell.status_text ? g_shell.status_text() : std::string();
    download->thread = start_thread(download_entry, reinterpret_cast<std::intptr_t>(download.get()));
    if (!download->thread) {
        show_status(texts().update_failed);
        return;
    }
    g_download = std::move(download);
    g_running = true;
    show_status(texts().update_checking);
}

bool update_check_running() { return g_running; }

void visit_website() { open_site(); }

void stop_update_check() {
    if (g_download) kill_thread(g_download->thread);
    g_download.reset();
    g_running = false;
}

}  // namespace pixmold
