// The download against a server of the test's own on 127.0.0.1: what comes
// back, what counts as a failure, and that nothing can make it run for ever.
#include "platform/http_download.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>

#include "loopback_http_server.h"

namespace pixmold {
namespace {

using namespace std::chrono_literals;
using test::answer;
using test::ClosedPort;
using test::LoopbackHttpServer;
using test::redirect;

class HttpDownload : public ::testing::Test {
protected:
    LoopbackHttpServer server;

    void SetUp() override {
        test::bypass_proxies_for_loopback();
        ASSERT_TRUE(server.listening());
        ASSERT_TRUE(init_network());
    }

    // Short time-outs, so a case that waits for one ends quickly.
    static HttpOptions quick() {
        HttpOptions options;
        options.connect_timeout_ms = 2000;
        options.total_timeout_ms = 1000;
        return options;
    }

    // Runs http_get on another thread; a download that never ends fails
    // the test instead of hanging it.
    static HttpReply bounded_get(const std::string& url, const HttpOptions& options) {
        auto reply = std::async(std::launch::async, [url, options] { return http_get(url, options); });
        if (reply.wait_for(10s) != std::future_status::ready) {
            // The thread cannot be abandoned safely: end the whole run.
            std::fprintf(stderr, "http_get still running after 10 s: %s\n", url.c_str());
            std::abort();
        }
        return reply.get();
    }
};

TEST_F(HttpDownload, BodyComesBackByteForByteWithTheUserAgent) {
    server.serve("/maj.txt", answer(200, "1.7.1\n"));
    server.serve("/bytes", answer(200, std::string("a\0b\xff\r\n", 6), "application/octet-stream"));
    server.serve("/empty", answer(200, ""));

    HttpReply reply = http_get(server.url("/maj.txt"));
    EXPECT_EQ(reply.outcome, HttpOutcome::Ok);
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body.size(), 6u);
    EXPECT_EQ(reply.body, "1.7.1\n");

    reply = http_get(server.url("/bytes"));
    EXPECT_EQ(reply.body, std::string("a\0b\xff\r\n", 6));

    reply = http_get(server.url("/empty"));
    EXPECT_TRUE(reply.ok());
    EXPECT_EQ(reply.body, "");

    ASSERT_EQ(server.user_agents().size(), 3u);
    for (const std::string& agent : server.user_agents()) EXPECT_EQ(agent, "Mozilla/5.0 Gecko/41.0 Firefox/41.0");
    EXPECT_EQ(server.request_lines()[0], "GET /maj.txt HTTP/1.1");
}

TEST_F(HttpDownload, RedirectionsLeadToTheFinalBody) {
    server.serve("/maj.txt", redirect("/moved/maj.txt"));
    server.serve("/moved/maj.txt", redirect(server.url("/final.txt")));
    server.serve("/final.txt", answer(200, "2.0.0"));
    HttpReply reply = http_get(server.url("/maj.txt"));
    EXPECT_EQ(reply.outcome, HttpOutcome::Ok);
    EXPECT_EQ(reply.body, "2.0.0");
    EXPECT_EQ(server.request_lines().size(), 3u);

    // A redirection loop ends as a failure, not as an endless chase.
    server.serve("/loop", redirect("/loop"));
    reply = bounded_get(server.url("/loop"), quick());
    EXPECT_EQ(reply.outcome, HttpOutcome::Failed);
}

TEST_F(HttpDownload, ErrorStatusIsNoSuccessButKeepsThePage) {
    server.serve("/maj.txt", answer(404, "<html><body>Not here</body></html>", "text/html"));
    server.serve("/broken", answer(500, "oops"));
    server.serve("/page", answer(200, "<html><body>1.9</body></html>", "text/html"));

    HttpReply reply = http_get(server.url("/maj.txt"));
    EXPECT_EQ(reply.outcome, HttpOutcome::ErrorStatus);
    EXPECT_FALSE(reply.ok());
    EXPECT_EQ(reply.status, 404);
    EXPECT_EQ(reply.body, "<html><body>Not here</body></html>");

    EXPECT_EQ(http_get(server.url("/broken")).outcome, HttpOutcome::ErrorStatus);
    // Status 200 is a success whatever the body; what it means is the caller's business.
    EXPECT_EQ(http_get(server.url("/page")).outcome, HttpOutcome::Ok);
}

TEST_F(HttpDownload, OnlyTheWebIsReachedEvenThroughRedirections) {
    LoopbackHttpServer other;  // would see a connection if another protocol were tried
    ASSERT_TRUE(other.listening());
    const std::string ftp = "ftp://127.0.0.1:" + std::to_string(other.port()) + "/maj.txt";
    server.serve("/to-ftp", redirect(ftp));
    server.serve("/to-file", redirect("file:///etc/hostname"));

    EXPECT_EQ(bounded_get(ftp, quick()).outcome, HttpOutcome::Failed);
    EXPECT_EQ(bounded_get(server.url("/to-ftp"), quick()).outcome, HttpOutcome::Failed);
    EXPECT_EQ(bounded_get(server.url("/to-file"), quick()).outcome, HttpOutcome::Failed);
    EXPECT_EQ(bounded_get("file:///etc/hostname", quick()).outcome, HttpOutcome::Failed);
    EXPECT_EQ(other.connections(), 0);
}

TEST_F(HttpDownload, BodiesBeyondTheLimitAreRefused) {
    server.serve("/limit", answer(200, std::string(64 * 1024, '1')));
    server.serve("/over", answer(200, std::string(64 * 1024 + 1, '1')));
    test::ScriptedReply unannounced = answer(200, std::string(200 * 1024, '1'));
    unannounced.send_length = false;  // only the bytes themselves tell
    server.serve("/unannounced", unannounced);
    server.serve("/endless", test::endless_body());

    HttpReply reply = http_get(server.url("/limit"));
    EXPECT_EQ(reply.outcome, HttpOutcome::Ok);
    EXPECT_EQ(reply.body.size(), 64u * 1024);

    reply = http_get(server.url("/over"));
    EXPECT_EQ(reply.outcome, HttpOutcome::TooLarge);
    EXPECT_TRUE(reply.body.empty());
    EXPECT_EQ(bounded_get(server.url("/unannounced"), quick()).outcome, HttpOutcome::TooLarge);
    // Ends on the size, long before the time-out.
    HttpOptions patient = quick();
    patient.total_timeout_ms = 60'000;
    EXPECT_EQ(bounded_get(server.url("/endless"), patient).outcome, HttpOutcome::TooLarge);

    // The limit is the caller's: a larger one lets the bigger body through,
    // growing the buffer as it comes.
    HttpOptions roomy;
    roomy.max_body = 1 << 20;
    reply = http_get(server.url("/unannounced"), roomy);
    EXPECT_EQ(reply.outcome, HttpOutcome::Ok);
    EXPECT_EQ(reply.body, std::string(200 * 1024, '1'));
}

TEST_F(HttpDownload, UnreachableServersFail) {
    ClosedPort closed;
    EXPECT_EQ(bounded_get(closed.url("/maj.txt"), quick()).outcome, HttpOutcome::Failed);

    // A reserved name that never resolves (whether the lookup is refused at
    // once or has to time out).
    HttpReply reply = bounded_get("http://pixmold.invalid/maj.txt", quick());
    EXPECT_TRUE(reply.outcome == HttpOutcome::Failed || reply.outcome == HttpOutcome::TimedOut)
        << static_cast<int>(reply.outcome);
    EXPECT_EQ(reply.status, 0);

    EXPECT_EQ(bounded_get("not a web address", quick()).outcome, HttpOutcome::Failed);
}

TEST_F(HttpDownload, ServerThatNeverAnswersTimesOut) {
    server.serve("/maj.txt", test::silent());
    HttpReply reply = bounded_get(server.url("/maj.txt"), quick());
    EXPECT_EQ(reply.outcome, HttpOutcome::TimedOut);
    EXPECT_EQ(server.connections(), 1);
}

std::atomic<bool> stop_now{false};
bool stop_flag() { return stop_now.load(); }

TEST_F(HttpDownload, CallerCanAbortAQuietTransfer) {
    server.serve("/maj.txt", test::silent());
    HttpOptions options;  // the full 30 s: only the abort can end it sooner
    options.cancelled = stop_flag;
    stop_now = false;
    auto reply = std::async(std::launch::async, [&] { return http_get(server.url("/maj.txt"), options); });
    while (server.connections() == 0) std::this_thread::sleep_for(10ms);
    stop_now = true;
    ASSERT_EQ(reply.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(reply.get().outcome, HttpOutcome::Cancelled);

    // Already aborted: nothing is tried.
    EXPECT_EQ(http_get(server.url("/maj.txt"), options).outcome, HttpOutcome::Cancelled);
    EXPECT_EQ(server.connections(), 1);
    stop_now = false;
}

TEST_F(HttpDownload, NothingIsTriedBeforeTheNetworkStarts) {
    server.serve("/maj.txt", answer(200, "1.7.1"));
    release_network();
    EXPECT_FALSE(network_started());
    EXPECT_EQ(http_get(server.url("/maj.txt")).outcome, HttpOutcome::NotStarted);
    EXPECT_EQ(server.connections(), 0);

    EXPECT_TRUE(init_network());
    EXPECT_TRUE(init_network());  // a second start changes nothing
    EXPECT_TRUE(network_started());
    EXPECT_EQ(http_get(server.url("/maj.txt")).body, "1.7.1");
}

}  // namespace
}  // namespace pixmold
