#include "xps/deflate/deflate.h"

#include <libdeflate.h>

#include <memory>

#include "xps/document_failure.h"

namespace {

constexpr std::size_t kChunk = 64 * 1024;

}  // namespace

Deflater::Deflater(int level) : m_compressor(libdeflate_alloc_compressor(level))
{
    if (m_compressor == nullptr)
        ThrowDocument(E_OUTOFMEMORY);
}

Deflater::~Deflater() { libdeflate_free_compressor(m_compressor); }

std::string Deflater::Deflate(std::string_view data)
{
    const std::size_t bound = libdeflate_zlib_compress_bound(m_compressor, data.size());
    // Left uninitialised: only what is deflated into it is touched.
    const std::unique_ptr<char[]> buffer(new char[bound]);
    const std::size_t made = libdeflate_zlib_compress(m_compressor, data.data(), data.size(), buffer.get(), bound);
    if (made == 0)
        ThrowDocument(E_FAIL);
    return std::string(buffer.get(), made);
}

StreamDeflater::StreamDeflater(int level)
{
    if (deflateInit(&m_stream, level) != Z_OK)
        ThrowDocument(E_OUTOFMEMORY);
}

void StreamDeflater::Write(const unsigned char* data, std::size_t size, std::string& out)
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

void StreamDeflater::Finish(std::string& out)
{
    m_stream.next_in = nullptr;
    m_stream.avail_in = 0;
    Deflate(Z_FINISH, out);
}

void StreamDeflater::Deflate(int flush, std::string& out)
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
