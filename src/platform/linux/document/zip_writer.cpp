// Writing a ZIP of whole entries: copied ones keep their packed bytes, added ones are stored.
#include "zip_writer.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "document_status.h"

namespace {

constexpr std::size_t kCopyChunkSize = 64 * 1024;
constexpr std::uint64_t kZip32Limit = 0xFFFFFFFF;
constexpr std::size_t kMaxZip32Entries = 0xFFFF;

void Put16(std::string& out, std::uint32_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}

void Put32(std::string& out, std::uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

}  // namespace

HRESULT ZipWriter::Copy(const ZipEntry& entry)
{
    if (const HRESULT status = Header(entry); status != S_OK)
        return status;
    std::vector<unsigned char> chunk(kCopyChunkSize);
    for (std::uint64_t done = 0; done < entry.compressedSize;) {
        const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), entry.compressedSize - done));
        if (const HRESULT status = ReadZipBytes(m_source, entry.dataOffset + done, chunk.data(), size); status != S_OK)
            return status;
        if (const HRESULT status = Write(chunk.data(), size); status != S_OK)
            return status;
        done += size;
    }
    return S_OK;
}

HRESULT ZipWriter::Add(const std::string& name, const std::string& data)
{
    const auto crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    return Add(name, data.size(), crc, [&](const ZipDataSink& sink) {
        return sink(reinterpret_cast<const unsigned char*>(data.data()), data.size());
    });
}

HRESULT ZipWriter::Add(const std::string& name, std::uint64_t size, std::uint32_t crc,
                       const std::function<HRESULT(const ZipDataSink&)>& write)
{
    ZipEntry entry;
    entry.name = name;
    entry.crc = crc;
    entry.compressedSize = entry.size = size;
    if (const HRESULT status = Header(entry); status != S_OK)
        return status;
    std::uint64_t written = 0;
    const HRESULT status = write([&](const unsigned char* data, std::size_t got) {
        written += got;
        return written > size ? E_UNEXPECTED : Write(data, got);
    });
    if (status != S_OK)
        return status;
    return written == size ? S_OK : E_UNEXPECTED;
}

HRESULT ZipWriter::Finish()
{
    const std::uint64_t start = m_offset;
    if (const HRESULT status = Write(m_directory.data(), m_directory.size()); status != S_OK)
        return status;
    if (m_offset > kZip32Limit || m_entries > kMaxZip32Entries)
        return E_NOTIMPL;
    std::string end;
    Put32(end, 0x06054B50);
    Put16(end, 0);
    Put16(end, 0);
    Put16(end, m_entries);
    Put16(end, m_entries);
    Put32(end, static_cast<std::uint32_t>(m_directory.size()));
    Put32(end, static_cast<std::uint32_t>(start));
    Put16(end, 0);
    return Write(end.data(), end.size());
}

HRESULT ZipWriter::Header(const ZipEntry& entry)
{
    if (entry.compressedSize >= kZip32Limit || entry.size >= kZip32Limit || m_offset >= kZip32Limit)
        return E_NOTIMPL;
    const std::uint16_t flags = entry.flags & 0x0800;
    std::string local;
    Put32(local, 0x04034B50);
    Put16(local, 20);
    Put16(local, flags);
    Put16(local, entry.method);
    Put16(local, 0);
    Put16(local, 0x21);
    Put32(local, entry.crc);
    Put32(local, static_cast<std::uint32_t>(entry.compressedSize));
    Put32(local, static_cast<std::uint32_t>(entry.size));
    Put16(local, static_cast<std::uint32_t>(entry.name.size()));
    Put16(local, 0);
    local += entry.name;

    Put32(m_directory, 0x02014B50);
    Put16(m_directory, 20);
    m_directory.append(local, 4, 26);
    Put16(m_directory, 0);
    Put16(m_directory, 0);
    Put16(m_directory, 0);
    Put32(m_directory, 0);
    Put32(m_directory, static_cast<std::uint32_t>(m_offset));
    m_directory += entry.name;
    ++m_entries;
    return Write(local.data(), local.size());
}

HRESULT ZipWriter::Write(const void* data, std::size_t size)
{
    for (const char* at = static_cast<const char*>(data); size > 0;) {
        const ssize_t written = write(m_out, at, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return STG_E_WRITEFAULT;
        at += written;
        size -= static_cast<std::size_t>(written);
        m_offset += static_cast<std::uint64_t>(written);
    }
    return S_OK;
}
