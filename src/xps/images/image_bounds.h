// Keeps images too large to decode away from the renderer, which decodes each image whole into memory
// at four bytes a pixel, however few bytes the image was packed into.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform.h"

// An A4 page scanned at 600 dpi is 35 million pixels.
constexpr std::uint64_t kMaxImagePixels = 48u << 20;

// Reads a part as it streams past and finds, for a PNG, JPEG or TIFF image, the size it claims, and for a
// JPEG whether it is whole.
class ImageBounds {
public:
    // The next bytes of the part; fails with WINCODEC_ERR_IMAGESIZEOUTOFRANGE as soon as the part is
    // known to be an image of more than kMaxImagePixels.
    HRESULT Feed(const unsigned char* data, std::size_t size);
    // The bytes have ended: a TIFF whose directory ends with them is judged on what came, and a JPEG that
    // stops before its end marker fails with WINCODEC_ERR_BADIMAGE: a decoder handed such a JPEG reads
    // past its end, or waits for its rest for ever.
    HRESULT Finish();

private:
    enum class State { Header, PngHeader, JpegMarkerStart, JpegMarker, JpegLengthHigh, JpegLengthLow, JpegSkip,
                       JpegFrame, JpegData, JpegDataMarker, TiffDirectory, Done };

    HRESULT FeedByte(unsigned char byte);
    // Where a JPEG goes after a marker's segment: image data follows a scan's header.
    State AfterJpegSegment() const;
    HRESULT Check(std::uint64_t width, std::uint64_t height);
    HRESULT CheckTiffDirectory();

    State m_state = State::Header;
    std::uint64_t m_offset = 0;
    unsigned char m_bytes[256] = {};
    std::size_t m_count = 0;
    std::uint32_t m_skip = 0;
    unsigned char m_marker = 0;
    bool m_jpeg = false;
    bool m_framed = false;
    bool m_bigEndian = false;
    std::uint64_t m_directoryOffset = 0;
};
