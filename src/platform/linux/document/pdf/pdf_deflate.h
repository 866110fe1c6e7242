// Owner of a zlib deflate stream, compressing data fed in pieces.
#pragma once

#include <zlib.h>

#include <functional>
#include <string_view>

class PdfDeflater {
public:
    PdfDeflater();
    PdfDeflater(const PdfDeflater&) = delete;
    PdfDeflater& operator=(const PdfDeflater&) = delete;
    ~PdfDeflater() { deflateEnd(&m_stream); }

    // Hands what is compressed so far to out; with finish, the rest and the end of the stream, after
    // which nothing more may be fed.
    void Feed(std::string_view piece, bool finish, const std::function<void(std::string_view)>& out);

private:
    z_stream m_stream{};
};
