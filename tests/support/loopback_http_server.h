// A small HTTP server on 127.0.0.1 for tests of the download: it listens on
// a port the system picks and answers each path with a scripted reply, on a
// thread per connection, until it is destroyed.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pixmold::test {

struct ScriptedReply {
    enum class Kind {
        Answer,       // status line, headers with the length, body, close
        Redirect,     // 302 to `location`
        EndlessBody,  // status 200, no length, body bytes until the client leaves
        Silent,       // reads the request and never answers
        Held,         // answers as Answer once release_held() was called
    };
    Kind kind = Kind::Answer;
    int status = 200;
    std::string body;
    std::string content_type = "text/plain";
    std::string location;
    bool send_length = true;  // Content-Length header (Answer, Held)
};

ScriptedReply answer(int status, std::string body, std::string content_type = "text/plain");
ScriptedReply redirect(std::string location);
ScriptedReply endless_body();
ScriptedReply silent();
ScriptedReply held(ScriptedReply reply);

class LoopbackHttpServer {
public:
    LoopbackHttpServer();
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    bool listening() const { return listen_fd_ >= 0; }
    int port() const { return port_; }
    // "http://127.0.0.1:<port>" + path.
    std::string url(const std::string& path = "") const;

    // Paths without a reply get a 404 page.
    void serve(const std::string& path, ScriptedReply reply);
    // Lets every Held reply (waiting or to come) go out.
    void release_held();

    int connections() const { return connections_; }
    // The request lines and User-Agent values received so far.
    std::vector<std::string> request_lines() const;
    std::vector<std::string> user_agents() const;

private:
    void accept_loop();
    void handle(int fd);
    // Waits until `fd` is ready for `events` or the server stops; false on stop.
    bool wait_for(int fd, short events, int extra_fd = -1) const;
    bool send_all(int fd, const std::string& bytes) const;

    int listen_fd_ = -1;
    int port_ = 0;
    int stop_pipe_[2] = {-1, -1};
    int release_pipe_[2] = {-1, -1};
    std::atomic<int> connections_{0};
    mutable std::mutex lock_;
    std::map<std::string, ScriptedReply> replies_;
    std::vector<std::string> request_lines_;
    std::vector<std::string> user_agents_;
    std::vector<std::thread> handlers_;
    std::thread acceptor_;
};

// A port on 127.0.0.1 that refuses connections: bound, never listening.
class ClosedPort {
public:
    ClosedPort();
    ~ClosedPort();
    ClosedPort(const ClosedPort&) = delete;
    ClosedPort& operator=(const ClosedPort&) = delete;
    int port() const { return port_; }
    std::string url(const std::string& path = "") const;

private:
    int fd_ = -1;
    int port_ = 0;
};

// Proxies from the environment would carry loopback requests elsewhere.
void bypass_proxies_for_loopback();

}  // namespace pixmold::test
