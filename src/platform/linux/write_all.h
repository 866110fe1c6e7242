// Writing every byte to a pipe or file, through short writes and interrupted calls.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>

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
