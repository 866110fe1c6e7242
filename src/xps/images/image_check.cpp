#include "xps/images/image_check.h"

#include <algorithm>
#include <string_view>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/images/image_failure.h"
#include "xps/images/image_readers.h"

namespace {

// A header the reader cannot make sense of fails only when the image is drawn: a part no page draws is
// never worth a failed load. One that claims too many pixels fails now, as it could not be drawn.
template <class Check>
void CheckSize(Check check)
{
    try {
        check();
    } catch (const DocumentFailure& failure) {
        if (failure.Status() == WINCODEC_ERR_IMAGESIZEOUTOFRANGE)
            throw;
    }
}

}  // namespace

void ImageCheck::Feed(const unsigned char* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (m_stage == Stage::Sniffing) {
        const std::size_t taken = std::min(bytes.size(), kLongestImageSignature - m_held.size());
        m_held.append(bytes.substr(0, taken));
        bytes.remove_prefix(taken);
        if (m_held.size() < kLongestImageSignature)
            return;
        Sniff();
    }
    if (m_stage == Stage::Done)
        return;
    if (m_stage == Stage::Jpeg && m_held.empty()) {
        // A JPEG is walked where it lies; only a segment cut by the end of these bytes is kept.
        m_held = bytes.substr(m_jpeg.Walk(bytes));
        return;
    }
    m_held.append(bytes);
    Check(false);
}

void ImageCheck::Finish()
{
    if (m_stage == Stage::Sniffing)
        Sniff();
    Check(true);
}

void ImageCheck::Sniff()
{
    switch (FormatOf(m_held)) {
    case ImageFormat::Jpeg:
        m_stage = Stage::Jpeg;
        return;
    case ImageFormat::Png:
        m_stage = Stage::Png;
        return;
    case ImageFormat::Tiff:
        m_stage = Stage::Tiff;
        return;
    // Only jxrlib finds a JPEG XR's size, in a process of its own: too dear for every part loaded.
    case ImageFormat::BigTiff:
    case ImageFormat::JpegXr:
    case ImageFormat::None:
        break;
    }
    m_stage = Stage::Done;
    m_held.clear();
}

void ImageCheck::Check(bool ended)
{
    switch (m_stage) {
    case Stage::Jpeg:
        m_held.erase(0, m_jpeg.Walk(m_held));
        if (ended)
            m_jpeg.Finish();
        return;
    case Stage::Png:
        if (m_held.size() < kPngHeaderSize && !ended)
            return;
        CheckSize([this] { CheckPngHeader(m_held); });
        break;
    case Stage::Tiff:
        if (!ended)
            return;
        CheckSize([this] { CheckTiffHeader(m_held); });
        break;
    case Stage::Sniffing:
    case Stage::Done:
        return;
    }
    m_stage = Stage::Done;
    std::string().swap(m_held);
}
