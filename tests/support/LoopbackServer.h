// A small HTTP server for tests, on 127.0.0.1 at a port the kernel picks: it answers each path
// with canned bytes or a behaviour (stall, endless body, close) and counts the requests.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "support/ChildWait.h"

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

// Serves one connection at a time in a process of its own, so that the test process stays
// single-threaded and a fork the code under test makes finds no server thread beside it. The
// test talks to it over a socket pair (routes to add, counts to read); every wait of the server
// is bounded, answers the test's questions meanwhile, and ends when the test stops it (at
// destruction) or goes away.
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
        int ends[2] = {-1, -1};
        socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends);
        std::fflush(nullptr);
        server = fork();
        if (server == 0) {
            close(ends[0]);
            control = ends[1];
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            serve();
            // No exit handlers: this copy of the test program must not tear anything down.
            _exit(0);
        }
        close(ends[1]);
        control = ends[0];
        // The listening socket stays open in the test process too, so its port is never given
        // to another program while the server lives.
    }
    ~Server() {
        if (server > 0) {
            sendMessage(control, "Q");
            int status = 0;
            child_wait::waitWithin(server, status);
        }
        close(control);
        close(listener);
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Answers requests for the path (with its query) so; other paths get a 404 page.
    void route(const std::string& path, Reply reply) {
        std::string message = "R";
        message += static_cast<char>('0' + reply.kind);
        message += path;
        message += '\0';
        message += reply.bytes;
        sendMessage(control, message);
        std::string done;
        receiveMessage(control, done, Clock::now() + child_wait::Generous);
    }

    int port() const { return number; }
    // "<scheme>://127.0.0.1:<port><path>".
    std::string url(const std::string& path, const std::string& scheme = "http") const {
        return scheme + "://127.0.0.1:" + std::to_string(number) + path;
    }
    int requests() const { return ask("T"); }
    int requests(const std::string& path) const { return ask("C" + path); }

  private:
    using Clock = std::chrono::steady_clock;
    static constexpr auto longestConnection = std::chrono::seconds(60);

    // Messages are a 32-bit length and the bytes; both sides wait for them by a deadline.
    static bool sendMessage(int fd, const std::string& message) {
        const auto length = static_cast<std::uint32_t>(message.size());
        std::string frame(reinterpret_cast<const char*>(&length), sizeof length);
        frame += message;
        std::size_t sent = 0;
        while (sent < frame.size()) {
            const ssize_t done = send(fd, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
            if (done < 0 && errno == EINTR) continue;
            if (done <= 0) return false;
            sent += static_cast<std::size_t>(done);
        }
        return true;
    }
    static bool receiveBytes(int fd, char* into, std::size_t count, Clock::time_point deadline) {
        std::size_t got = 0;
        while (got < count) {
            if (!child_wait::awaitEvents(fd, POLLIN, deadline)) return false;
            const ssize_t now = recv(fd, into + got, count - got, 0);
            if (now < 0 && errno == EINTR) continue;
            if (now <= 0) return false;
            got += static_cast<std::size_t>(now);
        }
        return true;
    }
    static bool receiveMessage(int fd, std::string& message, Clock::time_point deadline) {
        std::uint32_t length = 0;
        if (!receiveBytes(fd, reinterpret_cast<char*>(&length), sizeof length, deadline)) {
            return false;
        }
        message.assign(length, '\0');
        return length == 0 || receiveBytes(fd, message.data(), length, deadline);
    }
    int ask(const std::string& question) const {
        if (!sendMessage(control, question)) return -1;
        std::string answer;
        if (!receiveMessage(control, answer, Clock::now() + child_wait::Generous)) return -1;
        return std::atoi(answer.c_str());
    }

    // ---- the server process ----

    // Answers one message of the test; false when the test wants the server to end or is gone.
    bool answerTest() {
        std::string message;
        if (!receiveMessage(control, message, Clock::now() + child_wait::Generous)) return false;
        if (message.empty() || message[0] == 'Q') return false;
        if (message[0] == 'R' && message.size() >= 2) {
            const std::size_t end = message.find('\0', 2);
            Reply reply;
            reply.kind = static_cast<Reply::Kind>(message[1] - '0');
            reply.bytes = message.substr(end + 1);
            routes[message.substr(2, end - 2)] = std::move(reply);
            return sendMessage(control, "");
        }
        if (message[0] == 'T') return sendMessage(control, std::to_string(total));
        if (message[0] == 'C') {
            const auto found = counts.find(message.substr(1));
            return sendMessage(control, std::to_string(found == counts.end() ? 0 : found->second));
        }
        return false;
    }

    // Waits for the events on fd while answering the test; false when the test stops the server
    // or the deadline passes.
    bool await(int fd, short events, Clock::time_point deadline) {
        while (!stopping) {
            pollfd entries[2] = {{fd, events, 0}, {control, POLLIN, 0}};
            const int ready = poll(entries, 2, child_wait::remainingMilliseconds(deadline));
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) return false;
            if (entries[1].revents != 0 && !answerTest()) stopping = true;
            if (!stopping && entries[0].revents != 0) return true;
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
        ++counts[path];
        ++total;
        const auto found = routes.find(path);
        if (found != routes.end()) reply = found->second;
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

    bool sendAll(int connection, const std::string& bytes, Clock::time_point deadline) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            if (!await(connection, POLLOUT, deadline)) return false;
            // Never blocking: a client that stops reading must not keep the test unanswered.
            const ssize_t done = send(connection, bytes.data() + sent, bytes.size() - sent,
                                      MSG_NOSIGNAL | MSG_DONTWAIT);
            if (done < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
            if (done <= 0) return false;
            sent += static_cast<std::size_t>(done);
        }
        return true;
    }

    int listener = -1;
    int number = 0;
    int control = -1;
    pid_t server = -1;
    // The server process's own state.
    bool stopping = false;
    int total = 0;
    std::map<std::string, Reply> routes;
    std::map<std::string, int> counts;
};

}  // namespace loopback
