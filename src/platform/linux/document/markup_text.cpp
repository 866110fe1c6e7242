#include "markup_text.h"

#include <zlib.h>

#include "document_status.h"

HRESULT MarkupText::Feed(const unsigned char* data, std::size_t size)
{
    while (m_encoding == Encoding::Unknown && size > 0) {
        m_start[m_startSize++] = *data++;
        --size;
        if (m_startSize == sizeof m_start) {
            if (const HRESULT status = Decide(); status != S_OK)
                return status;
        }
    }
    if (size == 0)
        return S_OK;
    if (m_encoding == Encoding::NotText)
        return S_OK;
    return m_encoding == Encoding::Other ? m_sink(data, size) : Transcode(data, size);
}

HRESULT MarkupText::Finish()
{
    if (m_encoding == Encoding::Unknown) {
        if (const HRESULT status = Decide(); status != S_OK)
            return status;
    }
    if (Utf16() && (m_hasOdd || m_highSurrogate != 0))
        m_encoding = Encoding::NotText;
    return S_OK;
}

// Told by a byte-order mark, or without one by the "<?" that begins a declaration.
HRESULT MarkupText::Decide()
{
    const unsigned char* s = m_start;
    const bool two = m_startSize >= 2;
    const bool four = m_startSize == 4;
    std::size_t skip = 0;
    if (two && s[0] == 0xFF && s[1] == 0xFE) {
        m_encoding = Encoding::Utf16Le;
        skip = 2;
    } else if (two && s[0] == 0xFE && s[1] == 0xFF) {
        m_encoding = Encoding::Utf16Be;
        skip = 2;
    } else if (four && s[0] == '<' && s[1] == 0 && s[2] == '?' && s[3] == 0) {
        m_encoding = Encoding::Utf16Le;
    } else if (four && s[0] == 0 && s[1] == '<' && s[2] == 0 && s[3] == '?') {
        m_encoding = Encoding::Utf16Be;
    } else {
        m_encoding = Encoding::Other;
    }
    if (m_startSize == skip)
        return S_OK;
    return m_encoding == Encoding::Other ? m_sink(m_start, m_startSize) : Transcode(m_start + skip, m_startSize - skip);
}

HRESULT MarkupText::Transcode(const unsigned char* data, std::size_t size)
{
    m_out.clear();
    const bool little = m_encoding == Encoding::Utf16Le;
    for (std::size_t i = 0; i < size; ++i) {
        if (!m_hasOdd) {
            m_odd = data[i];
            m_hasOdd = true;
            continue;
        }
        m_hasOdd = false;
        std::uint32_t unit = little ? m_odd | data[i] << 8 : m_odd << 8 | data[i];
        if (m_highSurrogate != 0) {
            if (unit < 0xDC00 || unit > 0xDFFF)
                return NotText();
            unit = 0x10000 + ((m_highSurrogate - 0xD800) << 10) + (unit - 0xDC00);
            m_highSurrogate = 0;
        } else if (unit >= 0xD800 && unit <= 0xDBFF) {
            m_highSurrogate = unit;
            continue;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return NotText();
        }
        if (unit < 0x80) {
            m_out += static_cast<char>(unit);
        } else if (unit < 0x800) {
            m_out += static_cast<char>(0xC0 | unit >> 6);
            m_out += static_cast<char>(0x80 | (unit & 0x3F));
        } else if (unit < 0x10000) {
            m_out += static_cast<char>(0xE0 | unit >> 12);
            m_out += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
            m_out += static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            m_out += static_cast<char>(0xF0 | unit >> 18);
            m_out += static_cast<char>(0x80 | (unit >> 12 & 0x3F));
            m_out += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
            m_out += static_cast<char>(0x80 | (unit & 0x3F));
        }
    }
    return m_out.empty() ? S_OK : m_sink(reinterpret_cast<const unsigned char*>(m_out.data()), m_out.size());
}

// A part that began like UTF-16 but is none (an obfuscated font may begin with any bytes) is no markup.
HRESULT MarkupText::NotText()
{
    m_encoding = Encoding::NotText;
    return S_OK;
}

HRESULT MeasureMarkupText(int fd, const ZipPart& part, std::uint64_t& size, std::uint32_t& crc)
{
    size = 0;
    uLong sum = crc32(0, nullptr, 0);
    MarkupText text([&](const unsigned char* data, std::size_t got) {
        size += got;
        sum = crc32(sum, data, static_cast<uInt>(got));
        return S_OK;
    });
    if (const HRESULT status = InflateZipPart(fd, part, [&](const unsigned char* data, std::size_t got) { return text.Feed(data, got); });
        status != S_OK)
        return status;
    crc = static_cast<std::uint32_t>(sum);
    return text.Finish();
}
