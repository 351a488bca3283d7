// Fetching the body of a web address into memory, over libcurl. No Qt:
// the download runs on whatever thread calls http_get.
//
// The network library is started once at start-up and released at the end,
// on the user-interface thread, while no download runs.
#pragma once

#include <cstddef>
#include <string>

namespace pixmold {

// Starts the network library. True on success; while it is started, further
// calls return true without doing anything.
bool init_network();
// Releases the network library (nothing when it is not started). No download
// may be running.
void release_network();
bool network_started();

// The user agent every request sends.
inline constexpr const char* HTTP_USER_AGENT = "Mozilla/5.0 Gecko/41.0 Firefox/41.0";

struct HttpOptions {
    long connect_timeout_ms = 10'000;  // name lookup and connection
    long total_timeout_ms = 30'000;    // the whole transfer, redirections included
    std::size_t max_body = 64 * 1024;  // a longer body aborts the transfer
    // Polled during the transfer (at least about once a second, however
    // quiet the server); returning true aborts it. May be empty.
    bool (*cancelled)() = nullptr;
};

enum class HttpOutcome {
    Ok,           // status below 400; body holds the whole reply body
    NotStarted,   // init_network was not called or failed: nothing was tried
    Failed,       // bad or refused address, unknown host, connection or protocol error
    TimedOut,
    ErrorStatus,  // the server answered with status 400 or more; body holds its page
    TooLarge,     // the body passed max_body
    Cancelled,
};

struct HttpReply {
    HttpOutcome outcome = HttpOutcome::Failed;
    long status = 0;   // HTTP status of the final answer, 0 when there was none
    std::string body;  // the body's bytes, exactly
    bool ok() const { return outcome == HttpOutcome::Ok; }
};

// GET `url`, following redirections. Only http and https are used, for the
// address itself and for every redirection.
HttpReply http_get(const std::string& url, const HttpOptions& options = {});

}  // namespace pixmold
