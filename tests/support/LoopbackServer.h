// A small HTTP server for tests, on 127.0.0.1 at a port the kernel picks: it answers each path
// with canned bytes or a behaviour (stall, endless body, close) and counts the requests.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace loopback {

// No request of a test may leave the machine through a proxy named in the environment.
inline void clearProxyVariables() {
    for (const char* name : {"http_proxy", "https_proxy", "ftp_proxy", "all_proxy", "HTTP_PROXY",
                             "HTTPS_PROXY", "FTP_PROXY", "ALL_PROXY"}) {
        unsetenv(name);
    }
}

// A socket bound to 127.0.0.1 that does not listen: a connection to its port is refused, and no
// other program gets the port while it lives.
class ClosedPort {
  public:
    ClosedPort() {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        bind(fd, reinterpret_cast<sockaddr*>(&address), size);
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
        number = ntohs(address.sin_port);
    }
    ~ClosedPort() { close(fd); }
    ClosedPort(const ClosedPort&) = delete;
    ClosedPort& operator=(const ClosedPort&) = delete;
    int port() const { return number; }

  private:
    int fd;
    int number = 0;
};

struct Reply {
    enum Kind {
        Canned,   // the bytes, then the connection is closed
        Stall,    // the bytes, then nothing until the client gives up
        Endless,  // the bytes, then body bytes without end
        Close     // the connection is closed without a byte
    };
    Kind kind = Canned;
    std::string bytes;
};

inline Reply canned(std::string bytes) {
    return {Reply::Canned, std::move(bytes)};
}
inline Reply stall(std::string bytes) {
    return {Reply::Stall, std::move(bytes)};
}
inline Reply endless(std::string bytes) {
    return {Reply::Endless, std::move(bytes)};
}
inline Reply closeAtOnce() {
    return {Reply::Close, ""};
}

// Serves one connection at a time on its own thread; every wait is bounded and ends when the
// server stops (at destruction).
class Server {
  public:
    Server() {
        clearProxyVariables();
        listener = socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        bind(listener, reinterpret_cast<sockaddr*>(&address), size);
        listen(listener, 16);
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
        number = ntohs(address.sin_port);
        worker = std::thread([this] { serve(); });
    }
    ~Server() {
        stopping = true;
        worker.join();
        close(listener);
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Answers requests for the path (with its query) so; other paths get a 404 page.
    void route(const std::string& path, Reply reply) {
        std::lock_guard<std::mutex> lock(mutex);
        routes[path] = std::move(reply);
    }

    int port() const { return number; }
    // "<scheme>://127.0.0.1:<port><path>".
    std::string url(const std::string& path, const std::string& scheme = "http") const {
        return scheme + "://127.0.0.1:" + std::to_string(number) + path;
    }
    int requests() const { return total; }
    int requests(const std::string& path) const {
        std::lock_guard<std::mutex> lock(mutex);
        const auto found = counts.find(path);
        return found == counts.end() ? 0 : found->second;
    }

  private:
    using Clock = std::chrono::steady_clock;
    static constexpr auto longestConnection = std::chrono::seconds(60);

    // Waits for the events in short slices, so a stop is seen at once; false on stop or timeout.
    bool await(int fd, short events, Clock::time_point deadline) const {
        while (!stopping && Clock::now() < deadline) {
            pollfd entry{fd, events, 0};
            if (poll(&entry, 1, 20) > 0) return true;
        }
        return false;
    }

    void serve() {
        while (!stopping) {
            if (!await(listener, POLLIN, Clock::now() + std::chrono::seconds(1))) continue;
            const int connection = accept(listener, nullptr, nullptr);
            if (connection < 0) continue;
            handle(connection);
            close(connection);
        }
    }

    void handle(int connection) {
        const auto deadline = Clock::now() + longestConnection;
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
            if (!await(connection, POLLIN, deadline)) return;
            const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
            if (got <= 0) return;
            request.append(buffer, static_cast<std::size_t>(got));
        }
        const std::size_t start = request.find(' ') + 1;
        const std::string path = request.substr(start, request.find(' ', start) - start);
        Reply reply = canned("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++counts[path];
            ++total;
            const auto found = routes.find(path);
            if (found != routes.end()) reply = found->second;
        }
        if (reply.kind == Reply::Close) return;
        if (!sendAll(connection, reply.bytes, deadline)) return;
        if (reply.kind == Reply::Stall) {
            // Until the client closes (the socket turns readable with nothing to read).
            while (await(connection, POLLIN, deadline)) {
                if (recv(connection, buffer, sizeof buffer, 0) <= 0) return;
            }
        } else if (reply.kind == Reply::Endless) {
            const std::string chunk(16384, 'x');
            while (sendAll(connection, chunk, deadline)) {
            }
        }
    }

    bool sendAll(int connection, const std::string& bytes, Clock::time_point deadline) const {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            if (!await(connection, POLLOUT, deadline)) return false;
            const ssize_t done =
                send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (done <= 0) return false;
            sent += static_cast<std::size_t>(done);
        }
        return true;
    }

    int listener = -1;
    int number = 0;
    std::atomic<bool> stopping{false};
    std::atomic<int> total{0};
    mutable std::mutex mutex;
    std::map<std::string, Reply> routes;
    std::map<std::string, int> counts;
    std::thread worker;
};

}  // namespace loopback
