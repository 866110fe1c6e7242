#include "xps/images/flate_stream.h"

namespace {

// The PDF goes to a print server on the same machine: time counts for more than bytes, and the
// fastest level keeps most of what deflate gains on decoded pictures.
constexpr int kLevel = 1;
constexpr std::size_t kChunk = 64 * 1024;
constexpr std::size_t kMostHeldWhole = std::size_t{4} << 20;

}  // namespace

void FlateStream::Write(const unsigned char* data, std::size_t size)
{
    if (!m_zlib) {
        if (m_held.size() + size <= kMostHeldWhole) {
            m_held.append(reinterpret_cast<const char*>(data), size);
            return;
        }
        m_zlib.emplace(kLevel);
        m_zlib->Write(reinterpret_cast<const unsigned char*>(m_held.data()), m_held.size(), m_data);
        std::string().swap(m_held);
    }
    // A narrow picture's rows are a few bytes each: deflate takes them a piece at a time.
    if (m_held.size() + size < kChunk) {
        m_held.append(reinterpret_cast<const char*>(data), size);
        return;
    }
    m_zlib->Write(reinterpret_cast<const unsigned char*>(m_held.data()), m_held.size(), m_data);
    m_held.clear();
    m_zlib->Write(data, size, m_data);
}

std::string FlateStream::Finish()
{
    if (!m_zlib)
        return Deflater(kLevel).Deflate(m_held);
    m_zlib->Write(reinterpret_cast<const unsigned char*>(m_held.data()), m_held.size(), m_data);
    m_zlib->Finish(m_data);
    return std::move(m_data);
}
