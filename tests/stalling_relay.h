// A relay between clients and a print server that passes only the first bytes of what a client sends
// on a connection and holds the rest, so that a document stops part-way for as long as a test needs.
// A body sent in chunks is held inside the length line of a chunk, where a server reading it waits for
// the rest of the line: the point where a sender that stops is most easily taken for one that ended.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/fd_io.h"

class StallingRelay {
public:
    // Listens on listenPath and relays each connection to the server's serverPath, holding what the
    // client sends on it from the first holding point after passBytes.
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
        WriteAll(m_wake[1], "x", 1);
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

    // Whether the relay holds what a client sends on one of its connections.
    bool Stalled() const { return m_stalled; }

private:
    // Where the bytes a client has sent stand in its HTTP requests.
    class Framing {
    public:
        // Whether the relay may hold the request before this byte.
        bool MayHoldBefore() const
        {
            return (m_part == Part::Body && !m_chunked) || (m_part == Part::ChunkLength && !m_line.empty());
        }

        void Take(char byte)
        {
            switch (m_part) {
            case Part::Headers:
                m_line += byte;
                if (m_line.size() >= 4 && m_line.compare(m_line.size() - 4, 4, "\r\n\r\n") == 0) {
                    const std::size_t length = m_line.find("Content-Length:");
                    m_left = length != std::string::npos ? std::strtoul(m_line.c_str() + length + 15, nullptr, 10) : 0;
                    m_chunked = false;
                    m_part = m_line.find("chunked") != std::string::npos ? Part::ChunkLength
                             : m_left > 0                                 ? Part::Body
                                                                          : Part::Headers;
                    m_line.clear();
                }
                break;
            case Part::ChunkLength:
                if (byte != '\n') {
                    m_line += byte;
                    break;
                }
                m_left = std::strtoul(m_line.c_str(), nullptr, 16);
                m_line.clear();
                // The chunk and its CRLF; the last chunk, of length 0, is followed by a blank line.
                m_left += 2;
                m_part = Part::Body;
                m_chunked = m_left > 2;
                break;
            case Part::Body:
                if (--m_left == 0)
                    m_part = m_chunked ? Part::ChunkLength : Part::Headers;
                break;
            }
        }

    private:
        enum class Part { Headers, ChunkLength, Body };
        Part m_part = Part::Headers;
        std::string m_line;
        std::size_t m_left = 0;
        bool m_chunked = false;
    };

    struct Link {
        Link(int client, int server) : client(client), server(server) {}
        int client;
        int server;
        std::size_t passed = 0;
        bool held = false;
        Framing framing;
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
                fds.push_back({link.client, static_cast<short>(link.held ? 0 : POLLIN), 0});
                fds.push_back({link.server, POLLIN, 0});
            }
            if (poll(fds.data(), fds.size(), -1) < 0)
                continue;
            if (fds[0].revents != 0)
                return;
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
            if (fds[1].revents != 0)
                Accept();
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
        m_links.emplace_back(client, server);
    }

    // Moves what from has to to; false once either has hung up.
    bool Pass(Link& link, short events, int from, int to, bool fromClient)
    {
        if (events == 0)
            return true;
        if ((events & POLLIN) == 0)
            return false;
        char buffer[16384];
        ssize_t got = read(from, buffer, sizeof buffer);
        if (got <= 0)
            return false;
        if (fromClient) {
            // What comes after the holding point is dropped: nothing more of the request gets through.
            for (ssize_t i = 0; i < got; ++i) {
                if (link.passed >= m_passBytes && link.framing.MayHoldBefore()) {
                    link.held = true;
                    m_stalled = true;
                    got = i;
                    break;
                }
                link.framing.Take(buffer[i]);
                ++link.passed;
            }
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
