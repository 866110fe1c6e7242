#include "pdf_deflate.h"

#include <algorithm>
#include <climits>

#include "document_failure.h"

namespace {

// Content streams, the most of what is deflated, are text of a few operators repeated: the first of
// zlib's lazy levels makes pages of many small shapes a sixth smaller than the fastest level does, for a
// third more time, which large streams spend on the writer's own thread.
constexpr int kLevel = 4;

}  // namespace

PdfDeflater::PdfDeflater()
{
    const int status = deflateInit(&m_stream, kLevel);
    if (status != Z_OK)
        ThrowDocument(status == Z_MEM_ERROR ? E_OUTOFMEMORY : E_FAIL);
}

void PdfDeflater::Feed(std::string_view piece, bool finish, const std::function<void(std::string_view)>& out)
{
    unsigned char buffer[65536];
    do {
        // zlib counts input in unsigned ints, so a larger piece is fed a slice at a time.
        const std::size_t taken = std::min<std::size_t>(piece.size(), UINT_MAX / 2);
        m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
        m_stream.avail_in = static_cast<uInt>(taken);
        piece.remove_prefix(taken);
        const int flush = finish && piece.empty() ? Z_FINISH : Z_NO_FLUSH;
        int status;
        do {
            m_stream.next_out = buffer;
            m_stream.avail_out = sizeof buffer;
            status = deflate(&m_stream, flush);
            if (status == Z_STREAM_ERROR)
                ThrowDocument(E_FAIL);
            const std::size_t made = sizeof buffer - m_stream.avail_out;
            if (made > 0)
                out(std::string_view(reinterpret_cast<const char*>(buffer), made));
        } while (m_stream.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    } while (!piece.empty());
}
