// A relay between clients and a print server that passes only the first bytes of what a client sends
// on a connection and holds the rest, so that a document stops part-way for as long as a test needs.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

class StallingRelay {
public:
    // Listens on listenPath and relays each connection to the server's serverPath, passing at most
    // passBytes of what the client sends on it.
    StallingRelay(const std::filesystem::path& listenPath, std::filesystem::path serverPath, std::size_t passBytes)
        : m_server(std::move(serverPath)), m_passBytes(passBytes)
    {
        m_listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_un address = Address(listenPath);
        if (bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            listen(m_listener, 16) != 0 || pipe2(m_wake, O_CLOEXEC) != 0)
            throw std::runtime_error("cannot listen on " + listenPath.string());
        m_thread = std::thread(&StallingRelay::Run, this);
    }
    ~StallingRelay()
    {
        write(m_wake[1], "x", 1);
        m_thread.join();
        for (const Link& link : m_links) {
            close(link.client);
            close(link.server);
        }
        close(m_listener);
        close(m_wake[0]);
        close(m_wake[1]);
    }
    StallingRelay(const StallingRelay&) = delete;
    StallingRelay& operator=(const StallingRelay&) = delete;

    // Whether a client has sent more than the relay passes on one of its connections.
    bool Stalled() const { return m_stalled; }

private:
    struct Link {
        int client;
        int server;
        std::size_t passed = 0;
    };

    static sockaddr_un Address(const std::filesystem::path& path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        return address;
    }

    void Run()
    {
        for (;;) {
            std::vector<pollfd> fds{{m_wake[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
            for (const Link& link : m_links) {
                // A held client is still watched for hanging up.
                fds.push_back({link.client, static_cast<short>(link.passed < m_passBytes ? POLLIN : 0), 0});
                fds.push_back({link.server, POLLIN, 0});
            }
            if (poll(fds.data(), fds.size(), -1) < 0)
                continue;
            if (fds[0].revents != 0)
                return;
            if (fds[1].revents != 0)
                Accept();
            std::vector<Link> open;
            for (std::size_t i = 0; i < m_links.size(); ++i) {
                Link& link = m_links[i];
                if (Pass(link, fds[2 + 2 * i].revents, link.client, link.server, true) &&
                    Pass(link, fds[3 + 2 * i].revents, link.server, link.client, false)) {
                    open.push_back(link);
                } else {
                    // Either side gone: the other sees its connection close, with nothing more after it.
                    close(link.client);
                    close(link.server);
                }
            }
            m_links = open;
        }
    }

    void Accept()
    {
        const int client = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            return;
        const int server = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_un address = Address(m_server);
        if (connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            close(client);
            close(server);
            return;
        }
        m_links.push_back({client, server});
    }

    // Moves what from has to to; false once either has hung up.
    bool Pass(Link& link, short events, int from, int to, bool fromClient)
    {
        if (events == 0)
            return true;
        if ((events & POLLIN) == 0)
            return false;
        char buffer[16384];
        std::size_t want = sizeof buffer;
        if (fromClient)
            want = std::min(want, m_passBytes - link.passed);
        const ssize_t got = read(from, buffer, want);
        if (got <= 0)
            return false;
        if (fromClient) {
            link.passed += static_cast<std::size_t>(got);
            m_stalled = m_stalled || link.passed == m_passBytes;
        }
        for (ssize_t sent = 0; sent < got;) {
            const ssize_t wrote = send(to, buffer + sent, static_cast<std::size_t>(got - sent), MSG_NOSIGNAL);
            if (wrote <= 0)
                return false;
            sent += wrote;
        }
        return true;
    }

    const std::filesystem::path m_server;
    const std::size_t m_passBytes;
    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    std::vector<Link> m_links;
    std::atomic<bool> m_stalled{false};
    std::thread m_thread;
};
