// Reading and writing a file descriptor through short transfers and interrupted calls: the one place
// either is done.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

// False once a write fails or writes nothing.
inline bool WriteAll(int fd, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Up to size bytes from where the descriptor stands: how many, 0 at the end, -1 where the read fails.
inline ssize_t ReadSome(int fd, void* data, std::size_t size)
{
    ssize_t got;
    do
        got = read(fd, data, size);
    while (got < 0 && errno == EINTR);
    return got;
}

// Up to size bytes from offset, leaving the descriptor's own offset where it is: how many, 0 at the end,
// -1 where the read fails.
inline ssize_t ReadSomeAt(int fd, void* data, std::size_t size, std::uint64_t offset)
{
    ssize_t got;
    do
        got = pread(fd, data, size, static_cast<off_t>(offset));
    while (got < 0 && errno == EINTR);
    return got;
}
