#include "xps/pdf/pdf_deflate.h"

#include <libdeflate.h>

#include <memory>

#include "xps/document_failure.h"

PdfDeflater::PdfDeflater(int level) : m_compressor(libdeflate_alloc_compressor(level))
{
    if (m_compressor == nullptr)
        ThrowDocument(E_OUTOFMEMORY);
}

PdfDeflater::~PdfDeflater() { libdeflate_free_compressor(m_compressor); }

std::string PdfDeflater::Deflate(std::string_view data)
{
    const std::size_t bound = libdeflate_zlib_compress_bound(m_compressor, data.size());
    // Left uninitialised: only what is deflated into it is touched.
    const std::unique_ptr<char[]> buffer(new char[bound]);
    const std::size_t made = libdeflate_zlib_compress(m_compressor, data.data(), data.size(), buffer.get(), bound);
    if (made == 0)
        ThrowDocument(E_FAIL);
    return std::string(buffer.get(), made);
}
