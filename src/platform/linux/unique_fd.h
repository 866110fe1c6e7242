// Owner of an open file descriptor.
#pragma once

#include <unistd.h>

#include <utility>

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) noexcept : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        UniqueFd(std::move(other)).Swap(*this);
        return *this;
    }
    ~UniqueFd()
    {
        if (m_fd >= 0)
            close(m_fd);
    }

    int Get() const noexcept { return m_fd; }
    explicit operator bool() const noexcept { return m_fd >= 0; }

private:
    void Swap(UniqueFd& other) noexcept { std::swap(m_fd, other.m_fd); }

    int m_fd;
};
