// Owner of a libdeflate compressor, which deflates whole data into the zlib format FlateDecode reads.
// One compressor serves one thread at a time.
#pragma once

#include <string>
#include <string_view>

struct libdeflate_compressor;

class PdfDeflater {
public:
    PdfDeflater();
    PdfDeflater(const PdfDeflater&) = delete;
    PdfDeflater& operator=(const PdfDeflater&) = delete;
    ~PdfDeflater();

    std::string Deflate(std::string_view data);

private:
    libdeflate_compressor* m_compressor;
};
