#include "xps/images/jpeg_walk.h"

#include "xps/byte_order.h"
#include "xps/images/image_failure.h"

namespace {

constexpr std::size_t kStartOfImageSize = 2;
constexpr unsigned char kStartOfImage = 0xD8;
constexpr unsigned char kEndOfImage = 0xD9;
constexpr unsigned char kStartOfScan = 0xDA;

bool IsFrame(unsigned char marker)
{
    // C4 (DHT), C8 (reserved) and CC (DAC) sit among the frame markers.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool IsRestart(unsigned char marker) { return marker >= 0xD0 && marker <= 0xD7; }

unsigned char ByteAt(std::string_view bytes, std::size_t at) { return static_cast<unsigned char>(bytes[at]); }

}  // namespace

std::size_t JpegWalk::Walk(std::string_view bytes, const SegmentReader& read)
{
    std::size_t at = 0;
    if (!m_started) {
        if (bytes.size() < kStartOfImageSize)
            return 0;
        at = kStartOfImageSize;
        m_started = true;
    }
    while (!m_ended) {
        if (m_inScan) {
            at = SkipScanData(bytes, at);
            if (m_inScan)
                return at;
        }
        // Fill bytes, and junk before a marker, are passed over as libjpeg passes them; of a run of
        // fill bytes cut by the end of the bytes, one stands for all.
        at = bytes.find('\xFF', at);
        if (at == std::string_view::npos)
            return bytes.size();
        while (at < bytes.size() && ByteAt(bytes, at) == 0xFF)
            ++at;
        const std::size_t start = at - 1;
        if (at == bytes.size())
            return start;
        const unsigned char marker = ByteAt(bytes, at++);
        if (marker == kEndOfImage) {
            CheckImage(m_scanned);
            m_ended = true;
        } else if (!IsRestart(marker) && marker != 0x01) {
            CheckImage(marker != kStartOfImage);
            if (bytes.size() - at < 2)
                return start;
            const std::size_t length = Big16(reinterpret_cast<const unsigned char*>(bytes.data() + at));
            CheckImage(length >= 2);
            if (bytes.size() - at < length)
                return start;
            const std::string_view segment = bytes.substr(at + 2, length - 2);
            at += length;
            if (IsFrame(marker))
                ReadFrame(marker, segment);
            else if (read)
                read(marker, segment);
            if (marker == kStartOfScan) {
                CheckImage(m_frame.marker != 0);
                m_scanned = true;
                m_inScan = true;
            }
        }
    }
    return bytes.size();
}

void JpegWalk::Finish() const { CheckImage(m_ended); }

// The data ends at the first marker other than a stuffed zero or a restart.
std::size_t JpegWalk::SkipScanData(std::string_view bytes, std::size_t at)
{
    for (;;) {
        at = bytes.find('\xFF', at);
        if (at == std::string_view::npos)
            return bytes.size();
        if (at + 1 == bytes.size())
            return at;
        const unsigned char next = ByteAt(bytes, at + 1);
        if (next != 0x00 && next != 0xFF && !IsRestart(next)) {
            m_inScan = false;
            return at;
        }
        at += next == 0xFF ? 1 : 2;
    }
}

void JpegWalk::ReadFrame(unsigned char marker, std::string_view segment)
{
    const auto* p = reinterpret_cast<const unsigned char*>(segment.data());
    CheckImage(m_frame.marker == 0 && segment.size() >= 6);
    m_frame = {marker, p[0], Big16(p + 3), Big16(p + 1), p[5]};
    CheckImage(segment.size() >= 6 + 3 * std::size_t{p[5]});
    CheckImageSize(m_frame.width, m_frame.height);
}
