#include "flate_stream.h"

#include "document_failure.h"

namespace {

// The PDF goes to a print server on the same machine: time counts for more than bytes, and the
// fastest level keeps most of what deflate gains on decoded pictures.
constexpr int kLevel = Z_BEST_SPEED;
constexpr std::size_t kChunk = 64 * 1024;

}  // namespace

FlateStream::FlateStream()
{
    if (deflateInit(&m_stream, kLevel) != Z_OK)
        ThrowDocument(E_OUTOFMEMORY);
}

FlateStream::~FlateStream() { deflateEnd(&m_stream); }

void FlateStream::Write(const unsigned char* data, std::size_t size)
{
    // zlib counts in 32 bits; rows are far shorter, but a caller's block need not be.
    while (size > 0) {
        const auto piece = static_cast<uInt>(size < kChunk ? size : kChunk);
        m_stream.next_in = const_cast<unsigned char*>(data);
        m_stream.avail_in = piece;
        Deflate(Z_NO_FLUSH);
        data += piece;
        size -= piece;
    }
}

std::string FlateStream::Finish()
{
    m_stream.next_in = nullptr;
    m_stream.avail_in = 0;
    Deflate(Z_FINISH);
    return std::move(m_data);
}

void FlateStream::Deflate(int flush)
{
    // Most rows go in without a byte coming out: the data grows only by what does.
    unsigned char buffer[kChunk];
    for (;;) {
        m_stream.next_out = buffer;
        m_stream.avail_out = static_cast<uInt>(kChunk);
        const int result = deflate(&m_stream, flush);
        if (result == Z_STREAM_ERROR)
            ThrowDocument(E_UNEXPECTED);
        m_data.append(reinterpret_cast<const char*>(buffer), kChunk - m_stream.avail_out);
        // Room left over means deflate took all it was given.
        if (flush == Z_FINISH ? result == Z_STREAM_END : m_stream.avail_out > 0)
            return;
    }
}
