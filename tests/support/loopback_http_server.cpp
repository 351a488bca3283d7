#include "loopback_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace pixmold::test {
namespace {

const char* reason(int status) {
    switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

int bound_loopback_socket(int& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

std::string header_value(const std::string& request, const std::string& name) {
    std::size_t at = 0;
    while ((at = request.find("\r\n", at)) != std::string::npos) {
        at += 2;
        if (request.compare(at, name.size(), name) == 0 && request.compare(at + name.size(), 1, ":") == 0) {
            std::size_t start = request.find_first_not_of(' ', at + name.size() + 1);
            return request.substr(start, request.find("\r\n", start) - start);
        }
    }
    return {};
}

}  // namespace

ScriptedReply answer(int status, std::string body, std::string content_type) {
    ScriptedReply r;
    r.status = status;
    r.body = std::move(body);
    r.content_type = std::move(content_type);
    return r;
}

ScriptedReply redirect(std::string location) {
    ScriptedReply r;
    r.kind = ScriptedReply::Kind::Redirect;
    r.status = 302;
    r.location = std::move(location);
    return r;
}

ScriptedReply endless_body() {
    ScriptedReply r;
    r.kind = ScriptedReply::Kind::EndlessBody;
    return r;
}

ScriptedReply silent() {
    ScriptedReply r;
    r.kind = ScriptedReply::Kind::Silent;
    return r;
}

ScriptedReply held(ScriptedReply reply) {
    reply.kind = ScriptedReply::Kind::Held;
    return reply;
}

LoopbackHttpServer::LoopbackHttpServer() {
    if (::pipe2(stop_pipe_, O_CLOEXEC) != 0 || ::pipe2(release_pipe_, O_CLOEXEC) != 0) return;
    int fd = bound_loopback_socket(port_);
    if (fd < 0) return;
    if (::listen(fd, 16) != 0) {
        ::close(fd);
        return;
    }
    listen_fd_ = fd;
    acceptor_ = std::thread([this] { accept_loop(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    // The byte stays unread, so every wait sees the stop.
    if (stop_pipe_[1] >= 0) {
        [[maybe_unused]] auto ignored = ::write(stop_pipe_[1], "x", 1);
    }
    if (acceptor_.joinable()) acceptor_.join();
    for (std::thread& t : handlers_) t.join();
    for (int fd : {listen_fd_, stop_pipe_[0], stop_pipe_[1], release_pipe_[0], release_pipe_[1]})
        if (fd >= 0) ::close(fd);
}

std::string LoopbackHttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LoopbackHttpServer::serve(const std::string& path, ScriptedReply reply) {
    std::lock_guard guard(lock_);
    replies_[path] = std::move(reply);
}

void LoopbackHttpServer::release_held() {
    [[maybe_unused]] auto ignored = ::write(release_pipe_[1], "x", 1);
}

std::vector<std::string> LoopbackHttpServer::request_lines() const {
    std::lock_guard guard(lock_);
    return request_lines_;
}

std::vector<std::string> LoopbackHttpServer::user_agents() const {
    std::lock_guard guard(lock_);
    return user_agents_;
}

bool LoopbackHttpServer::wait_for(int fd, short events, int extra_fd) const {
    pollfd fds[3] = {{stop_pipe_[0], POLLIN, 0}, {fd, events, 0}, {extra_fd, POLLIN, 0}};
    for (;;) {
        int n = ::poll(fds, extra_fd >= 0 ? 3 : 2, -1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || fds[0].revents) return false;
        return true;
    }
}

bool LoopbackHttpServer::send_all(int fd, const std::string& bytes) const {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (!wait_for(fd, POLLOUT)) return false;
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void LoopbackHttpServer::accept_loop() {
    for (;;) {
        if (!wait_for(listen_fd_, POLLIN)) return;
        int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ++connections_;
        std::lock_guard guard(lock_);
        handlers_.emplace_back([this, fd] {
            handle(fd);
            ::close(fd);
        });
    }
}

void LoopbackHttpServer::handle(int fd) {
    std::string request;
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
        if (!wait_for(fd, POLLIN)) return;
        char buffer[2048];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    const std::string line = request.substr(0, request.find("\r\n"));
    const std::size_t path_start = line.find(' ') + 1;
    const std::string path = line.substr(path_start, line.find(' ', path_start) - path_start);
    ScriptedReply reply = answer(404, "<html><body>Not found</body></html>", "text/html");
    {
        std::lock_guard guard(lock_);
        request_lines_.push_back(line);
        user_agents_.push_back(header_value(request, "User-Agent"));
        if (auto it = replies_.find(path); it != replies_.end()) reply = it->second;
    }

    using Kind = ScriptedReply::Kind;
    if (reply.kind == Kind::Silent) {
        wait_for(-1, 0);
        return;
    }
    if (reply.kind == Kind::Held) {
        // Readable once released; the client may hang up meanwhile.
        pollfd fds[2] = {{stop_pipe_[0], POLLIN, 0}, {release_pipe_[0], POLLIN, 0}};
        while (::poll(fds, 2, -1) < 0 && errno == EINTR) {
        }
        if (fds[0].revents) return;
    }
    std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + reason(reply.status) + "\r\n";
    head += "Connection: close\r\n";
    if (reply.kind == Kind::Redirect) {
        head += "Location: " + reply.location + "\r\nContent-Length: 0\r\n\r\n";
        send_all(fd, head);
        return;
    }
    head += "Content-Type: " + reply.content_type + "\r\n";
    if (reply.kind == Kind::EndlessBody) {
        if (!send_all(fd, head + "\r\n")) return;
        const std::string chunk(4096, '7');
        while (send_all(fd, chunk)) {
        }
        return;
    }
    if (reply.send_length) head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    send_all(fd, head + "\r\n" + reply.body);
}

ClosedPort::ClosedPort() { fd_ = bound_loopback_socket(port_); }

ClosedPort::~ClosedPort() {
    if (fd_ >= 0) ::close(fd_);
}

std::string ClosedPort::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void bypass_proxies_for_loopback() {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        ::unsetenv(name);
}

}  // namespace pixmold::test
