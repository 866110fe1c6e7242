// Finding the pixel size an image part claims, from its first bytes as they stream past.
#include "xps/images/image_bounds.h"

#include <algorithm>
#include <cstring>

#include "xps/document_status.h"

namespace {

constexpr unsigned char kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kPngSizeEnd = 24;  // signature, IHDR length and type, width, height
constexpr std::size_t kJpegFrameFields = 5;  // precision, height, width
constexpr std::size_t kTiffHeaderSize = 8;
constexpr std::uint16_t kTiffImageWidth = 256;
constexpr std::uint16_t kTiffImageLength = 257;
constexpr std::uint16_t kTiffShort = 3;
constexpr std::uint16_t kTiffLong = 4;

std::uint32_t Big16(const unsigned char* p) { return static_cast<std::uint32_t>(p[0] << 8 | p[1]); }
std::uint32_t Big32(const unsigned char* p) { return Big16(p) << 16 | Big16(p + 2); }

// Start-of-frame markers carry the image size; C4, C8 and CC share their range but are not frames.
bool IsJpegFrame(unsigned char marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Markers that stand alone, with no length after them.
bool IsJpegStandalone(unsigned char marker) { return (marker >= 0xD0 && marker <= 0xD8) || marker == 0x01; }

}  // namespace

HRESULT ImageBounds::Feed(const unsigned char* data, std::size_t size)
{
    for (std::size_t i = 0; i < size && m_state != State::Done;) {
        // What lies between the fields that matter is passed over in bulk.
        std::uint64_t skip = 0;
        if (m_state == State::JpegSkip)
            skip = m_skip;
        else if (m_state == State::TiffDirectory && m_offset < m_directoryOffset)
            skip = m_directoryOffset - m_offset;
        if (skip > 0) {
            const std::size_t passed = static_cast<std::size_t>(std::min<std::uint64_t>(skip, size - i));
            i += passed;
            m_offset += passed;
            if (m_state == State::JpegSkip && (m_skip -= static_cast<std::uint32_t>(passed)) == 0)
                m_state = AfterJpegSegment();
            continue;
        }
        // Only an 0xFF may start a marker: coded image data holds none but restarts until the end, and
        // bytes where a marker belongs are passed over, as libjpeg passes over them.
        if (m_state == State::JpegData || m_state == State::JpegMarkerStart) {
            const void* mark = std::memchr(data + i, 0xFF, size - i);
            const std::size_t next = mark ? static_cast<std::size_t>(static_cast<const unsigned char*>(mark) - data) + 1 : size;
            m_offset += next - i;
            i = next;
            if (mark)
                m_state = m_state == State::JpegData ? State::JpegDataMarker : State::JpegMarker;
            continue;
        }
        if (const HRESULT status = FeedByte(data[i]); status != S_OK)
            return status;
        ++i;
        ++m_offset;
    }
    return S_OK;
}

HRESULT ImageBounds::Finish()
{
    if (m_jpeg && m_state != State::Done)
        return WINCODEC_ERR_BADIMAGE;
    return m_state == State::TiffDirectory && m_count >= 2 ? CheckTiffDirectory() : S_OK;
}

ImageBounds::State ImageBounds::AfterJpegSegment() const
{
    return m_marker == 0xDA ? State::JpegData : State::JpegMarkerStart;
}

HRESULT ImageBounds::FeedByte(unsigned char byte)
{
    switch (m_state) {
    case State::Header:
        m_bytes[m_count++] = byte;
        if (m_count == 3 && m_bytes[0] == 0xFF && m_bytes[1] == 0xD8 && m_bytes[2] == 0xFF) {
            m_jpeg = true;
            m_state = State::JpegMarker;
        } else if (m_count == kTiffHeaderSize) {
            const bool little = std::memcmp(m_bytes, "II*\0", 4) == 0;
            const bool big = std::memcmp(m_bytes, "MM\0*", 4) == 0;
            m_bigEndian = big;
            // No XPS reader takes BigTIFF, and its sizes would take another reading.
            if (std::memcmp(m_bytes, "II+\0", 4) == 0 || std::memcmp(m_bytes, "MM\0+", 4) == 0)
                return WINCODEC_ERR_BADHEADER;
            if (std::memcmp(m_bytes, kPngSignature, sizeof kPngSignature) == 0) {
                m_state = State::PngHeader;
            } else if (little || big) {
                const unsigned char* at = m_bytes + 4;
                m_directoryOffset = big ? Big32(at) : static_cast<std::uint32_t>(at[0] | at[1] << 8 | at[2] << 16 | at[3] << 24);
                m_state = m_directoryOffset >= kTiffHeaderSize ? State::TiffDirectory : State::Done;
                m_count = 0;
            } else {
                m_state = State::Done;
            }
        }
        return S_OK;
    case State::PngHeader:
        m_bytes[m_count++] = byte;
        return m_count == kPngSizeEnd ? Check(Big32(m_bytes + 16), Big32(m_bytes + 20)) : S_OK;
    case State::JpegMarker:
        if (byte == 0xFF)
            return S_OK;
        if (IsJpegStandalone(byte))
            m_state = State::JpegMarkerStart;
        else if (byte == 0xD9 || (byte == 0xDA && !m_framed))
            m_state = State::Done;  // the end, or image data before any frame, which no reader decodes
        else
            m_marker = byte, m_state = State::JpegLengthHigh;
        return S_OK;
    case State::JpegLengthHigh:
        m_skip = static_cast<std::uint32_t>(byte) << 8;
        m_state = State::JpegLengthLow;
        return S_OK;
    case State::JpegLengthLow:
        m_skip |= byte;
        if (m_skip < 2 + (IsJpegFrame(m_marker) ? kJpegFrameFields : 0)) {
            m_state = State::Done;
        } else if (IsJpegFrame(m_marker)) {
            m_skip -= 2 + kJpegFrameFields;
            m_count = 0;
            m_state = State::JpegFrame;
        } else {
            m_skip -= 2;
            m_state = m_skip > 0 ? State::JpegSkip : AfterJpegSegment();
        }
        return S_OK;
    case State::JpegFrame:
        m_bytes[m_count++] = byte;
        if (m_count < kJpegFrameFields)
            return S_OK;
        if (const HRESULT status = Check(Big16(m_bytes + 3), Big16(m_bytes + 1)); status != S_OK)
            return status;
        // On to the end marker, past the rest of the frame header.
        m_framed = true;
        m_state = m_skip > 0 ? State::JpegSkip : State::JpegMarkerStart;
        return S_OK;
    case State::JpegDataMarker:
        if (byte == 0x00 || (byte >= 0xD0 && byte <= 0xD7))
            m_state = State::JpegData;  // a coded 0xFF, or a restart
        else if (byte == 0xD9)
            m_state = State::Done;
        else if (byte != 0xFF)
            m_marker = byte, m_state = State::JpegLengthHigh;  // tables and the next scan of a progressive JPEG
        return S_OK;
    case State::TiffDirectory:
        m_bytes[m_count++] = byte;
        return m_count == sizeof m_bytes ? CheckTiffDirectory() : S_OK;
    case State::JpegMarkerStart:
    case State::JpegSkip:
    case State::JpegData:
    case State::Done:
        return S_OK;
    }
    return S_OK;
}

HRESULT ImageBounds::CheckTiffDirectory()
{
    const auto u16 = [&](const unsigned char* p) {
        return m_bigEndian ? Big16(p) : static_cast<std::uint32_t>(p[0] | p[1] << 8);
    };
    const auto u32 = [&](const unsigned char* p) {
        return m_bigEndian ? Big32(p) : u16(p) | u16(p + 2) << 16;
    };
    // Tags come in ascending order, so the size is in the first few entries.
    const std::size_t entries = std::min<std::size_t>(u16(m_bytes), (m_count - 2) / 12);
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    for (std::size_t i = 0; i < entries; ++i) {
        const unsigned char* entry = m_bytes + 2 + 12 * i;
        const std::uint32_t type = u16(entry + 2);
        const std::uint32_t value = type == kTiffShort ? u16(entry + 8) : type == kTiffLong ? u32(entry + 8) : 0;
        if (u16(entry) == kTiffImageWidth)
            width = value;
        else if (u16(entry) == kTiffImageLength)
            height = value;
    }
    return Check(width, height);
}

HRESULT ImageBounds::Check(std::uint64_t width, std::uint64_t height)
{
    m_state = State::Done;
    return width * height > kMaxImagePixels ? WINCODEC_ERR_IMAGESIZEOUTOFRANGE : S_OK;
}
