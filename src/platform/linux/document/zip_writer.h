// Writing a package's ZIP for libgxps: every entry whole, its sizes in its local header, so that a
// reader walking the file from its start finds them.
#pragma once

#include <cstdint>
#include <string>

#include "zip_directory.h"

class ZipWriter {
public:
    // Copies entries from the ZIP open as source into out.
    ZipWriter(int source, int out) : m_source(source), m_out(out) {}

    // An entry as it is, its packed bytes copied.
    HRESULT Copy(const ZipEntry& entry);
    // A stored entry of these bytes.
    HRESULT Add(const std::string& name, const std::string& data);
    // A stored entry whose size and CRC are known ahead, its bytes written by write into the sink given.
    HRESULT Add(const std::string& name, std::uint64_t size, std::uint32_t crc,
                const std::function<HRESULT(const ZipDataSink&)>& write);
    HRESULT Finish();

private:
    HRESULT Header(const ZipEntry& entry);
    HRESULT Write(const void* data, std::size_t size);

    int m_source;
    int m_out;
    std::uint64_t m_offset = 0;
    std::uint32_t m_entries = 0;
    std::string m_directory;
};
