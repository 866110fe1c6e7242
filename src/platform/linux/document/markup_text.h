// Markup as the renderer reads it. libgxps parses with GMarkup, which takes only UTF-8, while a package
// may hold markup in UTF-16 of either byte order (Office writes its pages so): such a part is turned
// into UTF-8 as it streams past, and everything else passes as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "zip_directory.h"

class MarkupText {
public:
    explicit MarkupText(ZipDataSink sink) : m_sink(std::move(sink)) {}

    HRESULT Feed(const unsigned char* data, std::size_t size);
    // The part has ended. A part that is not UTF-16 after all (cut inside a character, or a surrogate
    // unpaired) passes nothing more on and is not counted as UTF-16.
    HRESULT Finish();
    // Whether the part is UTF-16, once its first bytes have come.
    bool Utf16() const { return m_encoding == Encoding::Utf16Le || m_encoding == Encoding::Utf16Be; }

private:
    enum class Encoding { Unknown, Other, Utf16Le, Utf16Be, NotText };

    HRESULT Decide();
    HRESULT Transcode(const unsigned char* data, std::size_t size);
    HRESULT NotText();

    ZipDataSink m_sink;
    Encoding m_encoding = Encoding::Unknown;
    unsigned char m_start[4] = {};
    std::size_t m_startSize = 0;
    unsigned char m_odd = 0;
    bool m_hasOdd = false;
    std::uint32_t m_highSurrogate = 0;
    std::string m_out;
};

// The size and CRC of a part's bytes as MarkupText gives them.
HRESULT MeasureMarkupText(int fd, const ZipPart& part, std::uint64_t& size, std::uint32_t& crc);
