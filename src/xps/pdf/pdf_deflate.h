// Owner of a libdeflate compressor, which deflates whole data into the zlib format FlateDecode reads.
// One compressor serves one thread at a time.
#pragma once

#include <string>
#include <string_view>

struct libdeflate_compressor;

// Content streams, the most of what is deflated, are text of a few operators repeated. At this level
// libdeflate makes them as small as zlib's first lazy level does, in half its time.
constexpr int kContentDeflateLevel = 2;

class PdfDeflater {
public:
    explicit PdfDeflater(int level = kContentDeflateLevel);
    PdfDeflater(const PdfDeflater&) = delete;
    PdfDeflater& operator=(const PdfDeflater&) = delete;
    ~PdfDeflater();

    std::string Deflate(std::string_view data);

private:
    libdeflate_compressor* m_compressor;
};
