// The online menu of the real main window, against a server of the test's
// own named by PIXMOLD_SITE: keys and menu entries travel through the
// toolkit's queue to the handlers, as in the running program.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "app/artwork.h"
#include "app/event_loop.h"
#include "app/main_window.h"
#include "app/online.h"
#include "app/shell_state.h"
#include "app/startup.h"
#include "app/window_layout.h"
#include "app/window_settings.h"
#include "core/texts.h"
#include "image/codec.h"
#include "image/image.h"
#include "loopback_http_server.h"
#include "toolkit/browser.h"
#include "toolkit/dialogs.h"
#include "platform/http_download.h"
#include "toolkit/input_simulation.h"
#include "toolkit/toolkit.h"
#include "temp_dir.h"
#include "update/update_check.h"
#include "core/version.h"

namespace pixmold {
namespace {

using namespace std::chrono_literals;
using test::answer;

class OnlineMenu : public ::testing::Test {
protected:
    test::TempDir dir;
    test::LoopbackHttpServer server;

    static void SetUpTestSuite() {
        ASSERT_TRUE(init_toolkit());
        init_image_engine();
        register_all_codecs();
        create_interface_fonts(96);
        decode_embedded_pictures();
    }

    void start(const std::string& lng) {
        test::bypass_proxies_for_loopback();
        ASSERT_TRUE(server.listening());
        ::setenv("PIXMOLD_SITE", server.url("/").c_str(), 1);
        start_online();
        ASSERT_TRUE(network_started());
        shell.quit_requested = 0;
        load_window_settings(dir.file("pref.vrn"), 1920, 1080);
        settings.language = language_from_word(lng);
        load_interface_texts(settings.language, {1920, 1080, 1920}, shell.product_name, shell.version);
        build_main_window();
        pump();
    }

    void TearDown() override {
        stop_online();
        ::unsetenv("PIXMOLD_SITE");
        pump();
        close_window(MAIN_WINDOW);
    }

    // Runs the queued events through the loop's dispatch.
    static void dispatch(EventKind kind) {
        if (kind == EventKind::MenuCommand) handle_menu_command(event_command());
        if (kind == EventKind::WidgetEvent)
            handle_widget_event(event_widget(), event_subkind(), event_x(), event_y());
    }
    static void pump() {
        for (EventKind kind; (kind = wait_event(30)) != EventKind::None;) dispatch(kind);
    }
    // Handles events until the running check has ended (at most about 10 s).
    static void pump_until_checked() {
        // The key only queues its command: the check starts when that is handled.
        pump();
        for (int i = 0; i < 200 && update_check_running(); ++i) dispatch(wait_event(50));
        ASSERT_FALSE(update_check_running());
        pump();
    }
    static std::string status_line() { return get_text(W_STATUS_LINE); }
};

TEST_F(OnlineMenu, UpdateKeyIsUInEnglish) {
    start("UK");
    server.serve("/maj.txt", answer(200, std::string(kVersion) + "\n"));
    simulate_key(MAIN_WINDOW, 'M');
    pump();
    EXPECT_FALSE(update_check_running());
    EXPECT_EQ(server.connections(), 0);

    simulate_key(MAIN_WINDOW, 'U');
    pump();
    EXPECT_TRUE(update_check_running() || server.connections() == 1);
    pump_until_checked();
    EXPECT_EQ(status_line(), "You have the latest version");
    EXPECT_EQ(server.request_lines(), std::vector<std::string>{"GET /maj.txt HTTP/1.1"});
}

TEST_F(OnlineMenu, UpdateKeyIsMInFrench) {
    start("FR");
    server.serve("/maj.txt", answer(200, kVersion));
    simulate_key(MAIN_WINDOW, 'U');
    pump();
    EXPECT_EQ(server.connections(), 0);
    simulate_key(MAIN_WINDOW, 'M');
    pump_until_checked();
    EXPECT_EQ(status_line(), "Vous avez la dernière version");
    EXPECT_EQ(server.connections(), 1);
}

TEST_F(OnlineMenu, YesOnTheMenuEntryOpensTheSite) {
    start("UK");
    server.serve("/maj.txt", answer(200, "1.8"));
    ScriptedDialogs dialogs;
    dialogs.answer_code(ANSWER_YES);
    dialogs.answer_code(ANSWER_NO);
    RecordedUrls browser;
    trigger_menu_item(MAIN_WINDOW, CMD_CHECK_UPDATE);
    pump_until_checked();
    ASSERT_EQ(dialogs.requests().size(), 1u);
    EXPECT_EQ(dialogs.requests()[0].title, "Update");
    EXPECT_EQ(browser.urls(), std::vector<std::string>{server.url("/")});

    trigger_menu_item(MAIN_WINDOW, CMD_CHECK_UPDATE);
    pump_until_checked();
    EXPECT_EQ(status_line(), "User canceled");
    EXPECT_EQ(browser.urls().size(), 1u);
}

TEST_F(OnlineMenu, VisitKeyAndEntryOpenTheSite) {
    start("FR");
    RecordedUrls browser(false);  // as without a browser: nothing else happens
    simulate_key(MAIN_WINDOW, 'V');
    trigger_menu_item(MAIN_WINDOW, CMD_VISIT_WEBSITE);
    pump();
    EXPECT_EQ(browser.urls(), (std::vector<std::string>{server.url("/"), server.url("/")}));
    EXPECT_EQ(server.connections(), 0);
    EXPECT_FALSE(shell.quit_requested);
}

TEST_F(OnlineMenu, WindowAnswersWhileASlowReplyIsAwaited) {
    start("UK");
    server.serve("/maj.txt", test::held(answer(200, kVersion)));
    simulate_key(MAIN_WINDOW, 'U');
    pump();
    ASSERT_TRUE(update_check_running());
    EXPECT_EQ(status_line(), "Checking for updates...");

    // Other commands run meanwhile: the About key fills the InfoPanel.
    simulate_key(MAIN_WINDOW, 'A');
    pump();
    EXPECT_EQ(get_text(W_INFO_PANEL).rfind("Pixmold " + shown_version(), 0), 0u);
    EXPECT_TRUE(update_check_running());
    // Pressing the update key again changes nothing.
    simulate_key(MAIN_WINDOW, 'U');
    pump();
    EXPECT_EQ(status_line(), "Checking for updates...");

    server.release_held();
    pump_until_checked();
    EXPECT_EQ(status_line(), "You have the latest version");
    EXPECT_EQ(server.connections(), 1);
}

TEST_F(OnlineMenu, TheLoopEndsWhileTheReplyIsStillAwaited) {
    start("UK");
    server.serve("/maj.txt", test::held(answer(200, "1.7.1")));
    ScriptedDialogs dialogs;
    std::atomic<bool> loop_ended{false};
    // Closes the window once the download has begun. Should the loop be
    // stuck in the download instead, the reply goes out after 10 s and the
    // check below fails.
    std::thread user([&] {
        for (int i = 0; i < 1000 && server.connections() == 0; ++i) std::this_thread::sleep_for(10ms);
        post_close_request(MAIN_WINDOW);
        for (int i = 0; i < 1000 && !loop_ended; ++i) std::this_thread::sleep_for(10ms);
        server.release_held();
    });
    simulate_key(MAIN_WINDOW, 'U');
    run_event_loop();
    loop_ended = true;
    user.join();
    EXPECT_EQ(shell.quit_requested, 1);
    EXPECT_TRUE(update_check_running());  // still waiting for its reply
    EXPECT_EQ(status_line(), "Checking for updates...");
}

// What a menu entry or a key visibly does to a freshly built window: the
// Exit, About, update and visit commands each leave a different trace.
struct Trace {
    int quit = 0;
    std::string info_panel;
    std::string status;
    std::vector<std::string> opened;
    int requests = 0;
    bool operator==(const Trace&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Trace& t) {
    return out << "quit " << t.quit << ", info \"" << t.info_panel.substr(0, 30) << "\", status \"" << t.status
               << "\", " << t.opened.size() << " opened, " << t.requests << " requests";
}

// Every key hint of the menus names the key that runs its entry, in both
// languages: the entry chosen in the menu and its hinted key pressed on a
// fresh window leave the same trace, and a trace there is.
TEST_F(OnlineMenu, EveryKeyHintRunsItsEntry) {
    server.serve("/maj.txt", answer(200, kVersion));
    const auto trace_of = [this](const std::string& lng, const std::function<void()>& act) {
        start(lng);
        const int requests_before = server.connections();
        RecordedUrls browser;
        act();
        pump_until_checked();
        Trace t{shell.quit_requested, get_text(W_INFO_PANEL), status_line(), browser.urls(),
                server.connections() - requests_before};
        stop_online();
        close_window(MAIN_WINDOW);
        return t;
    };
    const int entries[] = {CMD_ADJUST_TO_DESKTOP, CMD_OPEN_RELATIVE, CMD_OPEN_FREE,       CMD_EXIT,
                           CMD_ABOUT,             CMD_HELP_RESIZE,   CMD_HELP_FORMAT,     CMD_HELP_RESOLUTION,
                           CMD_HELP_CROP,         CMD_CHECK_UPDATE,  CMD_VISIT_WEBSITE};
    for (const char* lng : {"FR", "UK"}) {
        const Trace untouched = trace_of(lng, [] {});
        int hinted = 0;
        for (const int entry : entries) {
            start(lng);
            const std::string text = menu_item_text(MAIN_WINDOW, entry);
            stop_online();
            close_window(MAIN_WINDOW);
            const std::size_t tab = text.find('\t');
            if (tab == std::string::npos) continue;
            SCOPED_TRACE(std::string(lng) + ": " + text);
            ++hinted;
            const std::string hint = text.substr(tab + 1);
            ASSERT_EQ(hint.size(), 1u);
            const Trace by_menu = trace_of(lng, [entry] { trigger_menu_item(MAIN_WINDOW, entry); });
            const Trace by_key = trace_of(lng, [&hint] { simulate_key(MAIN_WINDOW, hint[0]); });
            EXPECT_NE(by_menu, untouched);
            EXPECT_EQ(by_key, by_menu);
        }
        EXPECT_EQ(hinted, 4) << lng;  // Exit, About, the update check and the visit
    }
}

TEST_F(OnlineMenu, FailureShowsTheFailureText) {
    start("FR");
    server.serve("/maj.txt", answer(404, "<html><body>404</body></html>", "text/html"));
    simulate_key(MAIN_WINDOW, 'M');
    pump_until_checked();
    EXPECT_EQ(status_line(), "Vérification impossible, réessayez plus tard");
}

}  // namespace
}  // namespace pixmold
