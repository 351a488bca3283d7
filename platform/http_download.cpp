#include "platform/http_download.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <new>

namespace pixmold {
namespace {

std::mutex network_lock;
std::atomic<bool> started{false};

// The body buffer starts this large (or at the body limit, when smaller) and
// grows by the chunk plus this much, so a small reply needs one allocation.
constexpr std::size_t BUFFER_STEP = 0x80000;

struct Transfer {
    std::string body;
    std::size_t max_body = 0;
    bool too_large = false;
    bool (*cancelled)() = nullptr;
};

std::size_t append_chunk(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t length = size * count;
    std::string& body = transfer->body;
    if (length > transfer->max_body - body.size()) {
        transfer->too_large = true;
        return 0;  // libcurl aborts the transfer
    }
    try {
        if (body.size() + length > body.capacity()) body.reserve(body.capacity() + length + BUFFER_STEP);
        body.append(data, length);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return length;
}

int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<Transfer*>(user);
    return transfer->cancelled && transfer->cancelled() ? 1 : 0;
}

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

HttpOutcome outcome_of(CURLcode code, const Transfer& transfer, long status) {
    switch (code) {
    case CURLE_OK: return status >= 400 ? HttpOutcome::ErrorStatus : HttpOutcome::Ok;
    case CURLE_OPERATION_TIMEDOUT: return HttpOutcome::TimedOut;
    case CURLE_FILESIZE_EXCEEDED: return HttpOutcome::TooLarge;
    case CURLE_ABORTED_BY_CALLBACK: return HttpOutcome::Cancelled;
    case CURLE_WRITE_ERROR: return transfer.too_large ? HttpOutcome::TooLarge : HttpOutcome::Failed;
    default: return HttpOutcome::Failed;
    }
}

}  // namespace

bool init_network() {
    std::lock_guard lock(network_lock);
    if (started) return true;
    started = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return started;
}

void release_network() {
    std::lock_guard lock(network_lock);
    if (!started) return;
    curl_global_cleanup();
    started = false;
}

bool network_started() { return started; }

HttpReply http_get(const std::string& url, const HttpOptions& options) {
    HttpReply reply;
    if (!started) {
        reply.outcome = HttpOutcome::NotStarted;
        return reply;
    }
    if (options.cancelled && options.cancelled()) {
        reply.outcome = HttpOutcome::Cancelled;
        return reply;
    }
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) return reply;

    Transfer transfer;
    transfer.max_body = options.max_body;
    transfer.cancelled = options.cancelled;
    try {
        transfer.body.reserve(std::min(BUFFER_STEP, options.max_body));
    } catch (const std::bad_alloc&) {
        return reply;
    }

    CURL* h = easy.get();
    bool set = curl_easy_setopt(h, CURLOPT_URL, url.c_str()) == CURLE_OK;
    // Anything but the web (file:, ftp:, ...) is refused, also as a redirection target.
    set = set && curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
    set = set && curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
    if (!set) return reply;
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, HTTP_USER_AGENT);
    // Signals would reach other threads of the program; the name lookup runs on a thread of its own.
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, options.connect_timeout_ms);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, options.total_timeout_ms);
    const auto limit = std::min<std::uintmax_t>(options.max_body, std::numeric_limits<curl_off_t>::max());
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limit));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, append_chunk);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);

    const CURLcode code = curl_easy_perform(h);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &reply.status);
    reply.outcome = outcome_of(code, transfer, reply.status);
    if (reply.outcome == HttpOutcome::Ok || reply.outcome == HttpOutcome::ErrorStatus) {
        reply.body = std::move(transfer.body);
        reply.body.shrink_to_fit();
    }
    return reply;
}

}  // namespace pixmold
