#include "xps/deflate/inflate.h"

#include <libdeflate.h>

#include "xps/document_failure.h"

StreamInflater::StreamInflater(InflateFormat format)
{
    const int result = format == InflateFormat::Raw ? inflateInit2(&m_stream, -MAX_WBITS) : inflateInit(&m_stream);
    if (result != Z_OK)
        ThrowDocument(E_OUTOFMEMORY);
}

void StreamInflater::Give(const unsigned char* data, std::size_t size)
{
    m_stream.next_in = const_cast<unsigned char*>(data);
    m_stream.avail_in = static_cast<uInt>(size);
}

InflateStep StreamInflater::Inflate(unsigned char* out, std::size_t size, std::size_t& came)
{
    m_stream.next_out = out;
    m_stream.avail_out = static_cast<uInt>(size);
    const int result = inflate(&m_stream, Z_NO_FLUSH);
    came = size - m_stream.avail_out;
    switch (result) {
    case Z_OK:
        return InflateStep::Going;
    case Z_STREAM_END:
        return InflateStep::Ended;
    case Z_BUF_ERROR:
        return InflateStep::Stalled;
    case Z_MEM_ERROR:
        return InflateStep::OutOfMemory;
    default:
        return InflateStep::Broken;
    }
}

namespace {

// Owner of a libdeflate decompressor; null where it could not be made.
class Decompressor {
public:
    Decompressor() : m_decompressor(libdeflate_alloc_decompressor()) {}
    ~Decompressor() { libdeflate_free_decompressor(m_decompressor); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    libdeflate_decompressor* Get() const { return m_decompressor; }

private:
    libdeflate_decompressor* m_decompressor;
};

}  // namespace

bool InflateWhole(const unsigned char* in, std::size_t inSize, unsigned char* out, std::size_t outSize)
{
    const Decompressor decompressor;
    std::size_t consumed = 0;
    std::size_t produced = 0;
    return decompressor.Get() != nullptr &&
           libdeflate_deflate_decompress_ex(decompressor.Get(), in, inSize, out, outSize, &consumed, &produced) ==
               LIBDEFLATE_SUCCESS &&
           consumed == inSize && produced == outSize;
}

std::uint32_t Crc32(std::uint32_t crc, const unsigned char* data, std::size_t size)
{
    return libdeflate_crc32(crc, data, size);
}
