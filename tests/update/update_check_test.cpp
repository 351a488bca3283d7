// The update check against a server of the test's own on 127.0.0.1, its
// answers arriving through the toolkit's event wait as in the program; the
// question box and the browser are recorded instead of shown.
#include "update/update_check.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/texts.h"
#include "loopback_http_server.h"
#include "toolkit/browser.h"
#include "toolkit/dialogs.h"
#include "toolkit/toolkit.h"

namespace pixmold {
namespace {

using namespace std::chrono_literals;
using test::answer;
using test::LoopbackHttpServer;

const std::string CHECKING = "Checking for updates...";
const std::string LATEST = "You have the latest version";
const std::string FAILED = "Unable to check for updates, try again later";
const std::string DECLINED = "User canceled";

class UpdateCheck : public ::testing::Test {
protected:
    LoopbackHttpServer server;
    std::string status = "Ready";  // the StatusLine
    std::vector<std::string> statuses;
    std::vector<int> clicks;

    void SetUp() override {
        test::bypass_proxies_for_loopback();
        ASSERT_TRUE(server.listening());
        ASSERT_TRUE(init_toolkit());
        ASSERT_TRUE(init_network());
        use_language("UK");
        configure();
    }

    void TearDown() override { stop_update_check(); }

    static void use_language(const char* lng) {
        load_interface_texts(language_from_word(lng), {1920, 1080, 1920}, "Pixmold ", " 1.7.0");
    }

    // Short time-outs, so the cases that wait for one end quickly.
    static HttpOptions quick() {
        HttpOptions options;
        options.connect_timeout_ms = 2000;
        options.total_timeout_ms = 1000;
        return options;
    }

    // A fresh check (no earlier reply) of the site `site`, by default this
    // test's server.
    void configure(HttpOptions http = quick(), std::string site = {}) {
        UpdateShell shell;
        shell.show_status = [this](const std::string& text) {
            status = text;
            statuses.push_back(text);
        };
        shell.status_text = [this] { return status; };
        shell.play_click = [this](int ms) { clicks.push_back(ms); };
        UpdateConfig config;
        config.site = site.empty() ? server.url("/") : site;
        config.running_version = " 1.7.0";
        config.http = http;
        configure_update_check(std::move(shell), std::move(config));
        statuses.clear();
        clicks.clear();
    }

    // Handles events until the check has ended (at most about 10 s).
    static void wait_until_done() {
        for (int i = 0; i < 200 && update_check_running(); ++i) wait_event(50);
        ASSERT_FALSE(update_check_running()) << "the check did not end";
    }

    void wait_for_connection() const {
        for (int i = 0; i < 200 && server.connections() == 0; ++i) wait_event(50);
        ASSERT_EQ(server.connections(), 1);
    }

    void run_check() {
        statuses.clear();
        clicks.clear();
        check_for_update();
        wait_until_done();
    }
};

TEST_F(UpdateCheck, PublishedVersionsComparedFieldByField) {
    struct Case {
        const char* body;
        const char* offered;  // nullptr: the running version is the latest
    };
    const Case cases[] = {
        {"1.7.0", nullptr}, {"1.6.9", nullptr},   {"1.7", nullptr},   {" 1.7.0\r\n", nullptr},
        {"1.7.1", "1.7.1"}, {"1.7.1\n", "1.7.1"}, {"1.10", "1.10"},   {"1.8", "1.8"},
        {"2.0.0", "2.0.0"}, {"1.7.0.1", "1.7.0.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        configure();
        server.serve("/maj.txt", answer(200, c.body));
        ScriptedDialogs dialogs;  // answers No
        run_check();
        if (c.offered) {
            ASSERT_EQ(dialogs.requests().size(), 1u);
            EXPECT_EQ(dialogs.requests()[0].kind, DialogKind::MessageBox);
            EXPECT_EQ(dialogs.requests()[0].title, "Update");
            EXPECT_EQ(dialogs.requests()[0].text, std::string("Version ") + c.offered +
                                                      " is available, you want to download it?\n"
                                                      "(Click Yes button to go to the download page)");
            EXPECT_EQ(dialogs.requests()[0].flags, MB_YES_NO);
            EXPECT_EQ(statuses, (std::vector<std::string>{CHECKING, DECLINED}));
        } else {
            EXPECT_TRUE(dialogs.requests().empty());
            EXPECT_EQ(statuses, (std::vector<std::string>{CHECKING, LATEST}));
        }
        EXPECT_EQ(clicks, std::vector<int>{60});
    }
    EXPECT_EQ(server.request_lines().front(), "GET /maj.txt HTTP/1.1");
}

TEST_F(UpdateCheck, YesOpensTheSiteNoSaysCancelled) {
    use_language("FR");
    configure();
    server.serve("/maj.txt", answer(200, "1.7.1\n"));
    {
        ScriptedDialogs dialogs;
        dialogs.answer_code(ANSWER_YES);
        RecordedUrls browser;
        run_check();
        ASSERT_EQ(dialogs.requests().size(), 1u);
        EXPECT_EQ(dialogs.requests()[0].title, "Mise à jour");
        EXPECT_EQ(dialogs.requests()[0].text,
                  "La version 1.7.1 est disponible, souhaitez vous la télécharger ?\n"
                  "(Cliquez sur Oui pour accéder à la page de téléchargement)");
        EXPECT_EQ(browser.urls(), std::vector<std::string>{server.url("/")});
        // The StatusLine shows again what it showed before the check.
        EXPECT_EQ(statuses, (std::vector<std::string>{"Recherche de mise à jour...", "Ready"}));
        EXPECT_TRUE(clicks.empty());
    }
    {
        ScriptedDialogs dialogs;
        dialogs.answer_code(ANSWER_NO);
        RecordedUrls browser;
        run_check();
        EXPECT_TRUE(browser.urls().empty());
        EXPECT_EQ(status, "Annulé par l'utilisateur");
        EXPECT_EQ(clicks, std::vector<int>{60});
    }
}

TEST_F(UpdateCheck, FailuresAreNeverReportedAsTheLatestVersion) {
    test::ClosedPort closed;
    LoopbackHttpServer ftp_target;
    struct Case {
        const char* name;
        test::ScriptedReply reply;
        std::string site;  // empty: this test's server
    };
    const Case cases[] = {
        {"404 page", answer(404, "<html><body>Not found</body></html>", "text/html"), {}},
        {"500", answer(500, "1.9.0"), {}},
        {"HTML page with 200", answer(200, "<html><body>Version 1.9</body></html>", "text/html"), {}},
        {"empty body", answer(200, ""), {}},
        {"blank body", answer(200, " \r\n"), {}},
        {"not only digits and dots", answer(200, "1.7.1-beta"), {}},
        {"body that never ends", test::endless_body(), {}},
        {"server that never answers", test::silent(), {}},
        {"redirection to ftp", test::redirect("ftp://127.0.0.1:" + std::to_string(ftp_target.port()) + "/"), {}},
        {"closed port", {}, closed.url("/")},
        {"name that cannot be resolved", {}, "http://pixmold.invalid/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        configure(quick(), c.site);
        server.serve("/maj.txt", c.reply);
        ScriptedDialogs dialogs;
        run_check();
        EXPECT_EQ(statuses, (std::vector<std::string>{CHECKING, FAILED}));
        EXPECT_TRUE(dialogs.requests().empty());
        EXPECT_TRUE(clicks.empty());
    }
    EXPECT_EQ(ftp_target.connections(), 0);

    use_language("FR");
    configure(quick(), closed.url());
    run_check();
    EXPECT_EQ(status, "Vérification impossible, réessayez plus tard");
}

TEST_F(UpdateCheck, RedirectionToAnotherPathIsFollowed) {
    server.serve("/maj.txt", test::redirect("/releases/current.txt"));
    server.serve("/releases/current.txt", answer(200, "2.0.0"));
    ScriptedDialogs dialogs;
    run_check();
    ASSERT_EQ(dialogs.requests().size(), 1u);
    EXPECT_EQ(dialogs.requests()[0].text.rfind("Version 2.0.0 is available", 0), 0u);
}

// Each check answers from its own reply: after one that offered 1.9.0, a
// check that gets no usable reply says that it failed, never 1.9.0 again.
TEST_F(UpdateCheck, AFailedCheckNeverRepeatsAnEarlierAnswer) {
    struct Case {
        const char* name;
        std::optional<test::ScriptedReply> reply;  // none: the server is gone
    };
    const Case cases[] = {
        {"404 page", answer(404, "<html><body>Not found</body></html>", "text/html")},
        {"empty reply", answer(200, "")},
        {"unparsable version", answer(200, "1.9.x")},
        {"server that never answers", test::silent()},
        {"no server at all", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto site = std::make_unique<LoopbackHttpServer>();
        configure(quick(), site->url("/"));
        site->serve("/maj.txt", answer(200, "1.9.0"));
        ScriptedDialogs dialogs;
        run_check();
        ASSERT_EQ(dialogs.requests().size(), 1u);
        EXPECT_EQ(dialogs.requests()[0].text.rfind("Version 1.9.0 is available", 0), 0u);

        if (c.reply)
            site->serve("/maj.txt", *c.reply);
        else
            site.reset();
        run_check();
        EXPECT_EQ(statuses, (std::vector<std::string>{CHECKING, FAILED}));
        EXPECT_EQ(dialogs.requests().size(), 1u);
        EXPECT_TRUE(clicks.empty());
    }
}

TEST_F(UpdateCheck, WithoutTheNetworkNothingIsTried) {
    server.serve("/maj.txt", answer(200, "1.7.1"));
    release_network();
    check_for_update();
    EXPECT_FALSE(update_check_running());
    EXPECT_EQ(statuses, std::vector<std::string>{"No internet connection is available."});
    use_language("FR");
    check_for_update();
    EXPECT_EQ(status, "Aucune connexion internet n'est disponible.");
    wait_event(100);
    EXPECT_EQ(server.connections(), 0);
    EXPECT_TRUE(clicks.empty());
    EXPECT_TRUE(init_network());
}

TEST_F(UpdateCheck, EventsKeepComingWhileTheReplyIsAwaited) {
    server.serve("/maj.txt", test::held(answer(200, "1.7.0")));
    check_for_update();
    EXPECT_TRUE(update_check_running());
    EXPECT_EQ(status, CHECKING);
    wait_for_connection();

    post_close_request(7);
    EXPECT_EQ(wait_event(5000), EventKind::CloseRequest);
    EXPECT_EQ(event_window(), 7);
    EXPECT_TRUE(update_check_running());

    // A second request while the first runs is ignored.
    check_for_update();
    EXPECT_EQ(statuses, std::vector<std::string>{CHECKING});

    server.release_held();
    wait_until_done();
    EXPECT_EQ(statuses, (std::vector<std::string>{CHECKING, LATEST}));
    EXPECT_EQ(server.connections(), 1);
}

TEST_F(UpdateCheck, StoppingAbortsAQuietDownloadAndShowsNothing) {
    HttpOptions patient;
    patient.total_timeout_ms = 600'000;  // only the abort can end it in time
    configure(patient);
    server.serve("/maj.txt", test::silent());
    ScriptedDialogs dialogs;
    check_for_update();
    wait_for_connection();

    auto stopped = std::async(std::launch::async, [] { stop_update_check(); });
    if (stopped.wait_for(10s) != std::future_status::ready) {
        std::fprintf(stderr, "stop_update_check still waiting after 10 s\n");
        std::abort();
    }
    EXPECT_FALSE(update_check_running());
    wait_event(200);
    EXPECT_EQ(statuses, std::vector<std::string>{CHECKING});
    EXPECT_TRUE(dialogs.requests().empty());

    // A new check can start afterwards.
    server.serve("/maj.txt", answer(200, "1.7.0"));
    configure();
    run_check();
    EXPECT_EQ(status, LATEST);
}

TEST_F(UpdateCheck, VisitOpensTheSite) {
    configure(quick(), "http://mirror.example/pixmold/");
    {
        RecordedUrls browser;
        visit_website();
        EXPECT_EQ(browser.urls(), std::vector<std::string>{"http://mirror.example/pixmold/"});
        EXPECT_TRUE(statuses.empty());
    }
    {
        RecordedUrls no_browser(false);
        visit_website();
        EXPECT_EQ(statuses, std::vector<std::string>{"No web browser to open http://mirror.example/pixmold/"});
    }
    EXPECT_EQ(server.connections(), 0);
}

// Yes with no browser to open the site must not look as if it went there.
TEST_F(UpdateCheck, YesWithoutABrowserSaysSo) {
    server.serve("/maj.txt", answer(200, "1.8"));
    ScriptedDialogs dialogs;
    dialogs.answer_code(ANSWER_YES);
    RecordedUrls no_browser(false);
    run_check();
    EXPECT_EQ(status, "No web browser to open " + server.url("/"));
}

}  // namespace
}  // namespace pixmold
