// A small HTTP server for tests, on 127.0.0.1 at a port the kernel picks, in a process of its
// own: it answers each path with canned bytes or a behaviour (stall, endless body, close) and
// counts the requests.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

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

// The server runs as a process of its own (tests/support/loopback_server.py): no thread of the
// test program serves, so a test that starts a child process while it serves cannot leave a lock
// of the server's held in that child. The test talks to it over two pipes; every answer it waits
// for has a generous deadline.
class Server {
  public:
    Server() {
        clearProxyVariables();
        int toServer[2];
        int fromServer[2];
        if (pipe2(toServer, O_CLOEXEC) != 0 || pipe2(fromServer, O_CLOEXEC) != 0) {
            std::perror("loopback server pipes");
            std::abort();
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toServer[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fromServer[1], STDOUT_FILENO);
        std::string python = "python3";
        std::string script = std::string(QUORIN_SOURCE_DIR) + "/tests/support/loopback_server.py";
        char* argv[] = {python.data(), script.data(), nullptr};
        if (posix_spawnp(&pid, "python3", &actions, nullptr, argv, environ) != 0) {
            std::perror("loopback server");
            std::abort();
        }
        posix_spawn_file_actions_destroy(&actions);
        close(toServer[0]);
        close(fromServer[1]);
        commands = toServer[1];
        answers = fromServer[0];
        number = std::atoi(answer().c_str());
        if (number <= 0) {
            std::fprintf(stderr, "the loopback server did not start\n");
            std::abort();
        }
    }
    ~Server() {
        // The server ends when its input does.
        close(commands);
        close(answers);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Answers requests for the path (with its query) so; other paths get a 404 page.
    void route(const std::string& path, Reply reply) {
        static const char* const kinds[] = {"canned", "stall", "endless", "close"};
        ask("route " + hex(path) + " " + kinds[reply.kind] + " " + hex(reply.bytes));
    }

    int port() const { return number; }
    // "<scheme>://127.0.0.1:<port><path>".
    std::string url(const std::string& path, const std::string& scheme = "http") const {
        return scheme + "://127.0.0.1:" + std::to_string(number) + path;
    }
    int requests() const { return std::atoi(ask("total").c_str()); }
    int requests(const std::string& path) const {
        return std::atoi(ask("count " + hex(path)).c_str());
    }

  private:
    static std::string hex(const std::string& bytes) {
        static const char digits[] = "0123456789abcdef";
        std::string out;
        out.reserve(bytes.size() * 2);
        for (unsigned char c : bytes) {
            out += digits[c >> 4];
            out += digits[c & 15];
        }
        return out;
    }

    std::string ask(const std::string& command) const {
        const std::string line = command + "\n";
        std::size_t sent = 0;
        while (sent < line.size()) {
            const ssize_t done = write(commands, line.data() + sent, line.size() - sent);
            if (done < 0 && errno == EINTR) continue;
            if (done <= 0) return "";
            sent += static_cast<std::size_t>(done);
        }
        return answer();
    }

    // The next line the server writes, waited for up to two minutes.
    std::string answer() const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        for (;;) {
            const std::size_t end = pending.find('\n');
            if (end != std::string::npos) {
                std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                return line;
            }
            if (std::chrono::steady_clock::now() > deadline) return "";
            pollfd entry{answers, POLLIN, 0};
            if (poll(&entry, 1, 100) <= 0) continue;
            char buffer[256];
            const ssize_t got = read(answers, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return "";
            pending.append(buffer, static_cast<std::size_t>(got));
        }
    }

    pid_t pid = -1;
    int commands = -1;
    int answers = -1;
    int number = 0;
    mutable std::string pending;
};

}  // namespace loopback
