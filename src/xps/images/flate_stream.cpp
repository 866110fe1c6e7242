#include "xps/images/flate_stream.h"

#include "xps/document_failure.h"
#include "xps/pdf/pdf_deflate.h"

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
        m_zlib.emplace();
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
        return PdfDeflater(kLevel).Deflate(m_held);
    m_zlib->Write(reinterpret_cast<const unsigned char*>(m_held.data()), m_held.size(), m_data);
    m_zlib->Finish(m_data);
    return std::move(m_data);
}

FlateStream::ZlibStream::ZlibStream()
{
    if (deflateInit(&m_stream, kLevel) != Z_OK)
        ThrowDocument(E_OUTOFMEMORY);
}

void FlateStream::ZlibStream::Write(const unsigned char* data, std::size_t size, std::string& out)
{
    // zlib counts in 32 bits; rows are far shorter, but a caller's block need not be.
    while (size > 0) {
        const auto piece = static_cast<uInt>(size < kChunk ? size : kChunk);
        m_stream.next_in = const_cast<unsigned char*>(data);
        m_stream.avail_in = piece;
        Deflate(Z_NO_FLUSH, out);
        data += piece;
        size -= piece;
    }
}

void FlateStream::ZlibStream::Finish(std::string& out)
{
    m_stream.next_in = nullptr;
    m_stream.avail_in = 0;
    Deflate(Z_FINISH, out);
}

void FlateStream::ZlibStream::Deflate(int flush, std::string& out)
{
    // Most rows go in without a byte coming out: the data grows only by what does.
    unsigned char buffer[kChunk];
    for (;;) {
        m_stream.next_out = buffer;
        m_stream.avail_out = static_cast<uInt>(kChunk);
        const int result = deflate(&m_stream, flush);
        if (result == Z_STREAM_ERROR)
            ThrowDocument(E_UNEXPECTED);
        out.append(reinterpret_cast<const char*>(buffer), kChunk - m_stream.avail_out);
        // Room left over means deflate took all it was given.
        if (flush == Z_FINISH ? result == Z_STREAM_END : m_stream.avail_out > 0)
            return;
    }
}
