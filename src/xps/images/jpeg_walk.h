// A JPEG's markers walked from its start to its end marker: the one rule by which a JPEG is whole, both
// for its reader, which has all of it, and for the check as a package loads, which has a piece at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

struct JpegFrame {
    unsigned char marker = 0;
    int precision = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int components = 0;
};

class JpegWalk {
public:
    // Given each segment but the frame's, with its marker.
    using SegmentReader = std::function<void(unsigned char marker, std::string_view segment)>;

    // Walks on through bytes, which begin at the JPEG's first byte or where the last walk stopped, and
    // returns how many of them it is done with: the rest begin a marker or segment, to come again with
    // the bytes after them. Fails as a bad image where the markers are damaged, and with
    // WINCODEC_ERR_IMAGESIZEOUTOFRANGE as soon as the frame claims more than kMaxImagePixels.
    std::size_t Walk(std::string_view bytes, const SegmentReader& read = {});
    // The bytes have ended: fails as a bad image unless the end marker came, after a scan. A decoder
    // handed a JPEG cut short reads past its end, or waits for its rest for ever.
    void Finish() const;

    const JpegFrame& Frame() const { return m_frame; }

private:
    // Passes over a scan's coded data; returns where the marker after it starts, or how far the data
    // runs within the bytes.
    std::size_t SkipScanData(std::string_view bytes, std::size_t at);
    void ReadFrame(unsigned char marker, std::string_view segment);

    JpegFrame m_frame;
    bool m_started = false;
    bool m_inScan = false;
    bool m_scanned = false;
    bool m_ended = false;
};
