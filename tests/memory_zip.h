// ZIPs made in memory for the tests, with whatever their headers claim.
#pragma once

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/linux/unique_fd.h"

namespace memory_zip {

struct Entry {
    std::string name;
    std::string data;
    std::uint16_t method = 0;
    // For deflated data, what it inflates to, which the headers' size and CRC are of.
    std::string inflated = {};
};

// value in its low bytes, of which there are at most 4.
inline void Put(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(value >> (8 * i) & 0xFF);
}

// A ZIP of entries, in memory, with what each entry's headers claim of its method: stored, or deflated
// with their size and CRC those of what they inflate to.
inline UniqueFd Zip(const std::vector<Entry>& entries)
{
    std::string zip;
    std::string directory;
    for (const Entry& entry : entries) {
        const std::string& content = entry.inflated.empty() ? entry.data : entry.inflated;
        const auto crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(content.data()),
                                                          static_cast<uInt>(content.size())));
        const auto size = static_cast<std::uint32_t>(content.size());
        const auto compressedSize = static_cast<std::uint32_t>(entry.data.size());
        const auto nameSize = static_cast<std::uint32_t>(entry.name.size());
        Put(directory, 0x02014B50, 4);
        Put(directory, 20, 2);
        const std::size_t common = directory.size();
        Put(directory, 20, 2);
        Put(directory, 0, 2);
        Put(directory, entry.method, 2);
        Put(directory, 0, 4);
        Put(directory, crc, 4);
        Put(directory, compressedSize, 4);
        Put(directory, size, 4);
        Put(directory, nameSize, 2);
        Put(directory, 0, 2);
        Put(zip, 0x04034B50, 4);
        zip += directory.substr(common);
        zip += entry.name + entry.data;
        Put(directory, 0, 2);  // comment
        Put(directory, 0, 2);  // disk
        Put(directory, 0, 2);
        Put(directory, 0, 4);
        Put(directory, static_cast<std::uint32_t>(zip.size() - 30 - nameSize - compressedSize), 4);
        directory += entry.name;
    }
    const auto offset = static_cast<std::uint32_t>(zip.size());
    zip += directory;
    Put(zip, 0x06054B50, 4);
    Put(zip, 0, 4);
    Put(zip, static_cast<std::uint32_t>(entries.size()), 2);
    Put(zip, static_cast<std::uint32_t>(entries.size()), 2);
    Put(zip, static_cast<std::uint32_t>(directory.size()), 4);
    Put(zip, offset, 4);
    Put(zip, 0, 2);
    UniqueFd file(memfd_create("package.xps", MFD_CLOEXEC));
    EXPECT_EQ(write(file.Get(), zip.data(), zip.size()), static_cast<ssize_t>(zip.size()));
    return file;
}

}  // namespace memory_zip
